"use strict";
// A published book read in Firefox ESR (headless) or WebKitGTK (MiniBrowser
// on the display), served over loopback: the poster then the player, turns
// by key, corner click and drag, search with its highlight, the outline, the
// thumbnails, a page in the address, a right-to-left book, and the text view
// without WebAssembly or where the runtime fails as it starts. WebKit runs
// under the "C" locale, as a bare system names its language, and on software
// GL, where the 2D canvas must draw.
// Usage: node engines.test.js <program folder> <artefact folder> firefox|webkit|chromium
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const zlib = require("zlib");
const web = require("./support.js");
const engines = require("./engines.js");
const search = require("../../data/Resource/source/search.js");

const prog = path.resolve(web.programDir());
const artefacts = process.argv[3] || web.tempDir("lw-engines-shots-");
const engine = process.argv[4] || "firefox";
fs.mkdirSync(artefacts, { recursive: true });
const absent = engines.missing(engine);
if (absent) {
  console.log("skip: " + absent);
  process.exit(77);
}
web.requireReportlab();

const PAGES = 12, TARGET = 7, WORD = "marmalade";
const MARKS = [["Opening", 1], ["Harbour", 3], ["Tides", 5], ["Lighthouse", 9]];

// A4 pages, each with its heading and lines of text; bookmarks MARKS
// ([title, page]); page TARGET alone holds WORD.
function makePdf(file) {
  execFileSync("/usr/bin/python3", ["-c", `
import json, sys
from reportlab.lib.pagesizes import A4
from reportlab.pdfgen import canvas
out, pages, target, word, marks = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], json.loads(sys.argv[5])
c = canvas.Canvas(out, pagesize=A4)
w, h = A4
for p in range(1, pages + 1):
    c.setFont("Helvetica-Bold", 40)
    c.drawString(72, h - 120, "Chapter %d" % p)
    c.bookmarkPage("p%d" % p)
    for title, page in marks:
        if page == p:
            c.addOutlineEntry(title, "p%d" % p, level=0)
    c.setFont("Helvetica", 14)
    for line in range(12):
        c.drawString(72, h - 200 - 22 * line, "Line %d of page %d keeps the tide tables." % (line + 1, p))
    if p == target:
        c.drawString(72, h - 480, "Bring the %s to the harbour." % word)
    c.showPage()
c.save()
`, file, String(PAGES), String(TARGET), WORD, JSON.stringify(MARKS.map(([t, p]) => [t, p]))]);
}

const src = web.tempDir("lw-engines-src-"), home = web.tempDir("lw-engines-home-");
function publish(extra, out) {
  const printed = execFileSync(path.join(prog, "leafweaver-publish"), ["book.pdf", "-q", "-o", path.join(src, out), ...extra],
    { cwd: src, encoding: "utf8", env: { ...process.env, XDG_DATA_HOME: home, QT_QPA_PLATFORM: "offscreen" } });
  return printed.trim().split("\n").pop();
}

let browser, server, rtlServer, book, page;

// The page and the player: where the stage lies in the window, and the
// book's box on it for the book's sheet size.
async function bookOnScreen(p, st) {
  const stage = await p.evaluate(() => {
    const r = document.getElementById("player").getBoundingClientRect();
    return { x: r.left, y: r.top, w: r.width, h: r.height };
  });
  const list = fs.readFileSync(path.join(book, "source", "Pages.xml"), "utf8");
  const sheet = { w: Number(/ width="([\d.]+)"/.exec(list)[1]), h: Number(/ height="([\d.]+)"/.exec(list)[1]) };
  return { stage, sheet, ...web.bookBox(stage.w, stage.h, sheet.w, sheet.h, st.single) };
}

// Waits until the book rests showing exactly `pages`, left to right; a
// player starting gets a minute (WebKit compiles the runtime on a busy machine).
const rests = (p, pages, what, ms = 20000) => web.waitState(p, (s) => s.ready && !s.turning && s.settled &&
  JSON.stringify(s.visible) === JSON.stringify(pages), ms, what + " to show " + pages.join("-"));
const START_MS = 60000;

// Clicks the player's panel control `name` where the player says it lies.
async function clickControl(p, name) {
  const st = await web.state(p);
  const c = st.controls.shown.find((b) => b.name === name);
  web.assert(c, `no ${name} button among ${st.controls.shown.map((b) => b.name)}`);
  const { stage } = await bookOnScreen(p, st);
  await p.mouse.click(stage.x + c.x + c.w / 2, stage.y + c.y + c.h / 2);
}

const yellow = web.yellowShare;

const realErrors = (p) => p.errors.filter((e) => !/Failed to load resource|404|outline\.json|links\.json/.test(e));

web.runCases([
  [`${engine}: the poster shows at once, then the player takes over at page 1 on the 2D canvas`, async () => {
    makePdf(path.join(src, "book.pdf"));
    book = publish([], "ltr");
    server = await web.serve(book);
    // WebKit as started from a bare system: under the "C" locale.
    const env = engine === "webkit" ? { LANG: "C.UTF-8", LC_ALL: "C.UTF-8", LANGUAGE: "" } : {};
    browser = await engines.launch(engine, undefined, { env });
    console.log(`     ${engine} ${browser.version}`);
    page = await browser.newPage();
    await page.goto(server.url + "index.html");
    const first = await page.waitForFunction(() => document.querySelector("#first-view.drawn") &&
      { ready: window.leafweaver.events.some((e) => e.name === "ready") }, undefined, { timeout: 15000 });
    web.assert(!first.ready, "the player was ready before the poster showed");
    const st = await rests(page, [1], "the player", START_MS);
    await page.waitForFunction(() => !document.getElementById("first-view"), undefined, { timeout: 10000 });
    const b = await bookOnScreen(page, st);
    const img = await web.shot(page, path.join(artefacts, `${engine}-page1.png`));
    const right = { x0: b.stage.x + b.spine + b.width * 0.1, x1: b.stage.x + b.spine + b.width * 0.9,
      y0: b.stage.y + b.top + b.height * 0.8, y1: b.stage.y + b.top + b.height * 0.95 };
    web.assert(web.shareNear(img, right, [255, 255, 255], 20) > 0.9, "page 1's paper is not drawn right of the spine");
    // No graphics card here: WebGL is emulated, so the canvas draws.
    const renderer = await page.evaluate(() => window.leafweaver.renderer());
    web.assert(renderer === "canvas", "renderer " + renderer);
    if (engine === "webkit") {
      const own = await page.evaluate(() => Object.getOwnPropertyDescriptor(Navigator.prototype, "language").get.call(navigator));
      web.assert(own === "C", "WebKit's own language is " + own + ", not the C locale's");
    }
  }],
  [`${engine}: keys, a click on the corner and a drag turn, through the whole book and back`, async () => {
    for (const [key, want] of [["ArrowRight", [2, 3]], ["End", [12]], ["Home", [1]]]) {
      await page.keyboard.press(key);
      await rests(page, want, key);
    }
    const b = await bookOnScreen(page, await web.state(page));
    const corner = { x: b.stage.x + b.spine + b.width - 8, y: b.stage.y + b.top + b.height - 8 };
    await page.mouse.click(corner.x, corner.y);
    await rests(page, [2, 3], "a click on the corner");
    await page.drag(corner.x + 2, corner.y + 2, b.stage.x + b.spine - b.width * 0.8, corner.y - 10);
    await rests(page, [4, 5], "a drag");
    // Every spread once, one after the other: the renderer keeps up with a real book.
    for (let n = 6; n <= PAGES; n += 2) {
      await page.keyboard.press("PageDown");
      await rests(page, n < PAGES ? [n, n + 1] : [n], "PageDown");
    }
    await page.keyboard.press("Home");
    await rests(page, [1], "Home");
    web.assert(realErrors(page).length === 0, "console errors: " + realErrors(page).join("; "));
  }],
  [`${engine}: search lists page 7 and turns there with the word highlighted on the page`, async () => {
    await page.typeInto("#search-box", WORD);
    await page.keyboard.press("Enter");
    await page.waitForFunction(() => document.querySelectorAll("#search-results li button").length === 1);
    await page.clickOn("#search-results li button");
    const st = await web.waitState(page, (s) => s.ready && s.settled && !s.turning && s.visible.includes(TARGET) &&
      s.highlight === TARGET && s.highlightBoxes === 1, 20000, "page 7 highlighted");
    // The word's place on page 7, right of the spine, with the content fitted on the sheet.
    const text = JSON.parse(zlib.gunzipSync(fs.readFileSync(path.join(book, "source", "text.json.gz"))).toString("utf8"));
    const [bx, by, bw, bh] = new search.BookIndex(text).boxes(TARGET, WORD)[0];
    const [cw0, ch0] = text.pages[TARGET - 1];
    const b = await bookOnScreen(page, st);
    const fit = Math.min(b.sheet.w / cw0, b.sheet.h / ch0);
    const cx = b.stage.x + b.spine + (b.sheet.w - cw0 * fit) / 2 * b.scale, cy = b.stage.y + b.top + (b.sheet.h - ch0 * fit) / 2 * b.scale;
    const cw = cw0 * fit * b.scale, ch = ch0 * fit * b.scale;
    const word = { x0: cx + bx * cw + 1, x1: cx + (bx + bw) * cw - 1, y0: cy + by * ch + 1, y1: cy + (by + bh) * ch - 1 };
    const above = { ...word, y0: word.y0 - 3 * (word.y1 - word.y0), y1: word.y1 - 3 * (word.y1 - word.y0) };
    // The player draws the highlight at its next frame: shot after shot until it shows.
    const img = await engines.poll(async () => {
      const i = web.decodePng(await page.screenshot());
      return yellow(i, word) > 0.7 && i;
    }, 15000, "the highlight on the word");
    fs.writeFileSync(path.join(artefacts, `${engine}-highlight.png`), await page.screenshot());
    web.assert(yellow(img, above) < 0.05, "yellow above the word: " + yellow(img, above));
    await page.evaluate(() => document.getElementById("search-box").focus());
    await page.keyboard.press("Escape");
    await web.waitState(page, (s) => s.highlight === 0, 10000, "no highlight after Escape");
  }],
  [`${engine}: the outline's entry and the thumbnails' picture turn to their pages`, async () => {
    await web.waitState(page, (s) => s.outline === MARKS.length && s.thumbnails === PAGES, 10000, "outline and thumbnails");
    await page.evaluate(() => document.getElementById("player").focus());
    await clickControl(page, "contents");
    const st = await web.waitState(page, (s) => s.outlineOpen, 10000, "the open outline");
    // The outline's rows from the top of the book's area (OutlinePanel: 26 pixels a row below an 8-pixel band).
    const { stage } = await bookOnScreen(page, st);
    await page.mouse.click(stage.x + 132, stage.y + 12 + 8 + 26 * 3 + 13);
    await rests(page, [8, 9], "the outline's fourth entry");
    await clickControl(page, "thumbnails");
    await web.waitState(page, (s) => s.thumbnailsOpen && s.thumbnailSelected > 0, 10000, "the open thumbnails");
    const from = (await web.state(page)).thumbnailSelected;
    await page.keyboard.press("ArrowRight");
    await page.keyboard.press("ArrowRight");
    await web.waitState(page, (s) => s.thumbnailSelected === from + 2, 10000, "the keys moving in the thumbnails");
    await page.keyboard.press("Enter");
    await web.waitState(page, (s) => !s.thumbnailsOpen && s.visible.includes(from + 2) && !s.turning && s.settled, 15000,
      "page " + (from + 2));
  }],
  [`${engine}: #page=8 opens at page 8 and a turn shows its page in the address`, async () => {
    await page.goto(server.url + "index.html#page=8");
    await rests(page, [8, 9], "the address's page", START_MS);
    await page.keyboard.press("ArrowRight");
    await rests(page, [10, 11], "ArrowRight");
    await page.waitForFunction(() => location.hash === "#page=10", undefined, { timeout: 10000 });
  }],
  [`${engine}: a right-to-left book opens with page 1 left of the spine and ArrowLeft goes on`, async () => {
    const rtl = publish(["--rtl"], "rtl");
    rtlServer = await web.serve(rtl);
    await page.goto(rtlServer.url + "index.html");
    const st = await rests(page, [1], "the right-to-left book", START_MS);
    web.assert(st.rtl === true && st.left === 1 && st.right === 0, "page 1 not on the left: " + JSON.stringify(st));
    await page.keyboard.press("ArrowLeft");
    const st2 = await rests(page, [3, 2], "ArrowLeft");
    web.assert(st2.left === 3 && st2.right === 2, "spread not mirrored: " + JSON.stringify(st2));
    await page.screenshot({ path: path.join(artefacts, `${engine}-rtl.png`) });
  }],
  [`${engine}: without WebAssembly the page shows the text and the pictures, and search scrolls to page 7`, async () => {
    // The book's page with WebAssembly taken away before its scripts run.
    const html = fs.readFileSync(path.join(book, "index.html"), "utf8");
    fs.writeFileSync(path.join(book, "nowasm.html"), html.replace("<head>", "<head><script>delete window.WebAssembly;</script>"));
    await page.goto(server.url + "nowasm.html");
    await page.waitForFunction(() => document.documentElement.classList.contains("no-player"), undefined, { timeout: 15000 });
    const seen = await page.evaluate((n) => ({ text: document.getElementById("page-" + n).innerText,
      player: !!document.getElementById("player"), wasm: typeof WebAssembly }), TARGET);
    web.assert(seen.wasm === "undefined" && !seen.player, "a player without WebAssembly: " + JSON.stringify(seen));
    web.assert(seen.text.includes(`Bring the ${WORD} to the harbour.`), "page 7's text is not shown");
    await page.waitForFunction(() => {
      const img = document.querySelector("#page-1 img");
      return img && img.complete && img.naturalWidth > 0 && img.getBoundingClientRect().width > 200;
    }, undefined, { timeout: 10000 });
    await page.typeInto("#search-box", WORD);
    await page.keyboard.press("Enter");
    await page.waitForFunction(() => document.querySelectorAll("#search-results li button").length === 1);
    await page.clickOn("#search-results li button");
    await page.waitForFunction((n) => {
      const r = document.getElementById("page-" + n).getBoundingClientRect();
      return r.top > -5 && r.top < 50;
    }, TARGET, { timeout: 10000 });
    await page.screenshot({ path: path.join(artefacts, `${engine}-no-player.png`) });
  }],
  [`${engine}: a book published to open from a disk plays from file://, its text searched`, async () => {
    const disk = publish(["--portable"], "disk");
    const p = await engines.openFromDisk(browser, disk, "#page=4");
    await rests(p, [4, 5], "the book from the disk", START_MS);
    await p.keyboard.press("ArrowRight");
    await rests(p, [6, 7], "a turn from the disk");
    const found = await p.evaluate((w) => window.leafweaver.search(w).then((f) => f && f.map((x) => x.page)), WORD);
    web.assert(JSON.stringify(found) === JSON.stringify([TARGET]), "search from the disk found " + JSON.stringify(found));
    web.assert(realErrors(p).length === 0, "console errors: " + realErrors(p).join("; "));
    await p.close();
  }],
  [`${engine}: a runtime that fails as it starts (a language tag it cannot take) leaves the book's text, not the poster`, async () => {
    // The language fixed at "C" before the page's scripts run: the page cannot mend it, the runtime throws.
    const html = fs.readFileSync(path.join(book, "index.html"), "utf8");
    fs.writeFileSync(path.join(book, "clocale.html"), html.replace("<head>",
      '<head><script>Object.defineProperty(navigator, "language", { value: "C" });' +
      'Object.defineProperty(navigator, "languages", { value: ["C"] });</script>'));
    await page.goto(server.url + "clocale.html");
    await page.waitForFunction(() => document.documentElement.classList.contains("no-player") &&
      !document.getElementById("first-view"), undefined, { timeout: START_MS });
  }],
]).finally(async () => {
  if (browser) await browser.close();
  if (server) await server.close();
  if (rtlServer) await rtlServer.close();
  web.removeTree(src);
  web.removeTree(home);
});
