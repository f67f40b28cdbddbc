"use strict";
// The outline of a book published from a PDF with bookmarks, in headless
// Chromium over loopback: the bookmarks' pages follow the page range, the
// outline opens from its button and an entry turns to its page.
// Usage: node outline.test.js <program folder> <artefact folder>
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const web = require("./support.js");

const prog = path.resolve(web.programDir());
const artefacts = process.argv[3] || web.tempDir("lw-outline-shots-");
fs.mkdirSync(artefacts, { recursive: true });

const haveReportlab = (() => {
  try {
    execFileSync("/usr/bin/python3", ["-c", "import reportlab"], { stdio: "ignore" });
    return true;
  } catch (e) {
    return false;
  }
})();
if (!haveReportlab) {
  console.log("skip: reportlab for /usr/bin/python3 is not installed");
  process.exit(77);
}

// A PDF of `count` pages, each with its number, and bookmarks
// [title, level, page] (pages from 1).
function makePdf(file, count, marks) {
  execFileSync("/usr/bin/python3", ["-c", `
import json, sys
from reportlab.pdfgen import canvas
from reportlab.lib.pagesizes import A4
out, count, marks = sys.argv[1], int(sys.argv[2]), json.loads(sys.argv[3])
c = canvas.Canvas(out, pagesize=A4)
for n in range(1, count + 1):
    c.setFont("Helvetica-Bold", 96)
    c.drawCentredString(A4[0] / 2, A4[1] / 2, str(n))
    c.bookmarkPage("p%d" % n)
    for i, (title, level, page) in enumerate(marks):
        if page == n:
            c.addOutlineEntry(title, "p%d" % n, level=level)
    c.showPage()
c.save()
`, file, String(count), JSON.stringify(marks)]);
}

// Publishes `args` with the program folder's leafweaver-publish; resolves to the book's folder.
function publish(args, cwd, home) {
  const out = execFileSync(path.join(prog, "leafweaver-publish"), args.concat(["-q"]),
    { cwd, env: { ...process.env, XDG_DATA_HOME: home, QT_QPA_PLATFORM: "offscreen" } });
  return String(out).trim();
}

async function withPublished(args, files, check) {
  const src = web.tempDir("lw-outline-src-"), home = web.tempDir("lw-outline-home-");
  try {
    files(src);
    const root = publish(args.concat(["-o", path.join(src, "out")]), src, home);
    const server = await web.serve(root);
    const browser = await web.launch();
    try {
      await check(root, browser, server);
    } finally {
      await browser.close();
      await server.close();
    }
  } finally {
    web.removeTree(src);
    web.removeTree(home);
  }
}

// Where the player draws the outline's button and its rows (Panel, OutlinePanel, Main's margin).
const contentsButton = { x: 8 + 14, y: 700 - 20 };
const row = (i) => ({ x: 12 + 120, y: 12 + 8 + 26 * i + 13 });

web.runCases([
  ["a PDF's bookmarks become the outline; choosing an entry turns there", async () => {
    const marks = [["Preface", 0, 2], ["Chapter One", 0, 3], ["Section 1.1", 1, 5], ["Chapter Two", 0, 10]];
    await withPublished(["book.pdf", "--pages", "1,3-12"], (src) => makePdf(path.join(src, "book.pdf"), 12, marks),
      async (root, browser, server) => {
        // The bookmark of the left-out page 2 is gone; the others follow the range.
        const outline = JSON.parse(fs.readFileSync(path.join(root, "source", "outline.json"), "utf8"));
        web.assert(JSON.stringify(outline.map((e) => [e.title, e.level, e.page])) ===
          JSON.stringify([["Chapter One", 0, 2], ["Section 1.1", 1, 4], ["Chapter Two", 0, 9]]),
          "outline.json: " + JSON.stringify(outline));
        const { page, errors } = await web.openBook(browser.context, server.url + "index.html");
        await web.waitState(page, (s) => s.ready && s.outline === 3 && s.settled, 30000, "the outline");
        await page.mouse.click(contentsButton.x, contentsButton.y);
        await web.waitState(page, (s) => s.outlineOpen, 10000, "the open outline");
        // The list is drawn over the book: its rows wait for a frame.
        await page.waitForFunction(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true)))));
        await page.screenshot({ path: path.join(artefacts, "outline.png") });
        await page.mouse.click(row(2).x, row(2).y);
        const st = await web.waitState(page, (s) => !s.outlineOpen && s.visible.includes(9) && !s.turning && s.settled,
          15000, "Chapter Two's page");
        web.assert(JSON.stringify(st.visible) === "[8,9]", "visible " + st.visible);
        await page.mouse.click(contentsButton.x, contentsButton.y);
        await web.waitState(page, (s) => s.outlineOpen, 10000, "the outline again");
        await page.mouse.click(row(1).x, row(1).y);
        await web.waitState(page, (s) => !s.outlineOpen && s.visible.includes(4) && !s.turning, 15000, "Section 1.1's page");
        const real = errors.filter((e) => !/Failed to load resource/.test(e));
        web.assert(real.length === 0, "console errors: " + real.join("; "));
      });
  }],
  ["a book without bookmarks has no outline and no button", async () => {
    await withPublished(["plain.pdf"], (src) => makePdf(path.join(src, "plain.pdf"), 3, []),
      async (root, browser, server) => {
        web.assert(!fs.existsSync(path.join(root, "source", "outline.json")), "an outline.json without bookmarks");
        const { page } = await web.openBook(browser.context, server.url + "index.html");
        await page.waitForFunction(() => (window.leafweaverEvents || []).some((e) => e.name === "outline"),
          null, { timeout: 30000 });
        const st = await web.state(page);
        web.assert(st.outline === 0 && !st.outlineOpen, "state " + JSON.stringify(st));
      });
  }],
]);
