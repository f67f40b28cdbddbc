"use strict";
// The player in headless Chromium over loopback, for a 10-page and a
// 1,000-page book: time from navigation to the first page drawn, time for a
// page turn, how many pages the player keeps, and the browser's memory.
//
// Usage: node bench/player/bench_player.js <program folder> [runs] [--pdf FILE]
// With --pdf the book is FILE published by the program's leafweaver-publish
// (vector pages, as the converter writes by default) and only the turns and
// first page are measured, against the same walk on a book of picture pages.
// Needs the npm packages (tools/install-deps.sh) and Debian's chromium.
const fs = require("fs");
const path = require("path");
const { execFileSync } = require("child_process");
const web = require("../../tests/web/support.js");

const runs = Math.max(1, Number(process.argv[3]) || 3);
const pdfArg = process.argv.indexOf("--pdf");
const pdfFile = pdfArg > 0 ? path.resolve(process.argv[pdfArg + 1]) : null;
const PAGE_W = 600, PAGE_H = 800;

// Four framed pages of different colours, repeated through the book.
function makeBook(pageCount) {
  const dir = web.tempDir("lw-bench-book-");
  const data = [[200, 40, 40], [40, 160, 60], [40, 80, 200], [220, 180, 40]]
    .map((rgb) => web.solidPng(PAGE_W, PAGE_H, rgb));
  const pages = [];
  for (let i = 1; i <= pageCount; i++) pages.push({ name: i + ".png", data: data[i % 4] });
  return web.makeBook(dir, { width: PAGE_W, height: PAGE_H, bgcolor: "5A6470", pages });
}

// Every process started under this one (the browser and its helpers).
function descendants(root) {
  const parent = new Map();
  for (const name of fs.readdirSync("/proc")) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${name}/stat`, "utf8");
      const ppid = Number(stat.slice(stat.lastIndexOf(")") + 2).split(" ")[1]);
      parent.set(Number(name), ppid);
    } catch (e) { /* gone meanwhile */ }
  }
  const out = [];
  for (const pid of parent.keys()) {
    for (let p = parent.get(pid); p; p = parent.get(p)) {
      if (p === root) { out.push(pid); break; }
    }
  }
  return out;
}

// Proportional set size of the browser's processes, in MiB.
function browserPssMiB() {
  let kib = 0;
  for (const pid of descendants(process.pid)) {
    try {
      const m = /^Pss:\s+(\d+) kB/m.exec(fs.readFileSync(`/proc/${pid}/smaps_rollup`, "utf8"));
      if (m) kib += Number(m[1]);
    } catch (e) { /* gone meanwhile */ }
  }
  return kib / 1024;
}

// Presses `key` and resolves to the milliseconds from the key to the player
// reporting the turn done. The page is not polled meanwhile: calls into the
// page would take time from the player's thread.
async function timedTurn(page, key) {
  await page.evaluate(() => {
    window.__turnDone = new Promise((resolve) => {
      let keyAt = null;
      document.addEventListener("keydown", () => { if (keyAt === null) keyAt = performance.now(); }, { capture: true, once: true });
      document.addEventListener("leafweaver-player", function on(e) {
        if (e.detail.name !== "turned" || keyAt === null) return;
        document.removeEventListener("leafweaver-player", on);
        resolve(performance.now() - keyAt);
      });
      setTimeout(() => resolve(null), 10000);
    });
  });
  await page.keyboard.press(key);
  const ms = await page.evaluate(() => window.__turnDone);
  if (ms === null) throw new Error("no turn after " + key + "; state " + JSON.stringify(await web.state(page)));
  return ms;
}

async function measure(url) {
  const browser = await web.launch();
  try {
    const { page, errors, messages } = await web.openBook(browser.context, url);
    const st0 = await web.waitState(page, (s) => s.ready && s.settled, 60000, "the first page");
    const first = (await web.events(page)).find((e) => e.name === "first-page");
    if (!first) throw new Error("the player reported no first page");
    // Event times are performance.now(), which counts from the navigation.
    const firstMs = first.time;
    let maxLive = st0.live;
    const turns = [];
    // The same walk for both books (a 10-page book has five turns from front to back).
    const walk = ["ArrowRight", "ArrowRight", "ArrowRight", "ArrowRight",
      "End", "ArrowLeft", "ArrowLeft", "Home", "ArrowRight", "ArrowRight"];
    for (const key of walk) {
      const ms = await timedTurn(page, key);
      if (key.startsWith("Arrow")) turns.push(ms);
      const st = await web.waitState(page, (s) => !s.turning && s.settled, 20000, "the book at rest");
      maxLive = Math.max(maxLive, st.live);
    }
    const cdp = await browser.context.newCDPSession(page);
    await cdp.send("HeapProfiler.collectGarbage");
    await page.waitForTimeout(1500);
    const mem = browserPssMiB();
    const real = errors.filter((e) => !/Failed to load resource/.test(e));
    if (real.length) throw new Error("console errors: " + real.join("; "));
    const used = messages.map((m) => /Used renderer: ([\w-]+)/.exec(m)).find((m) => m);
    return { renderer: used ? used[1] : "?", firstMs, turns, maxLive, mem };
  } finally {
    await browser.close();
  }
}

const median = (xs) => { const s = [...xs].sort((a, b) => a - b); return s[s.length >> 1]; };

// The PDF as a book of the converter's pages; returns the book's folder and
// the folder to remove afterwards.
function publishPdf(pdf) {
  const out = web.tempDir("lw-bench-pdf-");
  const printed = execFileSync(path.join(web.programDir(), "leafweaver-publish"),
    ["-q", pdf, "-t", "Bench", "-o", out], { encoding: "utf8", maxBuffer: 1 << 24 });
  return { dir: printed.trim().split("\n").pop(), remove: out };
}

async function pdfBench() {
  const books = [["pictures", makeBook(40), null]];
  const pub = publishPdf(pdfFile);
  books.push([path.basename(pdfFile), pub.dir, pub.remove]);
  const all = {};
  for (const [name, dir, remove] of books) {
    const server = await web.serve(dir);
    try {
      all[name] = [];
      for (let r = 0; r < runs; r++) {
        const m = await measure(server.url + "index.html");
        all[name].push(m);
        console.log(`${name}, run ${r + 1}: first page ${m.firstMs.toFixed(0)} ms, turn median ` +
          `${median(m.turns).toFixed(0)} ms (max ${Math.max(...m.turns).toFixed(0)}) (${m.renderer} renderer); ` +
          `turns in order: ${m.turns.map((t) => t.toFixed(0)).join(" ")}`);
      }
    } finally {
      await server.close();
      web.removeTree(remove || dir);
    }
  }
  console.log("");
  for (const [name] of books) {
    const turns = all[name].flatMap((m) => m.turns);
    console.log(`${name}: first page ${median(all[name].map((m) => m.firstMs)).toFixed(0)} ms, turns (${turns.length}) ` +
      `median ${median(turns).toFixed(0)} ms, slowest ${Math.max(...turns).toFixed(0)} ms (target 500) ` +
      `${Math.max(...turns) <= 500 ? "ok" : "MISSED"}`);
  }
}

(async () => {
  web.programDir();
  if (pdfFile) return pdfBench();
  const results = {};
  for (const count of [10, 1000]) {
    const dir = makeBook(count);
    const server = await web.serve(dir);
    try {
      results[count] = [];
      for (let r = 0; r < runs; r++) {
        const m = await measure(server.url + "index.html");
        results[count].push(m);
        console.log(`${String(count).padStart(4)} pages, run ${r + 1}: first page ${m.firstMs.toFixed(0)} ms, ` +
          `turn median ${median(m.turns).toFixed(0)} ms (max ${Math.max(...m.turns).toFixed(0)}), ` +
          `pages kept at most ${m.maxLive}, browser ${m.mem.toFixed(1)} MiB (${m.renderer} renderer)`);
      }
    } finally {
      await server.close();
      web.removeTree(dir);
    }
  }
  const mid = (count, key) => median(results[count].map((m) => m[key]));
  const f10 = mid(10, "firstMs"), f1k = mid(1000, "firstMs");
  const allTurns = results[10].concat(results[1000]).flatMap((m) => m.turns);
  const tmid = median(allTurns), tmax = Math.max(...allTurns);
  const m10 = mid(10, "mem"), m1k = mid(1000, "mem");
  const kept = Math.max(...results[1000].map((m) => m.maxLive));
  const verdict = (ok) => (ok ? "ok" : "MISSED");
  console.log("");
  console.log(`first page, 1,000 pages: ${f1k.toFixed(0)} ms (target 3000) ${verdict(f1k <= 3000)}; ` +
    `against 10 pages ${f10.toFixed(0)} ms: ${(f1k / f10).toFixed(2)}x`);
  console.log(`page turn (${allTurns.length}): median ${tmid.toFixed(0)} ms, slowest ${tmax.toFixed(0)} ms (target 500) ${verdict(tmax <= 500)}`);
  console.log(`memory: 1,000 pages ${m1k.toFixed(1)} MiB against 10 pages ${m10.toFixed(1)} MiB: ` +
    `${(m1k / m10).toFixed(2)}x (target 1.5) ${verdict(m1k <= 1.5 * m10)}`);
  console.log(`pages kept by the player, 1,000 pages: at most ${kept} (the spread and two on either side: 10) ${verdict(kept <= 10)}`);
})().catch((e) => {
  console.error(e && e.stack ? e.stack : e);
  process.exit(1);
});
