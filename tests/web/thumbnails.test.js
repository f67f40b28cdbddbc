"use strict";
// The thumbnails of a book published from a PDF, in headless Chromium over
// loopback: no sheet is asked for before the panel opens, opening shows the
// pictures of the pages in view and scrolling loads the next sheet, a click
// on page N's picture turns to N, the keys move and choose, a right-to-left
// book's grid runs from the right, and a book without thumbnails has no
// button.
// Usage: node thumbnails.test.js <program folder> <artefact folder>
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const web = require("./support.js");

const prog = path.resolve(web.programDir());
const artefacts = process.argv[3] || web.tempDir("lw-thumbnails-shots-");
fs.mkdirSync(artefacts, { recursive: true });
web.requireReportlab();

// A PDF of `count` A4 pages, each with its number and a band whose colour
// changes with the page.
function makePdf(file, count) {
  execFileSync("/usr/bin/python3", ["-c", `
import sys
from reportlab.pdfgen import canvas
from reportlab.lib.pagesizes import A4
out, count = sys.argv[1], int(sys.argv[2])
c = canvas.Canvas(out, pagesize=A4)
for n in range(1, count + 1):
    c.setFillColorRGB((n * 37 % 255) / 255.0, (n * 91 % 255) / 255.0, 0.6)
    c.rect(0, A4[1] / 2, A4[0], A4[1] / 2, fill=1, stroke=0)
    c.setFillColorRGB(0, 0, 0)
    c.setFont("Helvetica-Bold", 120)
    c.drawCentredString(A4[0] / 2, A4[1] / 4, str(n))
    c.showPage()
c.save()
`, file, String(count)]);
}

function publish(args, cwd, home) {
  const out = execFileSync(path.join(prog, "leafweaver-publish"), args.concat(["-q"]),
    { cwd, env: { ...process.env, XDG_DATA_HOME: home, QT_QPA_PLATFORM: "offscreen" } });
  return String(out).trim();
}

async function withPublished(count, extra, check) {
  const src = web.tempDir("lw-thumbs-src-"), home = web.tempDir("lw-thumbs-home-");
  try {
    makePdf(path.join(src, "book.pdf"), count);
    const root = publish(["book.pdf", ...extra, "-o", path.join(src, "out")], src, home);
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

// The player's layout in a 1000 x 700 window (Main's margin, Panel, ThumbnailGrid).
const W = 1000, H = 700, MARGIN = 12, BAR = 40;
const thumbnailsButton = { x: W - 2 - 6 - 14, y: H - 20 };
function cellCentre(index, page, rtl = false) {
  const w = W - 2 * MARGIN, h = H - BAR - 2 * MARGIN, cw = index.cell[0], ch = index.cell[1];
  const columns = Math.max(1, Math.floor((w - 24 + 10) / (cw + 10)));
  const used = columns * cw + (columns - 1) * 10, left = Math.max(12, (w - used) / 2);
  const col = (page - 1) % columns, row = Math.floor((page - 1) / columns);
  const x = left + (rtl ? columns - 1 - col : col) * (cw + 10);
  return { x: MARGIN + x + cw / 2, y: MARGIN + 12 + row * (ch + 18 + 10) + ch / 2, columns,
    rows: Math.max(1, Math.floor((h - 24 + 10) / (ch + 18 + 10))) };
}
const sheetRequests = (server) => server.requests.filter((r) => r.startsWith("/source/thumbs/"));
const framesDrawn = (page) => page.waitForFunction(() =>
  new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true)))));

web.runCases([
  ["sheets load only once the panel opens and as it scrolls; a click on page N's picture turns to N", async () => {
    await withPublished(90, [], async (root, browser, server) => {
      const index = JSON.parse(fs.readFileSync(path.join(root, "source", "thumbnails.json"), "utf8"));
      web.assert(index.pages === 90 && index.sheets.length === Math.ceil(90 / (index.columns * index.rows)),
        "thumbnails.json: " + JSON.stringify(index));
      // What the browser asks for, as well as what the server hears.
      const page = await browser.context.newPage();
      const errors = [], asked = [];
      page.on("pageerror", (e) => errors.push(String(e)));
      page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
      page.on("request", (r) => asked.push(new URL(r.url()).pathname));
      await page.goto(server.url + "index.html");
      await web.waitState(page, (s) => s.ready && s.thumbnails === 90 && s.settled, 30000, "the thumbnails' index");
      const early = asked.filter((u) => u.startsWith("/source/thumbs/"));
      web.assert(early.length === 0 && sheetRequests(server).length === 0, "sheets before the panel opened: " + early);
      await page.mouse.click(thumbnailsButton.x, thumbnailsButton.y);
      const geometry = cellCentre(index, 1);
      const shown = geometry.columns * geometry.rows;
      const st = await web.waitState(page, (s) => s.thumbnailsOpen && s.thumbnailsShown.length === shown, 10000, "the open panel");
      web.assert(st.thumbnailsShown[0] === 1, "first shown " + st.thumbnailsShown[0]);
      // The sheets of the pages in view, and no others.
      const perSheet = index.columns * index.rows;
      const needed = Math.ceil(shown / perSheet);
      await page.waitForFunction((n) => window.leafweaver.events.filter((e) => e.name === "thumbnail-sheet").length >= n,
        needed, { timeout: 15000 });
      const wanted = JSON.stringify(index.sheets.slice(0, needed).map((s) => "/source/" + s));
      web.assert(JSON.stringify(sheetRequests(server)) === wanted, "sheets served: " + sheetRequests(server));
      web.assert(JSON.stringify(asked.filter((u) => u.startsWith("/source/thumbs/"))) === wanted, "sheets asked for: " + asked);
      await framesDrawn(page);
      const img = await web.shot(page, path.join(artefacts, "thumbnails-open.png"));
      // Page 1's picture shows its band (not the panel's colour, not white).
      const c1 = cellCentre(index, 1);
      const band = web.shareNear(img, { x0: c1.x - 20, x1: c1.x + 20, y0: c1.y - 40, y1: c1.y - 20 }, [51, 51, 51], 30);
      web.assert(band < 0.2, "page 1's picture is the panel's colour: " + band);
      const white = web.shareNear(img, { x0: c1.x - 20, x1: c1.x + 20, y0: c1.y - 40, y1: c1.y - 20 }, [255, 255, 255], 20);
      web.assert(white < 0.5, "page 1's band is white: " + white);
      // The wheel scrolls a row at a time: the next sheet is asked for once its pages come into view.
      // (One notch at a time: the browser merges wheel events that come together.)
      async function wheel(dy, until, what) {
        for (let i = 0; i < 12; i++) {
          const before = (await web.state(page)).thumbnailsShown[0];
          if (until(await web.state(page))) return;
          await page.mouse.wheel(0, dy);
          await web.waitState(page, (s) => s.thumbnailsShown[0] !== before, 10000, what + ", notch " + (i + 1));
        }
        await web.waitState(page, until, 1000, what);
      }
      await page.mouse.move(c1.x, c1.y);
      await wheel(100, (s) => s.thumbnailsShown.includes(90), "the last pages in view");
      await page.waitForFunction((n) => window.leafweaver.events.filter((e) => e.name === "thumbnail-sheet").length >= n,
        index.sheets.length, { timeout: 15000 });
      // Back to the top, then page 7's picture.
      await wheel(-100, (s) => s.thumbnailsShown[0] === 1, "the first row again");
      const c7 = cellCentre(index, 7);
      await page.mouse.click(c7.x, c7.y);
      const after = await web.waitState(page, (s) => !s.thumbnailsOpen && s.visible.includes(7) && !s.turning && s.settled,
        15000, "page 7");
      web.assert(JSON.stringify(after.visible) === "[6,7]", "visible " + after.visible);
      const real = errors.filter((e) => !/Failed to load resource/.test(e));
      web.assert(real.length === 0, "console errors: " + real.join("; "));
    });
  }],
  ["the keyboard opens the panel from the page's buttons, the arrows move, Enter chooses and Escape closes", async () => {
    await withPublished(30, [], async (root, browser, server) => {
      const { page } = await web.openBook(browser.context, server.url + "index.html");
      await web.waitState(page, (s) => s.ready && s.thumbnails === 30 && s.settled, 30000, "the thumbnails' index");
      // The page's hidden row of buttons gains the thumbnails' once the player has them.
      await page.waitForFunction(() => !document.querySelector('#page-buttons [data-command="thumbnails"]').hidden);
      await page.focus('#page-buttons [data-command="thumbnails"]');
      await page.keyboard.press("Enter");
      await web.waitState(page, (s) => s.thumbnailsOpen && s.thumbnailSelected === 1, 10000, "the open panel");
      await page.keyboard.press("ArrowRight");
      await page.keyboard.press("ArrowRight");
      await page.keyboard.press("ArrowDown");
      const index = JSON.parse(fs.readFileSync(path.join(root, "source", "thumbnails.json"), "utf8"));
      const target = 3 + cellCentre(index, 1).columns;
      await web.waitState(page, (s) => s.thumbnailSelected === target, 10000, "page " + target + " chosen by the keys");
      await page.keyboard.press("Enter");
      await web.waitState(page, (s) => !s.thumbnailsOpen && s.visible.includes(target) && !s.turning, 15000, "page " + target);
      await page.evaluate(() => window.leafweaver.perform("thumbnails"));
      await web.waitState(page, (s) => s.thumbnailsOpen && s.thumbnailSelected === target - (target % 2 ? 1 : 0), 10000,
        "the panel at the open spread");
      await page.evaluate(() => document.getElementById("player").focus());
      await page.keyboard.press("Escape");
      await web.waitState(page, (s) => !s.thumbnailsOpen, 10000, "closed by Escape");
    });
  }],
  ["a right-to-left book's grid runs from the right", async () => {
    await withPublished(12, ["--rtl"], async (root, browser, server) => {
      const index = JSON.parse(fs.readFileSync(path.join(root, "source", "thumbnails.json"), "utf8"));
      const { page } = await web.openBook(browser.context, server.url + "index.html");
      await web.waitState(page, (s) => s.ready && s.rtl && s.thumbnails === 12 && s.settled, 30000, "the thumbnails' index");
      await page.mouse.click(thumbnailsButton.x, thumbnailsButton.y);
      await web.waitState(page, (s) => s.thumbnailsOpen, 10000, "the open panel");
      await page.waitForFunction(() => window.leafweaver.events.some((e) => e.name === "thumbnail-sheet"), null, { timeout: 15000 });
      await framesDrawn(page);
      await page.screenshot({ path: path.join(artefacts, "thumbnails-rtl.png") });
      const c4 = cellCentre(index, 4, true);
      web.assert(c4.x > cellCentre(index, 5, true).x, "page 4 right of page 5");
      await page.mouse.click(c4.x, c4.y);
      await web.waitState(page, (s) => !s.thumbnailsOpen && s.visible.includes(4) && !s.turning, 15000, "page 4");
    });
  }],
  ["a book without thumbnails (an older one) has no button and asks for no sheet", async () => {
    await withPublished(4, [], async (root, browser, server) => {
      fs.rmSync(path.join(root, "source", "thumbnails.json"));
      fs.rmSync(path.join(root, "source", "thumbs"), { recursive: true });
      const { page } = await web.openBook(browser.context, server.url + "index.html");
      await page.waitForFunction(() => ((window.leafweaver || {}).events || []).some((e) => e.name === "thumbnails"),
        null, { timeout: 30000 });
      const st = await web.state(page);
      web.assert(st.thumbnails === 0 && !st.thumbnailsOpen, "state " + JSON.stringify(st));
      await page.mouse.click(thumbnailsButton.x, thumbnailsButton.y);
      await page.evaluate(() => window.leafweaver.perform("thumbnails"));
      const still = await web.state(page);
      web.assert(!still.thumbnailsOpen, "a panel opened without thumbnails");
      web.assert(sheetRequests(server).length === 0, "sheets asked for: " + sheetRequests(server));
      web.assert(await page.evaluate(() => document.querySelector('#page-buttons [data-command="thumbnails"]').hidden),
        "the page offers thumbnails");
    });
  }],
]);
