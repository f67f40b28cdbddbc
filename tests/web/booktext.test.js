"use strict";
// The book's text in real headless Chromium, on a 60-page book made by
// leafweaver-publish from a reportlab PDF: the text in index.html, the
// search that lists a page and turns the player there, the page without
// WebAssembly, the keyboard, full screen, a scanned book's pictures, an
// axe-core audit of a 300-page manual, and the search's time on the text of
// a 1,000-page book, and the found words highlighted on the page.
// Usage: node booktext.test.js <program folder>
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const zlib = require("zlib");
const web = require("./support.js");
const search = require("../../data/Resource/source/search.js");

const program = web.programDir();
web.requireReportlab();
let axePath = null;
try { axePath = require.resolve("axe-core/axe.min.js"); } catch (e) { /* the audit says it cannot run */ }

const PAGES = 60, TARGET = 37;
const MANUAL_PAGES = Number(process.env.LW_MANUAL_PAGES) || 40;
const SENTENCE = "The lighthouse keeper counted seven herons at dawn.";
const WORD = "marmalade";  // on page 37 only

// Every page: a heading (in the outline too) and a few paragraphs; page 37
// alone holds SENTENCE and WORD, the latter in a web link.
function makePdf(file) {
  execFileSync("/usr/bin/python3", ["-c", `
import sys
from reportlab.lib.pagesizes import A4
from reportlab.pdfgen import canvas
pages, target, sentence, word = int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
c = canvas.Canvas(sys.argv[1], pagesize=A4)
w, h = A4
for p in range(1, pages + 1):
    c.setFont("Helvetica-Bold", 20)
    c.drawString(72, h - 90, "Chapter %d" % p)
    c.bookmarkPage("c%d" % p)
    c.addOutlineEntry("Chapter %d" % p, "c%d" % p, level=0)
    c.setFont("Helvetica", 11)
    y = h - 130
    for para in range(3):
        for line in range(4):
            c.drawString(72, y, "Paragraph %d of page %d, line %d, says nothing much at all." % (para + 1, p, line + 1))
            y -= 14
        y -= 14
    if p == target:
        c.drawString(72, y, sentence)
        c.drawString(72, y - 14, "Bring the %s to the harbour." % word)
        c.linkURL("https://example.org/harbour", (70, y - 18, 300, y - 4), relative=0)
    c.showPage()
c.save()
`, file, String(PAGES), String(TARGET), SENTENCE, WORD]);
}

// Seven pages of a scan (pictures, no text) in a PDF that names its language.
function makeScan(file) {
  execFileSync("/usr/bin/python3", ["-c", `
import io, random, sys
from PIL import Image, ImageDraw
from reportlab.lib.pagesizes import A4
from reportlab.lib.utils import ImageReader
from reportlab.pdfgen import canvas
c = canvas.Canvas(sys.argv[1], pagesize=A4, lang="de-DE")
rng = random.Random(3)
for p in range(7):
    img = Image.new("RGB", (620, 877), (236, 232, 220))
    d = ImageDraw.Draw(img)
    for y in range(80, 800, 22):
        d.line([60, y, 60 + rng.randrange(300, 500), y], fill=(40, 40, 40), width=6)
    buf = io.BytesIO()
    img.save(buf, "JPEG", quality=80)
    buf.seek(0)
    c.drawImage(ImageReader(buf), 0, 0, width=A4[0], height=A4[1])
    c.showPage()
c.save()
`, file]);
}

function publish(pdf, title = "Harbour notes") {
  const out = web.tempDir("lw-booktext-out-");
  const printed = execFileSync(path.join(program, "leafweaver-publish"),
    ["-q", pdf, "-t", title, "-o", out], { encoding: "utf8" });
  return printed.trim().split("\n").pop();
}

// The bytes of the files under `dir`.
function folderBytes(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).reduce((n, e) =>
    n + (e.isDirectory() ? folderBytes(path.join(dir, e.name)) : fs.statSync(path.join(dir, e.name)).size), 0);
}

const settledAt = (n) => (st) => st.ready && st.visible.includes(n) && st.settled && !st.turning;

async function withBook(folder, options, check) {
  const server = await web.serve(folder);
  const browser = await web.launch({ width: 1100, height: 760 }, options);
  try {
    await check(browser.context, server);
  } finally {
    await browser.close();
    await server.close();
  }
}

async function audit(page) {
  await page.addScriptTag({ path: axePath });
  const result = await page.evaluate(async () => {
    const r = await window.axe.run(document, { resultTypes: ["violations"] });
    return r.violations.map((v) => ({ id: v.id, impact: v.impact, nodes: v.nodes.map((n) => n.target.join(" ")).slice(0, 3) }));
  });
  return result;
}

let book;

web.runCases([
  ["index.html holds every page's text, with a sentence of page 37 in page 37's section", async () => {
    const pdf = path.join(web.tempDir("lw-booktext-pdf-"), "harbour.pdf");
    makePdf(pdf);
    book = publish(pdf);
    const html = fs.readFileSync(path.join(book, "index.html"), "utf8");
    const at = html.indexOf(SENTENCE);
    web.assert(at > 0 && html.indexOf(SENTENCE, at + 1) < 0, "the sentence is not in index.html once");
    const section = html.lastIndexOf("<section", at);
    web.assert(html.slice(section, section + 80).includes(`id="page-${TARGET}"`), "the sentence is not in page 37's section");
    web.assert((html.match(/<section class="page"/g) || []).length === PAGES, "not one section per page");
    const page37 = html.slice(section, html.indexOf("</section>", section));
    web.assert(page37.includes("<h3>Chapter 37</h3>"), "the outline's heading is not a heading: " + page37.slice(0, 300));
    web.assert(page37.includes('<a href="https://example.org/harbour">Bring the marmalade to the harbour.</a>'),
      "the link is not a link: " + page37.slice(-300));
    web.assert(html.includes('<meta property="og:title" content="Harbour notes">'), "no Open Graph title");
    web.assert(html.includes('<meta property="og:image" content="source/poster.jpg">'), "no Open Graph image");
    web.assert(/<meta property="og:description" content="Chapter 1 [^"]+">/.test(html), "no Open Graph description");
    const packed = fs.readFileSync(path.join(book, "source", "text.json.gz"));
    const text = JSON.parse(zlib.gunzipSync(packed).toString("utf8"));
    web.assert(text.format === 2 && text.pages.length === PAGES, "text.json has " + text.pages.length + " pages");
    const index = new search.BookIndex(text);
    web.assert(index.pages[TARGET - 1].includes(SENTENCE), "page 37 in text.json: " + index.pages[TARGET - 1]);
    web.assert(index.pages.every((p, i) => i === TARGET - 1 || !p.includes(WORD)), "the word on another page");
    web.assert(index.pages[0].startsWith("Chapter 1 Paragraph 1"), "page 1 starts " + index.pages[0].slice(0, 40));
    // The word's box, within a point or two of where reportlab drew it: at
    // x 72 + the width of "Bring the " in Helvetica 11 (47.08), 55.01 wide,
    // around the baseline 354 points from the top (130 + 3 paragraphs of 5
    // steps of 14, and one more).
    const [x, y, w, h] = index.boxes(TARGET, WORD)[0];
    const [pw, ph] = text.pages[TARGET - 1];
    const baseline = 130 + 3 * 5 * 14 + 14;
    web.assert(Math.abs(x * pw - 119.08) < 2 && Math.abs(w * pw - 55.01) < 2 && y * ph < baseline && (y + h) * ph > baseline &&
      h * ph < 16, "the word's box " + JSON.stringify([x * pw, y * ph, w * pw, h * ph]));
    const sizes = { pdf: fs.statSync(pdf).size, text: packed.length, html: html.length };
    console.log(`     60 pages: PDF ${sizes.pdf} bytes, text.json.gz ${sizes.text}, index.html ${sizes.html}`);
  }],

  ["the search joins words split by a hyphen, and gives the found words' boxes line by line", async () => {
    // A page of 612 x 792 points as text.json holds it (numbers as in
    // src/output/booktext.h): "ex-" ends a line, "ample." starts the next.
    const index = new search.BookIndex({ format: 2, pages: [[], [612, 792,
      ["The quick", "brown ex-", "ample. Caf\u00e9 au lait"],
      ["100,10,72,88,4,3,-4", "12,10,72,88,-14,3,14", "12,10,72,60,14,4,-4,4,0,4,6"]]] });
    web.assert(index.pages[1] === "The quick brown example. Café au lait", "page text: " + index.pages[1]);
    web.assert(index.find("EXAMPLE")[0].page === 2 && index.find("cafe").length === 1, "not found");
    const points = (q) => JSON.stringify(index.boxes(2, q).map((b) => b.map((v, i) => Math.round(v * (i % 2 ? 792 : 612)))));
    // Each word: x, top, width, height in points.
    web.assert(points("quick") === "[[105,100,40,10]]", "quick: " + points("quick"));
    web.assert(points("example") === "[[105,112,40,10],[72,124,50,10]]", "example: " + points("example"));
    web.assert(points("ample") === "[[72,124,50,10]]", "ample: " + points("ample"));
    // A phrase on one line is one box; words found apart, a box each.
    web.assert(points("cafe au") === "[[126,124,36,10]]", "cafe au: " + points("cafe au"));
    web.assert(points("lait quick") === "[[166,124,30,10],[105,100,40,10]]", "lait quick: " + points("lait quick"));
    web.assert(points("nothing") === "[]" && JSON.stringify(index.boxes(1, "the")) === "[]", "boxes of nothing");
  }],

  ["search lists page 37 with its context and turns the player there; the text loads only then", async () => {
    await withBook(book, {}, async (context, server) => {
      const { page, errors } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, settledAt(1), 30000, "page 1 drawn");
      web.assert(!server.requests.some((r) => /text\.json|search\.js/.test(r)), "text loaded before a search: " + server.requests);
      await page.fill("#search-box", WORD);
      await page.press("#search-box", "Enter");
      await page.waitForSelector("#search-results li button");
      const listed = await page.$$eval("#search-results li button", (bs) => bs.map((b) => ({ page: b.dataset.page, text: b.textContent })));
      web.assert(listed.length === 1 && listed[0].page === String(TARGET), "results: " + JSON.stringify(listed));
      web.assert(listed[0].text.includes("Page 37") && listed[0].text.includes("Bring the marmalade to the harbour"),
        "context: " + listed[0].text);
      await page.click("#search-results li button");
      const st = await web.waitState(page, settledAt(TARGET), 30000, "the player at page 37");
      web.assert(st.visible.includes(TARGET), "visible " + st.visible);
      web.assert(await page.$eval("#search-results", (r) => r.hidden), "the results stay open over the page");
      // A word on every page lists them all, page 1 first.
      await page.fill("#search-box", "says nothing");
      await page.press("#search-box", "Enter");
      await page.waitForFunction((n) => document.querySelectorAll("#search-results li").length === n, PAGES);
      const times = await page.evaluate(() => window.leafweaver.searchTimes);
      console.log(`     query times on 60 pages: ${times.map((t) => t.toFixed(2)).join(", ")} ms`);
      const real = errors.filter((e) => !/Failed to load resource/.test(e));
      web.assert(real.length === 0, "console errors: " + real.join("; "));
    });
  }],

  ["the chosen result's word is highlighted at its place on page 37 and the highlight goes with the search", async () => {
    const text = JSON.parse(zlib.gunzipSync(fs.readFileSync(path.join(book, "source", "text.json.gz"))).toString("utf8"));
    const [bx, by, bw, bh] = new search.BookIndex(text).boxes(TARGET, WORD)[0];
    const [contentW, contentH] = text.pages[TARGET - 1];
    const list = fs.readFileSync(path.join(book, "source", "Pages.xml"), "utf8");
    const sheetW = Number(/ width="([\d.]+)"/.exec(list)[1]), sheetH = Number(/ height="([\d.]+)"/.exec(list)[1]);
    await withBook(book, {}, async (context, server) => {
      const { page } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, settledAt(1), 30000, "page 1 drawn");
      const stage = await page.evaluate(() => {
        const r = document.getElementById("player").getBoundingClientRect();
        return { x: r.left, y: r.top, w: r.width, h: r.height };
      });
      // Page 37 lies right of the spine; the page content is fitted on the sheet.
      const b = web.bookBox(stage.w, stage.h, sheetW, sheetH, false);
      const fit = Math.min(sheetW / contentW, sheetH / contentH);
      const cx = stage.x + b.spine + (sheetW - contentW * fit) / 2 * b.scale;
      const cy = stage.y + b.top + (sheetH - contentH * fit) / 2 * b.scale;
      const cw = contentW * fit * b.scale, ch = contentH * fit * b.scale;
      const word = { x0: cx + bx * cw + 1, x1: cx + (bx + bw) * cw - 1, y0: cy + by * ch + 1, y1: cy + (by + bh) * ch - 1 };
      // The line two lines higher (the sentence's line and the one above it hold no find).
      const above = { x0: word.x0, x1: word.x1, y0: word.y0 - 28 / contentH * ch, y1: word.y1 - 28 / contentH * ch };
      const yellow = web.yellowShare;
      // The screen changes at the player's next frame: shot after shot until it does.
      const until = async (test, what) => {
        const end = Date.now() + 15000;
        let img;
        do {
          img = web.decodePng(await page.screenshot());
          if (test(img)) return img;
        } while (Date.now() < end);
        throw new Error("timed out waiting for " + what + ": yellow " + yellow(img, word).toFixed(2));
      };
      await page.fill("#search-box", WORD);
      await page.press("#search-box", "Enter");
      await page.waitForSelector("#search-results li button");
      await page.click("#search-results li button");
      const st = await web.waitState(page, (s) => settledAt(TARGET)(s) && s.highlight === TARGET, 30000, "page 37 highlighted");
      web.assert(st.highlightBoxes === 1, "boxes " + st.highlightBoxes);
      const img = await until((i) => yellow(i, word) > 0.7, "the highlight on the word");
      web.assert(yellow(img, above) < 0.05, "yellow above the word: " + yellow(img, above));
      // Zoomed in one step (1.5 times about the middle of the book's area,
      // as View places it), the highlight is still on the word.
      const zoomIn = web.panelPoint(stage.w, stage.h, "zoomin");
      await page.mouse.click(stage.x + zoomIn.x, stage.y + zoomIn.y);
      await web.waitState(page, (s) => s.zoom === 1 && s.settled, 10000, "zoomed in");
      const mx = stage.x + stage.w / 2, my = stage.y + 12 + (stage.h - 40 - 24) / 2;
      const zoomed = { x0: mx + 1.5 * (word.x0 - mx), x1: mx + 1.5 * (word.x1 - mx), y0: my + 1.5 * (word.y0 - my), y1: my + 1.5 * (word.y1 - my) };
      await until((i) => yellow(i, zoomed) > 0.7, "the highlight on the zoomed word");
      const zoomOut = web.panelPoint(stage.w, stage.h, "zoomout");
      await page.mouse.click(stage.x + zoomOut.x, stage.y + zoomOut.y);
      await web.waitState(page, (s) => s.zoom === 0 && s.settled, 10000, "zoomed out");
      // The highlight belongs to the page, not to its drawing: after the book
      // went to its end (page 37's drawing dropped) and back, it is there again.
      await page.evaluate(() => window.leafweaver.perform("last"));
      await web.waitState(page, (s) => settledAt(PAGES)(s) && !s.loaded.includes(TARGET), 30000, "the last page, page 37 dropped");
      await page.evaluate((n) => window.leafweaver.perform("goto", n), TARGET);
      await web.waitState(page, settledAt(TARGET), 30000, "page 37 again");
      await until((i) => yellow(i, word) > 0.7, "the highlight on the word again");
      // Escape in the search box takes the results and the highlight away.
      await page.press("#search-box", "Escape");
      await web.waitState(page, (s) => s.highlight === 0, 10000, "no highlight");
      await until((i) => yellow(i, word) < 0.05, "the highlight gone");
      web.assert(await page.$$eval("#search-results li", (l) => l.length) === 0, "the results stayed");
    });
  }],

  ["search on the text of a 1,000-page book answers within 200 ms after the first query", async () => {
    await withBook(book, {}, async (context, server) => {
      const { page } = await web.openBook(context, server.url + "index.html");
      await page.addScriptTag({ url: server.url + "source/search.js" });
      const r = await page.evaluate(() => {
        // 1,000 pages of about 400 words each.
        const words = "the of and to in is it that for on with as was at by an be this from or have not are which but".split(" ");
        let seed = 7;
        const rnd = () => ((seed = (seed * 1103515245 + 12345) & 0x7fffffff) / 0x7fffffff);
        // As text.json holds them: lines of 10 words, each with its numbers.
        const pages = [];
        for (let p = 0; p < 1000; p++) {
          const lines = [], numbers = [];
          for (let l = 0; l < 40; l++) {
            const ws = [];
            for (let i = 0; i < 10; i++) ws.push(words[Math.floor(rnd() * words.length)] + (rnd() < 0.1 ? "ing" : ""));
            if (p === 736 && l === 17) ws.push("zanzibar");
            lines.push(ws.join(" "));
            numbers.push([l ? 14 : 72, 11, 72, 55].concat(ws.flatMap((w, i) => i ? [3, 1 - (i % 3)] : [0])).join(","));
          }
          pages.push([595, 842, lines, numbers]);
        }
        let t0 = performance.now();
        const index = new window.leafweaver.BookIndex({ format: 2, pages });
        const build = performance.now() - t0;
        const times = [];
        let found = null;
        for (const q of ["zanzibar", "which but", "thising", "nothing here at all", "the", "zanzibar"]) {
          t0 = performance.now();
          found = index.find(q);
          times.push(performance.now() - t0);
        }
        t0 = performance.now();
        const boxes = index.boxes(737, "zanzibar");
        const boxTime = performance.now() - t0;
        return { build, times, boxTime, boxes, last: found.map((f) => f.page), chars: JSON.stringify({ pages }).length };
      });
      console.log(`     1,000 pages (${r.chars} characters): index ${r.build.toFixed(1)} ms, queries ${r.times.map((t) => t.toFixed(2)).join(", ")} ms, ` +
        `a result's boxes ${r.boxTime.toFixed(2)} ms`);
      web.assert(r.last.length === 1 && r.last[0] === 737, "zanzibar found on " + r.last);
      web.assert(r.boxes.length === 1 && Math.abs(r.boxes[0][1] * 842 - (72 + 17 * 14)) < 0.01, "zanzibar's box " + JSON.stringify(r.boxes));
      web.assert(Math.max(...r.times.slice(1)) < 200, "a query took " + Math.max(...r.times.slice(1)) + " ms");
    });
  }],

  ["the vector pages show on each renderer the runtime may use, drawn into bitmaps only where it can", async () => {
    const missing = [];
    for (const [renderer, cache] of [["canvas", false], ["webgl", false], ["wgpu-webgl", true]]) {
      await withBook(book, {}, async (context, server) => {
        const { page, messages } = await web.openBook(context, server.url + "index.html?renderer=" + renderer);
        await web.waitState(page, (s) => s.ready, 60000, "the player with " + renderer);
        const used = messages.map((m) => /Used renderer: ([\w-]+)/.exec(m)).find((m) => m);
        if (!used || used[1] !== renderer) {
          missing.push(`${renderer} (this browser runs ${used ? used[1] : "no renderer"} instead)`);
          return;
        }
        const st = await web.waitState(page, settledAt(1), 90000, "page 1 drawn with " + renderer);
        web.assert(st.bitmapCache === cache, `${renderer}: drawn into bitmaps ${st.bitmapCache}`);
        // Page 1's heading and lines are on the page: dark pixels on its right half of the stage.
        const img = web.decodePng(await page.screenshot());
        let dark = 0;
        for (let y = 60; y < img.height - 100; y += 2)
          for (let x = Math.round(img.width / 2) + 20; x < img.width - 20; x += 2) if (img.px(x, y)[0] < 100) dark++;
        web.assert(dark > 200, `${renderer}: page 1 shows ${dark} dark pixels`);
        console.log(`     ${renderer}: page 1 drawn (${dark} dark pixels), into bitmaps ${st.bitmapCache}`);
      });
    }
    if (missing.length) web.skip("not run with " + missing.join(", "));
  }],

  ["a leaf in a turn draws only the text in sight of it, and all of it again once the page lies flat", async () => {
    const list = fs.readFileSync(path.join(book, "source", "Pages.xml"), "utf8");
    const sheetW = Number(/ width="([\d.]+)"/.exec(list)[1]), sheetH = Number(/ height="([\d.]+)"/.exec(list)[1]);
    await withBook(book, {}, async (context, server) => {
      const { page, messages } = await web.openBook(context, server.url + "index.html");
      const st = await web.waitState(page, (s) => settledAt(1)(s) && s.loaded.includes(3), 30000, "pages 1 to 3 loaded");
      if (!messages.some((m) => /Used renderer: canvas/.test(m))) {
        web.skip("the runtime draws into bitmaps here, so pages are whole pictures");
      }
      web.assert(st.hiddenTexts === 0, "texts hidden at rest: " + st.hiddenTexts);
      const stage = await page.evaluate(() => {
        const r = document.getElementById("player").getBoundingClientRect();
        return { x: r.left, y: r.top, w: r.width, h: r.height };
      });
      const b = web.bookBox(stage.w, stage.h, sheetW, sheetH, false);
      // The corner lifted a little: page 3 underneath shows only near that
      // corner, away from its lines of text at the top.
      const x0 = stage.x + b.spine + b.width - 4, y0 = stage.y + b.top + b.height - 4;
      await page.mouse.move(x0, y0);
      await page.mouse.down();
      for (let i = 1; i <= 6; i++) await page.mouse.move(x0 - (b.width * 0.3 * i) / 6, y0 - (b.height * 0.05 * i) / 6);
      const held = await web.waitState(page, (s) => s.turning && s.hiddenTexts > 0, 10000, "texts left out while the corner is held");
      await page.mouse.up();
      const back = await web.waitState(page, (s) => settledAt(1)(s), 10000, "the page laid back");
      web.assert(back.hiddenTexts === 0, "texts still hidden at rest: " + back.hiddenTexts);
      console.log(`     ${held.hiddenTexts} texts left out during the turn`);
    });
  }],

  ["the keyboard: Tab walks every control and no link of the hidden text, focus shows, the keys list opens with ?, turns are announced", async () => {
    await withBook(book, {}, async (context, server) => {
      const { page } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, (s) => settledAt(1)(s) && s.outline > 0 && s.thumbnails > 0, 30000, "page 1 with its panels");
      await page.waitForFunction(() => document.activeElement && document.activeElement.id === "player");
      // Round the page once: from the book through the search to the buttons and back.
      const stops = [];
      for (let i = 0; i < 30; i++) {
        await page.keyboard.press("Tab");
        const at = await page.evaluate(() => {
          const a = document.activeElement;
          return a.id || a.dataset.command || a.dataset.pageCommand || (a.closest("#book-text") ? "text:" + a.tagName : a.tagName);
        });
        if (at !== "BODY") stops.push(at);  // the window's own stop, between the page's last and first
        if (at === "player") break;
      }
      web.assert(JSON.stringify(stops) === JSON.stringify(["search-box", "BUTTON", "thumbnails", "outline", "first", "previous",
        "next", "last", "zoomin", "zoomout", "fullscreen", "keys", "player"]), "Tab stops: " + stops.join(" "));
      await page.keyboard.press("Shift+Tab");
      const focused = await page.evaluate(() => {
        const a = document.activeElement, s = getComputedStyle(a), box = a.getBoundingClientRect();
        return { command: a.dataset.pageCommand, outline: s.outlineStyle, width: s.outlineWidth, top: box.top };
      });
      web.assert(focused.command === "keys" && focused.outline === "solid" && focused.width === "3px" && focused.top >= 0,
        "focus not shown: " + JSON.stringify(focused));
      // The zoom and the outline answer their buttons.
      await page.focus('[data-command="zoomin"]');
      await page.keyboard.press("Enter");
      await web.waitState(page, (s) => s.zoom === 1 && s.settled, 10000, "zoomed in by its button");
      await page.focus('[data-command="zoomout"]');
      await page.keyboard.press("Enter");
      await page.focus('[data-command="outline"]');
      await page.keyboard.press("Enter");
      await web.waitState(page, (s) => s.zoom === 0 && s.outlineOpen, 10000, "zoomed out, the outline open");
      await page.evaluate(() => window.leafweaver.perform("outline"));
      await web.waitState(page, (s) => !s.outlineOpen, 10000, "the outline closed");
      // "?" lists the keys; Escape closes the list and gives the focus back.
      await page.focus("#player");
      await page.keyboard.press("?");
      await page.waitForFunction(() => document.getElementById("key-help").open && document.getElementById("key-help").contains(document.activeElement));
      await page.keyboard.press("Escape");
      await page.waitForFunction(() => !document.getElementById("key-help").open && document.activeElement.id === "player");
      // A turn is announced in the page's live region.
      web.assert(await page.$eval("#page-status", (e) => e.textContent) === "Page 1 of 60", "status at the start");
      await page.keyboard.press("ArrowRight");
      await page.waitForFunction(() => document.getElementById("page-status").textContent === "Pages 2\u20133 of 60");
      web.assert(await page.$eval("#page-status", (e) => e.getAttribute("aria-live")) === "polite", "not a polite live region");
    });
  }],

  ["full screen holds the whole page, from the page's button and from the player's", async () => {
    await withBook(book, {}, async (context, server) => {
      const { page } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, settledAt(1), 30000, "page 1 drawn");
      const full = () => page.waitForFunction(() => document.fullscreenElement === document.documentElement, null, { timeout: 5000 })
        .then(() => true, () => false);
      await page.focus('[data-page-command="fullscreen"]');
      await page.keyboard.press("Enter");
      if (!(await full())) web.skip("this Chromium refuses full screen");
      await page.evaluate(() => document.exitFullscreen());
      await page.waitForFunction(() => !document.fullscreenElement);
      const at = web.panelPoint(1100, 760, "fullscreen");
      await page.mouse.click(at.x, at.y);
      web.assert(await full(), "the player's button put something else in full screen");
      web.assert(await page.evaluate(() => getComputedStyle(document.getElementById("search")).display) !== "none", "no search in full screen");
    });
  }],

  ["the search box shows its whole placeholder and keeps clear of the player's buttons, from a phone to a wide window", async () => {
    await withBook(book, {}, async (context, server) => {
      const { page } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, settledAt(1), 30000, "page 1 drawn");
      // The columns of `img` (inside a margin of `m` pixels) holding ink:
      // the placeholder's letters on white.
      const inkWidth = (img, m) => {
        let left = -1, right = -1;
        for (let x = m; x < img.width - m; x++) {
          for (let y = m; y < img.height - m; y++) {
            const [r, g, bl] = img.px(x, y);
            if (r + g + bl < 3 * 200) {
              if (left < 0) left = x;
              right = x;
              break;
            }
          }
        }
        return left < 0 ? 0 : right - left + 1;
      };
      // The placeholder as a line of its own, in the box's font and colour.
      await page.evaluate(() => {
        const input = document.getElementById("search-box"), s = getComputedStyle(input, "::placeholder");
        const line = document.createElement("span");
        line.id = "placeholder-line";
        line.textContent = input.placeholder;
        Object.assign(line.style, { position: "fixed", left: "0", top: "50%", zIndex: 9, padding: "4px", whiteSpace: "pre",
          background: "#fff", font: getComputedStyle(input).font, color: s.color });
        document.body.appendChild(line);
      });
      // A phone, the program's preview, the narrowest window with the search
      // in the bar, a wide window.
      for (const [w, h] of [[360, 640], [725, 534], [821, 600], [1100, 760]]) {
        await page.setViewportSize({ width: w, height: h });
        await page.waitForFunction((width) => window.innerWidth === width, w);
        await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
        const box = await page.evaluate(() => {
          const input = document.getElementById("search-box"), s = getComputedStyle(input);
          const measure = document.createElement("canvas").getContext("2d");
          measure.font = s.font;
          const r = document.getElementById("search").getBoundingClientRect();
          return {
            text: measure.measureText(input.placeholder).width,
            room: input.clientWidth - parseFloat(s.paddingLeft) - parseFloat(s.paddingRight),
            left: r.left, right: r.right, top: r.top, bottom: r.bottom,
            overflow: document.documentElement.scrollWidth - window.innerWidth,
          };
        });
        const at = `${w} x ${h}: ${JSON.stringify(box)}`;
        web.assert(box.room >= box.text, "the placeholder is cut at " + at);
        // As drawn: the letters in the box as wide as on a line of their own.
        const drawn = inkWidth(web.decodePng(await page.locator("#search-box").screenshot()), 3);
        const whole = inkWidth(web.decodePng(await page.locator("#placeholder-line").screenshot()), 0);
        // A text field may draw the letters a few pixels narrower than a line of
        // its own does (Noto Sans: 5 of 111); a letter cut off loses more.
        web.assert(whole > 60 && drawn <= whole + 1 && drawn >= whole - 6, `the placeholder drawn ${drawn} of ${whole} pixels at ` + at);
        web.assert(box.left >= 0 && box.right <= w && box.top >= 0 && box.bottom <= h && box.overflow <= 0, "outside the window at " + at);
        const rowLeft = web.panelPoint(w, h, "first").x - 14;
        if (box.bottom > h - 40) {
          web.assert(w > 820 && box.right <= rowLeft - 8, "over the player's buttons at " + at);
        } else {
          web.assert(w <= 820 && box.bottom <= 12 + 40, "neither in the bar nor above the book at " + at);
          if (w <= 640) web.assert(box.right - box.left >= w - 16 - 1, "not across the phone at " + at);
        }
      }
    });
  }],

  ["without WebAssembly the page shows the text and the first page's picture", async () => {
    await withBook(book, { args: ["--js-flags=--noexpose_wasm"] }, async (context, server) => {
      // Debian's Chromium keeps WebAssembly despite the flag; the page then
      // loses it before any of its scripts run, as in a browser without it.
      // A browser that old cannot unpack the stored text either: the search
      // then reads the text of the page.
      await context.addInitScript(() => { delete globalThis.WebAssembly; delete globalThis.DecompressionStream; });
      const { page } = await web.openBook(context, server.url + "index.html#page=" + TARGET);
      if (await page.evaluate(() => typeof WebAssembly !== "undefined")) {
        web.skip("WebAssembly could not be taken away in this Chromium");
      }
      web.assert(await page.evaluate(() => typeof DecompressionStream === "undefined"), "DecompressionStream stayed");
      await page.waitForSelector("html.no-player");
      const seen = await page.evaluate((n) => {
        const text = document.getElementById("book-text").getBoundingClientRect();
        const section = document.getElementById("page-" + n);
        return { width: text.width, height: text.height, inner: section.innerText, player: !!document.getElementById("player") };
      }, TARGET);
      web.assert(seen.width > 400 && seen.height > 2000, "the text is not shown: " + JSON.stringify(seen));
      web.assert(seen.inner.includes(SENTENCE), "page 37's text is not shown");
      web.assert(!seen.player, "a player was made");
      // The address's page is in sight.
      await page.waitForFunction((n) => Math.abs(document.getElementById("page-" + n).getBoundingClientRect().top) < 5, TARGET);
      await page.evaluate(() => window.scrollTo(0, 0));
      await page.waitForFunction(() => {
        const img = document.querySelector("#page-1 img");
        return img && img.complete && img.naturalWidth > 0 && img.getBoundingClientRect().width > 200;
      });
      // Search still works and scrolls to the page.
      await page.fill("#search-box", WORD);
      await page.press("#search-box", "Enter");
      await page.waitForSelector("#search-results li button");
      const listed = await page.$$eval("#search-results li button", (bs) => bs.map((b) => b.textContent));
      web.assert(listed.length === 1 && listed[0].includes("Page 37") && listed[0].includes("Bring the marmalade"),
        "results without the player: " + JSON.stringify(listed));
      await page.click("#search-results li button");
      await page.waitForFunction((n) => {
        const r = document.getElementById("page-" + n).getBoundingClientRect();
        return r.top > -5 && r.top < 50;
      }, TARGET);
      if (axePath) {
        const bad = (await audit(page)).filter((v) => v.impact === "serious" || v.impact === "critical");
        web.assert(bad.length === 0, "axe without the player: " + JSON.stringify(bad));
      }
    });
  }],

  ["a book opened from a disk searches the text of its page", async () => {
    await withBook(book, {}, async (context) => {
      const page = await context.newPage();
      await page.goto("file://" + path.join(book, "index.html"));
      await page.fill("#search-box", WORD);
      await page.press("#search-box", "Enter");
      await page.waitForSelector("#search-results li button, #search-results p");
      const said = await page.$eval("#search-results", (r) => r.textContent);
      web.assert(said.includes("Page 37") && said.includes("marmalade"), "from the disk: " + said);
    });
  }],

  ["a scanned book shows each page as a picture without the player, in the language its PDF names", async () => {
    const pdf = path.join(web.tempDir("lw-booktext-scan-"), "scan.pdf");
    makeScan(pdf);
    const scan = publish(pdf, "Scanned letters");
    const html = fs.readFileSync(path.join(scan, "index.html"), "utf8");
    web.assert(html.includes('<html lang="de-DE" dir="ltr">'), "language: " + /<html[^>]*>/.exec(html));
    web.assert((html.match(/<img class="page-image" src="[^"]+" alt="Page \d" width="\d+" height="\d+" loading="lazy">/g) || []).length === 7,
      "not a picture for every page: " + (html.match(/<img[^>]*>/g) || []).join(" "));
    const pictures = fs.readdirSync(path.join(scan, "source", "pictures"));
    console.log(`     pictures of pages 6 and 7: ${pictures.join(", ")}, ${folderBytes(path.join(scan, "source", "pictures"))} bytes`);
    await withBook(scan, { args: ["--js-flags=--noexpose_wasm"] }, async (context, server) => {
      await context.addInitScript(() => { delete globalThis.WebAssembly; });
      const { page } = await web.openBook(context, server.url + "index.html#page=7");
      if (await page.evaluate(() => typeof WebAssembly !== "undefined")) web.skip("WebAssembly could not be taken away in this Chromium");
      await page.waitForFunction(() => {
        const img = document.querySelector("#page-7 img");
        return img && img.complete && img.naturalWidth >= 700 && img.getBoundingClientRect().top < innerHeight;
      });
      web.assert(await page.$eval("#page-7 img", (i) => i.alt) === "Page 7", "the picture's text");
    });
  }],

  // As many pages as a real manual with LW_MANUAL_PAGES=300 (some ten minutes); 40 by default
  // show each page's landmarks, headings, pictures and links as well.
  [`axe-core finds no moderate or worse violation in a ${MANUAL_PAGES}-page manual, with the player or without`, async () => {
    if (!axePath) web.skip("axe-core is not installed (npm ci)");
    const pdf = path.join(web.tempDir("lw-booktext-manual-"), "manual.pdf");
    execFileSync("/usr/bin/python3", [path.join(__dirname, "..", "..", "bench", "web", "make_manual.py"), pdf, String(MANUAL_PAGES)]);
    const manual = publish(pdf, "Settings manual");
    const pictures = fs.readdirSync(path.join(manual, "source", "pictures")).length;
    console.log(`     ${MANUAL_PAGES} pages: ${pictures} pictures, ${folderBytes(path.join(manual, "source", "pictures"))} bytes; ` +
      `book without the runtime ${folderBytes(manual) - folderBytes(path.join(manual, "ruffle"))} bytes`);
    web.assert(pictures === MANUAL_PAGES - 5, "pictures written: " + pictures);
    for (const args of [[], ["--js-flags=--noexpose_wasm"]]) {
      await withBook(manual, { args }, async (context, server) => {
        if (args.length) await context.addInitScript(() => { delete globalThis.WebAssembly; });
        const { page } = await web.openBook(context, server.url + "index.html");
        if (args.length) await page.waitForSelector("html.no-player");
        else await web.waitState(page, settledAt(1), 60000, "page 1 drawn");
        const bad = (await audit(page)).filter((v) => v.impact !== "minor");
        web.assert(bad.length === 0, (args.length ? "without" : "with") + " the player: " + JSON.stringify(bad));
      });
    }
  }],

  ["axe-core finds no serious or critical violations in the book with its player", async () => {
    if (!axePath) {
      web.skip("axe-core is not installed (npm ci)");
    }
    await withBook(book, {}, async (context, server) => {
      const { page } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, settledAt(1), 30000, "page 1 drawn");
      await page.fill("#search-box", WORD);
      await page.press("#search-box", "Enter");
      await page.waitForSelector("#search-results li button");
      const violations = await audit(page);
      console.log(`     axe: ${violations.length ? JSON.stringify(violations) : "no violations"}`);
      const bad = violations.filter((v) => v.impact === "serious" || v.impact === "critical");
      web.assert(bad.length === 0, "serious or critical: " + JSON.stringify(bad));
    });
  }],
]);
