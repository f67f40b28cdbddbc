"use strict";
// The book's first view in real headless Chromium: the poster written by
// leafweaver-publish, shown before the runtime and replaced by the player
// unseen; a book whose poster is missing; a book whose runtime lies on
// another server; the frame rate at rest and during a turn.
// Usage: node firstview.test.js <program folder> <artefact folder>
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const web = require("./support.js");

const program = web.programDir();
// The book is made from a PDF written by reportlab; without it the check cannot run.
web.requireReportlab();
const artefacts = process.argv[3] || web.tempDir("lw-firstview-shots-");
fs.mkdirSync(artefacts, { recursive: true });
const W = 1280, H = 800;
const PANEL = [0x33, 0x33, 0x33], BG = [0x1e, 0x3a, 0x5f];

// A 3-page PDF with a coloured heading and text, written by reportlab.
function makePdf(file) {
  execFileSync("/usr/bin/python3", ["-c", `
import sys
from reportlab.lib.pagesizes import A4
from reportlab.pdfgen import canvas
c = canvas.Canvas(sys.argv[1], pagesize=A4)
w, h = A4
for p in range(3):
    c.setFillColorRGB(0.8, 0.2, 0.1)
    c.rect(60, h - 200, w - 120, 120, fill=1, stroke=0)
    c.setFillColorRGB(0, 0, 0)
    c.setFont("Helvetica-Bold", 40)
    c.drawString(80, h - 300, "Page %d" % (p + 1))
    c.setFont("Helvetica", 12)
    for i in range(30):
        c.drawString(80, h - 340 - 16 * i, "A line of text to read, number %d on page %d." % (i + 1, p + 1))
    c.showPage()
c.save()
`, file]);
}

// Publishes the PDF with leafweaver-publish; returns the book's folder.
function publish(pdf, extra = []) {
  const out = web.tempDir("lw-firstview-out-");
  const printed = execFileSync(path.join(program, "leafweaver-publish"),
    ["-q", pdf, "-t", "First view", "--background-color", "1E3A5F", "--panel-color", "333333", "-o", out, ...extra],
    { encoding: "utf8" });
  return printed.trim().split("\n").pop();
}

// Mean difference per channel (0..255) and the share of points differing
// by more than 48 in a channel, over the sampled points of box.
function compare(a, b, box) {
  let sum = 0, far = 0, n = 0;
  for (let y = box.y0; y < box.y1; y += 2) {
    for (let x = box.x0; x < box.x1; x += 2) {
      const p = a.px(x, y), q = b.px(x, y);
      const d = Math.max(Math.abs(p[0] - q[0]), Math.abs(p[1] - q[1]), Math.abs(p[2] - q[2]));
      sum += (Math.abs(p[0] - q[0]) + Math.abs(p[1] - q[1]) + Math.abs(p[2] - q[2])) / 3;
      if (d > 48) far++;
      n++;
    }
  }
  return { mean: sum / n, far: far / n };
}

const settledAt = (n) => (st) => st.ready && st.visible.includes(n) && st.settled && !st.turning;

let pdf, book;

async function withServedBook(folder, viewport, check) {
  const server = await web.serve(folder);
  const browser = await web.launch(viewport);
  try {
    await check(browser.context, server);
  } finally {
    await browser.close();
    await server.close();
  }
}

// Opens the book with its runtime held back until `release()`; resolves to
// {page, errors, release, poster} once the poster alone is on screen (its
// screenshot saved as `shotName`).
async function openWithPosterAlone(context, server, shotName) {
  let release;
  const held = new Promise((r) => (release = r));
  await context.route("**/ruffle/ruffle.js", async (route) => { await held; await route.continue(); });
  const { page, errors } = await web.openBook(context, server.url + "index.html");
  await page.waitForSelector("#first-view.drawn");
  const poster = await web.shot(page, path.join(artefacts, shotName));
  return { page, errors, release, poster };
}

web.runCases([
  ["the poster is written with the book at the size its settings give", async () => {
    pdf = path.join(web.tempDir("lw-firstview-pdf-"), "three.pdf");
    makePdf(pdf);
    book = publish(pdf);
    const settings = fs.readFileSync(path.join(book, "source", "book.js"), "utf8");
    const poster = JSON.parse(settings.slice(settings.indexOf("{"), settings.lastIndexOf("}") + 1)).poster;
    web.assert(poster && poster.src === "source/poster.jpg", "poster settings: " + settings);
    const jpeg = fs.readFileSync(path.join(book, poster.src));
    // The JPEG's frame header (SOF0..SOF2) holds its size.
    let at = 2, size = null;
    while (at < jpeg.length && !size) {
      const marker = jpeg[at + 1], len = jpeg.readUInt16BE(at + 2);
      if (marker >= 0xc0 && marker <= 0xc2) size = { height: jpeg.readUInt16BE(at + 5), width: jpeg.readUInt16BE(at + 7) };
      at += 2 + len;
    }
    web.assert(size && size.width === poster.width && size.height === poster.height,
      `poster ${JSON.stringify(size)} against ${JSON.stringify(poster)}`);
    // An A4 page in a 1280 x 800 window: 736 pixels high (800 - 40 - 24).
    web.assert(poster.height === 736 && poster.width === Math.round(595 * 736 / 842), "size " + JSON.stringify(poster));
    web.assert(jpeg.length < 150 * 1024, "poster of " + jpeg.length + " bytes");
  }],

  ["the poster shows before the runtime and the player takes its place unseen", async () => {
    await withServedBook(book, { width: W, height: H }, async (context, server) => {
      // The runtime is held back until the poster alone has been seen.
      const { page, errors, release, poster } = await openWithPosterAlone(context, server, "poster.png");
      web.assert(!server.requests.some((r) => r.includes("ruffle")), "runtime asked for before the poster: " + server.requests);
      const b = web.bookBox(W, H, 595, 842, false);
      const pageArea = { x0: b.spine + 8, x1: b.spine + b.width - 8, y0: b.top + 8, y1: b.top + b.height - 8 };
      web.assert(web.shareNear(poster, pageArea, [255, 255, 255], 30) > 0.4, "the poster shows no paper");
      web.assert(web.shareNear(poster, { x0: 20, x1: b.spine - b.width / 2, y0: 40, y1: H - 80 }, BG, 12) > 0.95,
        "the background around the poster");
      release();
      await page.waitForFunction(() => !document.getElementById("first-view"));
      await web.waitState(page, settledAt(1), 30000, "page 1 drawn by the player");
      const player = await web.shot(page, path.join(artefacts, "player.png"));
      // Everything but the control panel, which the player adds.
      const diff = compare(poster, player, { x0: 0, x1: W, y0: 0, y1: H - 44 });
      web.assert(diff.mean < 4 && diff.far < 0.02, "poster and player differ: " + JSON.stringify(diff));
      web.assert(web.shareNear(player, { x0: W / 2 - 150, x1: W / 2 + 150, y0: H - 30, y1: H - 10 }, PANEL, 40) > 0.3,
        "the player's control panel is not on screen");
      const real = errors.filter((e) => !/Failed to load resource/.test(e));
      web.assert(real.length === 0, "console errors: " + real.join("; "));
      console.log(`     poster against player: mean ${diff.mean.toFixed(2)}, ${(diff.far * 100).toFixed(2)} % far`);
    });
  }],

  ["a right-to-left book's poster lies left of the spine, where the player puts page 1", async () => {
    const rtlBook = publish(pdf, ["--rtl"]);
    await withServedBook(rtlBook, { width: W, height: H }, async (context, server) => {
      const { page, errors, release, poster } = await openWithPosterAlone(context, server, "poster-rtl.png");
      const b = web.bookBox(W, H, 595, 842, false);
      const pageArea = { x0: b.spine - b.width + 8, x1: b.spine - 8, y0: b.top + 8, y1: b.top + b.height - 8 };
      web.assert(web.shareNear(poster, pageArea, [255, 255, 255], 30) > 0.4, "the poster shows no paper left of the spine");
      web.assert(web.shareNear(poster, { x0: b.spine + b.width / 2, x1: W - 20, y0: 40, y1: H - 80 }, BG, 12) > 0.95,
        "the background right of the spine");
      release();
      await page.waitForFunction(() => !document.getElementById("first-view"));
      const st = await web.waitState(page, settledAt(1), 30000, "page 1 drawn by the player");
      web.assert(st.rtl && st.left === 1, "the player's page 1 is not on the left: " + JSON.stringify(st));
      const player = await web.shot(page, path.join(artefacts, "player-rtl.png"));
      const diff = compare(poster, player, { x0: 0, x1: W, y0: 0, y1: H - 44 });
      web.assert(diff.mean < 4 && diff.far < 0.02, "poster and player differ: " + JSON.stringify(diff));
      const real = errors.filter((e) => !/Failed to load resource/.test(e));
      web.assert(real.length === 0, "console errors: " + real.join("; "));
      console.log(`     right-to-left poster against player: mean ${diff.mean.toFixed(2)}, ${(diff.far * 100).toFixed(2)} % far`);
    });
    web.removeTree(path.dirname(rtlBook));
  }],

  ["before the player runs, keys and swipes turn the first pages and the player opens where the reader stopped", async () => {
    await withServedBook(book, { width: W, height: H }, async (context, server) => {
      const { page, release } = await openWithPosterAlone(context, server, "first-view-page1.png");
      const place = () => page.evaluate(() => window.leafweaver.firstView.place());
      const still = () => page.waitForFunction(() => document.getAnimations().length === 0);
      const status = await page.textContent("#first-view .status");
      web.assert(/^Loading the book/.test(status), "status line: " + status);
      const b = web.bookBox(W, H, 595, 842, false);
      await page.keyboard.press("ArrowRight");
      await page.waitForFunction(() => window.leafweaver.firstView.place() === 2);
      await still();
      const spread = await web.shot(page, path.join(artefacts, "first-view-page2.png"));
      web.assert(web.shareNear(spread, { x0: b.spine - b.width + 8, x1: b.spine - 8, y0: b.top + 8, y1: b.top + b.height - 8 },
        [255, 255, 255], 30) > 0.4, "page 2 is not left of the spine");
      // A swipe to the right goes back, one to the left forward again.
      for (const [from, to, expected] of [[300, 900, 1], [900, 300, 2]]) {
        await page.mouse.move(from, H / 2);
        await page.mouse.down();
        await page.mouse.move((from + to) / 2, H / 2 + 2);
        await page.mouse.move(to, H / 2 + 4);
        await page.mouse.up();
        await page.waitForFunction((n) => window.leafweaver.firstView.place() === n, expected);
        await still();
      }
      release();
      await page.waitForFunction(() => !document.getElementById("first-view"), null, { timeout: 60000 });
      const st = await web.waitState(page, (s) => s.ready && s.settled && !s.turning, 30000, "the player at rest");
      web.assert(st.visible.includes(2) && st.visible.includes(3), "the player opened at " + JSON.stringify(st.visible));
      web.assert(await place() === 2, "the first view moved after the player took over");
    });
  }],

  ["a browser whose language is no valid tag (the \"C\" locale) still plays the book", async () => {
    await withServedBook(book, { width: W, height: H }, async (context, server) => {
      await context.addInitScript(() => {
        Object.defineProperty(Navigator.prototype, "language", { configurable: true, get: () => "c" });
        Object.defineProperty(Navigator.prototype, "languages", { configurable: true, get: () => ["c"] });
      });
      const { page } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, settledAt(1), 30000, "page 1 drawn by the player");
    });
  }],

  ["a book at rest lowers its frame rate and a turn raises it", async () => {
    await withServedBook(book, { width: W, height: H }, async (context, server) => {
      const { page } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, (st) => settledAt(1)(st) && st.frameRate <= 5, 30000, "a book at rest");
      const before = (await web.events(page)).length;
      await page.keyboard.press("ArrowRight");
      await web.waitState(page, (st) => settledAt(2)(st) && st.frameRate <= 5, 30000, "the turn done and at rest again");
      const names = (await web.events(page)).slice(before).map((e) => e.name + " " + e.detail);
      const raised = names.indexOf("frame-rate 60"), turned = names.indexOf("turned 2");
      const rested = names.findIndex((n, i) => i > turned && /^frame-rate (\d*\.)?\d+$/.test(n) &&
        Number(n.split(" ")[1]) <= 5);
      web.assert(raised >= 0 && turned > raised && rested > turned,
        "events after the key: " + names.join(", "));
    });
  }],

  ["a poster that cannot be loaded leaves no broken image and the player shows the book", async () => {
    const folder = web.tempDir("lw-firstview-noposter-");
    fs.cpSync(book, folder, { recursive: true });
    fs.rmSync(path.join(folder, "source", "poster.jpg"));
    await withServedBook(folder, { width: W, height: H }, async (context, server) => {
      const { page } = await web.openBook(context, server.url + "index.html");
      await web.waitState(page, settledAt(1), 30000, "page 1 drawn by the player");
      await page.waitForFunction(() => !document.getElementById("first-view"));
      const img = await web.shot(page, path.join(artefacts, "no-poster.png"));
      const b = web.bookBox(W, H, 595, 842, false);
      web.assert(web.shareNear(img, { x0: b.spine + 8, x1: b.spine + b.width - 8, y0: b.top + 8, y1: b.top + b.height - 8 },
        [255, 255, 255], 30) > 0.4, "page 1 is not on screen");
    });
    web.removeTree(folder);
  }],

  ["a book published with --runtime-url plays from the server that holds the runtime", async () => {
    // Another origin (another port) holding the program's runtime under /ruffle/.
    const runtime = await web.serve(path.resolve(program, "Resource"), { cors: true });
    let shared;
    try {
      shared = publish(pdf, ["--runtime-url", runtime.url + "ruffle"]);
      web.assert(!fs.existsSync(path.join(shared, "ruffle")), "the book carries its own runtime");
      const served = await web.serve(shared);
      runtime.requests.length = 0;
      const browser = await web.launch({ width: W, height: H });
      try {
        const { page, messages } = await web.openBook(browser.context, served.url + "index.html");
        await web.waitState(page, settledAt(1), 60000, "page 1 drawn by the player").catch((e) => {
          throw new Error(e.message + "\n" + messages.join("\n") + "\n" + runtime.requests.join(" ") + "\n" + served.requests.join(" "));
        });
        web.assert(!served.requests.some((r) => r.includes("ruffle")), "the book's server was asked for the runtime");
        web.assert(runtime.requests.includes("/ruffle/ruffle.js") && runtime.requests.some((r) => r.endsWith(".wasm")),
          "runtime requests: " + runtime.requests.join(" "));
      } finally {
        await browser.close();
        await served.close();
      }
    } finally {
      await runtime.close();
      if (shared) web.removeTree(path.dirname(shared));
    }
  }],
]).finally(() => {
  if (book) web.removeTree(path.dirname(book));
  if (pdf) web.removeTree(path.dirname(pdf));
});
