"use strict";
// The browser's memory while a long book is read, against a plain HTML5
// flipbook of the same pages (npm page-flip, pages as 150 dpi JPEG images
// from pdftoppm). The book: a 300-page manual made with reportlab, text and
// a picture a page like a manual with screenshots (each picture its own, so
// the page movies are 100-500 KB), published by `leafweaver-publish` and
// served, like the flipbook, by `leafweaver-publish --serve` on loopback.
// Headless Chromium at 1280 x 800, one fresh browser per book. Prints the
// proportional set size (PSS) of all the browser's processes
//   empty   a blank tab
//   open    the book open, its first spread drawn and at rest
//   N turns after N turns by the right arrow key, each waited for until
//           the book is at rest again (N = 20, 50, 100)
//   back    then after 50 turns back by the left arrow key, over pages
//           read before
// after a garbage collection, and for our book also the size of the
// runtime's WebAssembly memory (which never shrinks: its peak).
// Target: within 250 MB above the empty tab after 100 turns.
//
// Usage: node bench/web/bench_memory.js <program folder> [pages]
// Needs the npm packages, Debian's chromium, poppler-utils and python3 with
// reportlab and PIL.
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const web = require("../../tests/web/support.js");
const { startServer } = require("../../tests/publish/serve_support.js");
const { publishBook, makeFlipbook } = require("./bench_first_view.js");

const PAGES = Number(process.argv[3] || 300);
const W = 1280, H = 800;
const MARKS = [20, 50, 100];
const BACK = 50;
const TARGET_MB = 250;

// A manual of n A4 pages: a heading, body text and a picture of its own on
// every page (noise over smooth colour, 600 to 1,000 pixels wide, so that its
// JPEG is large and unlike the others).
function makePdf(file, n) {
  execFileSync("/usr/bin/python3", ["-c", `
import io, os, random, sys
from PIL import Image, ImageDraw
from reportlab.lib.pagesizes import A4
from reportlab.lib.utils import ImageReader
from reportlab.pdfgen import canvas
out, n = sys.argv[1], int(sys.argv[2])
random.seed(7)
c = canvas.Canvas(out, pagesize=A4)
w, h = A4
words = ("The window shows the pages of the book in a list; select a page and press the button "
         "to move it up or down, or drag it to its new place with the mouse").split()
for p in range(n):
    pw = random.randint(600, 1000)
    ph = pw * 3 // 4
    base = Image.frombytes("RGB", (pw // 16, ph // 16), os.urandom((pw // 16) * (ph // 16) * 3)).resize((pw, ph), Image.BICUBIC)
    noise = Image.frombytes("RGB", (pw, ph), os.urandom(pw * ph * 3))
    img = Image.blend(base, noise, random.uniform(0.25, 0.5))
    d = ImageDraw.Draw(img)
    for k in range(6):
        x, y = random.randint(0, pw - 60), random.randint(0, ph - 30)
        d.rectangle([x, y, x + random.randint(40, 200), y + random.randint(20, 60)], fill=(240, 240, 240), outline=(20, 20, 20))
    buf = io.BytesIO()
    img.save(buf, "JPEG", quality=random.randint(80, 92))
    buf.seek(0)
    c.setFillColorRGB(0.15, 0.3, 0.6)
    c.setFont("Helvetica-Bold", 20)
    c.drawString(60, h - 80, "Section %d" % (p + 1))
    c.setFillColorRGB(0, 0, 0)
    c.setFont("Times-Roman", 11)
    y, k = h - 110, p
    for _ in range(14):
        c.drawString(60, y, " ".join(words[(k + i) % len(words)] for i in range(13)))
        y -= 14
        k += 5
    iw = w - 120
    c.drawImage(ImageReader(buf), 60, y - iw * 3 / 4 - 10, width=iw, height=iw * 3 / 4)
    c.drawString(w / 2, 30, str(p + 1))
    c.showPage()
c.save()
`, file, String(n)]);
}

// Every process started under this one (the browser and its helpers), less
// those under `skip` (the servers).
function descendants(skip) {
  const parent = new Map();
  for (const name of fs.readdirSync("/proc")) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${name}/stat`, "utf8");
      parent.set(Number(name), Number(stat.slice(stat.lastIndexOf(")") + 2).split(" ")[1]));
    } catch (e) { /* gone meanwhile */ }
  }
  const out = [];
  for (const pid of parent.keys()) {
    for (let p = pid; p; p = parent.get(p)) {
      if (skip.includes(p)) break;
      if (parent.get(p) === process.pid) { out.push(pid); break; }
    }
  }
  return out;
}

function browserPssMB(skip) {
  let kib = 0;
  for (const pid of descendants(skip)) {
    try {
      const m = /^Pss:\s+(\d+) kB/m.exec(fs.readFileSync(`/proc/${pid}/smaps_rollup`, "utf8"));
      if (m) kib += Number(m[1]);
    } catch (e) { /* gone meanwhile */ }
  }
  return kib / 1024;
}

// Records every WebAssembly memory the page makes (the runtime's), so that
// its size can be read: window.__wasmMB().
const WASM_PROBE = `(() => {
  const mems = [];
  const note = (r) => { const i = r && (r.instance || r); try { for (const v of Object.values(i.exports)) if (v instanceof WebAssembly.Memory) mems.push(v); } catch (e) {} return r; };
  for (const name of ["instantiate", "instantiateStreaming"]) {
    const f = WebAssembly[name];
    if (f) WebAssembly[name] = function () { return f.apply(this, arguments).then(note); };
  }
  const M = WebAssembly.Memory;
  WebAssembly.Memory = function (d) { const m = new M(d); mems.push(m); return m; };
  WebAssembly.Memory.prototype = M.prototype;
  window.__wasmMB = () => [...new Set(mems)].reduce((a, m) => a + m.buffer.byteLength, 0) / 1048576;
})();`;

async function settle(page, cdp) {
  await cdp.send("HeapProfiler.collectGarbage");
  // Freed pages go back to the system over the next moments.
  await page.waitForTimeout(1500);
}

async function run(kind, url, skip, marks = MARKS, back = BACK) {
  const b = await web.launch({ width: W, height: H });
  const row = { kind, marks: {}, wasm: {} };
  try {
    const page = await b.context.newPage();
    await page.addInitScript(WASM_PROBE);
    const cdp = await b.context.newCDPSession(page);
    await page.goto("about:blank");
    await settle(page, cdp);
    row.empty = browserPssMB(skip);
    await page.goto(url);
    const ours = kind === "ours";
    if (ours) {
      await web.waitState(page, (st) => st.ready && st.settled && !st.turning, 120000, "the book open");
    } else {
      await page.waitForFunction(() => document.readyState === "complete" &&
        Array.from(document.images).every((i) => i.complete), null, { timeout: 120000 });
    }
    await settle(page, cdp);
    row.open = browserPssMB(skip);
    if (ours) row.wasm.open = await page.evaluate(() => window.__wasmMB());
    // Forward to the last mark, then BACK turns back over pages read before.
    const last = marks[marks.length - 1];
    for (let turn = 1; turn <= last + back; turn++) {
      const key = turn <= last ? "ArrowRight" : "ArrowLeft";
      if (ours) {
        const before = (await web.state(page)).visible.join();
        await page.keyboard.press(key);
        await web.waitState(page, (st) => st.visible.join() !== before && !st.turning && st.settled, 60000, "turn " + turn);
      } else {
        await page.keyboard.press(key);
        await page.waitForFunction((n) => window.flips >= n && window.flipState === "read", turn, { timeout: 60000 });
      }
      if (marks.includes(turn) || turn === last + back) {
        await settle(page, cdp);
        row.marks[turn] = browserPssMB(skip);
        if (ours) row.wasm[turn] = await page.evaluate(() => window.__wasmMB());
        const st = ours ? await web.state(page) : null;
        if (turn > last) row.marks.back = row.marks[turn];
        if (ours && turn > last) row.wasm.back = row.wasm[turn];
        console.log(`  ${kind} ${turn} turns: ${row.marks[turn].toFixed(0)} MB` +
          (ours ? `, WebAssembly ${row.wasm[turn].toFixed(0)} MB, pages ${st.loaded.join(",")}` : ""));
      }
    }
  } finally {
    await b.close();
  }
  return row;
}

async function main() {
  const program = path.resolve(web.programDir());
  const work = web.tempDir("lw-bench-memory-");
  const rows = [];
  try {
    const pdf = path.join(work, "manual.pdf");
    makePdf(pdf, PAGES);
    const ours = publishBook(pdf, path.join(work, "ours"));
    const movies = fs.readdirSync(path.join(ours, "pages")).filter((f) => f.endsWith(".swf"))
      .map((f) => fs.statSync(path.join(ours, "pages", f)).size / 1024).sort((a, b) => a - b);
    if (movies.length)
      console.log(`${PAGES} pages, page movies ${movies[0].toFixed(0)}-${movies[movies.length - 1].toFixed(0)} KB, median ${movies[movies.length >> 1].toFixed(0)} KB`);
    const flip = makeFlipbook(pdf, path.join(work, "flip"));
    for (const [kind, folder] of [["ours", ours], ["page-flip", flip]]) {
      const server = await startServer(program, folder);
      try {
        rows.push(await run(kind, server.url + "index.html", [server.child.pid]));
      } finally {
        server.child.kill("SIGINT");
      }
    }
  } finally {
    web.removeTree(work);
  }
  const mb = (v) => (v === undefined ? "-" : v.toFixed(0)).padStart(6);
  console.log(`\nPSS, MB (above the empty tab)      empty   open ${MARKS.map((m) => (m + " turns").padStart(14)).join("")}   ${BACK} back`);
  for (const r of rows) {
    console.log(`${r.kind.padEnd(34)}${mb(r.empty)} ${mb(r.open)} (${mb(r.open - r.empty)})` +
      MARKS.concat(["back"]).map((m) => `${mb(r.marks[m])} (${mb(r.marks[m] - r.empty)})`).join(""));
  }
  const o = rows.find((r) => r.kind === "ours");
  console.log(`runtime's WebAssembly memory, MB   open ${mb(o.wasm.open)}` + MARKS.concat(["back"]).map((m) => `  ${m}: ${mb(o.wasm[m])}`).join(""));
  const last = MARKS[MARKS.length - 1];
  const above = o.marks[last] - o.empty;
  const ok = above <= TARGET_MB;
  console.log(`\n${ok ? "met    " : "MISSED "} within ${TARGET_MB} MB above the empty tab after ${last} turns: ${above.toFixed(0)} MB`);
  process.exitCode = ok ? 0 : 1;
}

if (require.main === module) {
  main().catch((e) => {
    console.log("FAIL " + (e && e.stack ? e.stack : e));
    process.exitCode = 1;
  });
}

module.exports = { makePdf, run };
