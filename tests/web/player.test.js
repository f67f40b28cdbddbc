"use strict";
// The player movie in real headless Chromium, served over loopback: books
// built from the program folder's template.
// Usage: node player.test.js <program folder> <artefact folder>
const fs = require("fs");
const path = require("path");
const web = require("./support.js");

const artefacts = process.argv[3] || web.tempDir("lw-player-shots-");
fs.mkdirSync(artefacts, { recursive: true });

const RED = [200, 40, 40], GREEN = [40, 160, 60], BLUE = [40, 80, 200], BG = [20, 120, 110];
const pages = [
  { name: "1.png", data: web.solidPng(400, 500, RED) },
  { name: "2.png", data: web.solidPng(400, 500, GREEN) },
  { name: "3.bmp", data: web.solidBmp(400, 500, BLUE) },
  { name: "4.png", data: web.solidPng(400, 500, RED) },
];

// Builds a book, serves it, opens it; `check(page, errors, url, server)` runs the case.
async function withBook(opts, check) {
  const dir = web.makeBook(web.tempDir("lw-book-"), opts);
  const server = await web.serve(dir);
  const browser = await web.launch();
  try {
    const { page, errors } = await web.openBook(browser.context, server.url + "index.html");
    await check(page, errors, server);
  } finally {
    await browser.close();
    await server.close();
    web.removeTree(dir);
  }
}

const shown = (n) => (st) => {
  if (!st.ready) return false;
  const at = st.visible.indexOf(n);
  return at >= 0 && st.states[at] === "loaded" && st.settled && !st.turning;
};

function pageBox(opts, st, which) {
  const b = web.bookBox(1000, 700, opts.width, opts.height, st.single);
  // The first page stands alone on the right of the spine.
  const left = which === "right" ? b.spine : b.spine - b.width;
  return { x0: left + b.width * 0.25, x1: left + b.width * 0.75, y0: b.top + b.height * 0.25, y1: b.top + b.height * 0.75 };
}

// Turns forward by clicking near the outer bottom corner of the right page.
async function turnNext(page, opts, st) {
  const b = web.bookBox(1000, 700, opts.width, opts.height, st.single);
  const x = b.spine + b.width - 8, y = b.top + b.height - 8;
  await page.mouse.click(x, y);
}

const plain = { width: 400, height: 500, bgcolor: "146E6E", pages };

web.runCases([
  ["first page shows its pixels, then next turns to pages 2 and 3", async () => {
    await withBook(plain, async (page, errors) => {
      const st = await web.waitState(page, shown(1), 30000, "page 1");
      web.assert(st.pageCount === 4, "page count " + st.pageCount);
      let img = await web.shot(page, path.join(artefacts, "first-page.png"));
      web.assert(web.shareNear(img, pageBox(plain, st, "right"), RED) > 0.8, "page 1 is not drawn right of the spine");
      await turnNext(page, plain, st);
      const st2 = await web.waitState(page, (s) => shown(2)(s) && shown(3)(s), 15000, "pages 2-3");
      img = await web.shot(page, path.join(artefacts, "pages-2-3.png"));
      web.assert(web.shareNear(img, pageBox(plain, st2, "left"), GREEN) > 0.8, "page 2 not on the left");
      web.assert(web.shareNear(img, pageBox(plain, st2, "right"), BLUE) > 0.8, "BMP page 3 not on the right");
      const real = errors.filter((e) => !/Failed to load resource/.test(e));
      web.assert(real.length === 0, "console errors: " + real.join("; "));
    });
  }],
  ["a colour background fills the stage around the book", async () => {
    await withBook(plain, async (page) => {
      await web.waitState(page, shown(1), 30000, "page 1");
      const img = await web.shot(page, path.join(artefacts, "bgcolor.png"));
      web.assert(web.near(img.px(4, 300), BG, 30), "background " + img.px(4, 300));
    });
  }],
  ["bg.jpg is the background when there is no colour", async () => {
    // A PNG under the name bg.jpg, as the writer copies images byte for byte.
    const opts = { width: 400, height: 500, pages, bgJpg: web.solidPng(64, 64, [230, 200, 40]) };
    await withBook(opts, async (page) => {
      await web.waitState(page, shown(1), 30000, "page 1");
      const img = await web.shot(page, path.join(artefacts, "bgimage.png"));
      // The image shows, however the player shades it: yellow, not the stage grey.
      const [r, g, b] = img.px(4, 300);
      web.assert(r > b + 60 && g > b + 40, "background " + img.px(4, 300));
    });
  }],
  ["a missing page leaves the others working", async () => {
    const opts = { ...plain, pageSrcs: ["pages/1.png", "pages/missing.png", "pages/3.bmp", "pages/4.png"] };
    await withBook(opts, async (page) => {
      const st1 = await web.waitState(page, shown(1), 30000, "page 1");
      await turnNext(page, opts, st1);
      const st = await web.waitState(page, (s) => s.ready && s.visible.includes(3) &&
        s.states[s.visible.indexOf(3)] === "loaded" && !s.turning, 15000, "page 3 next to the missing one");
      const img = await web.shot(page, path.join(artefacts, "missing-page.png"));
      web.assert(web.shareNear(img, pageBox(opts, st, "right"), BLUE) > 0.8, "page 3 not shown");
    });
  }],
  ["opened from disk it explains instead of failing", async () => {
    const dir = web.makeBook(web.tempDir("lw-book-"), plain);
    const browser = await web.launch();
    try {
      const page = await browser.context.newPage();
      await page.goto("file://" + path.join(dir, "index.html"));
      await page.waitForSelector("#notice", { state: "visible", timeout: 15000 });
      const text = await page.textContent("#notice");
      web.assert(/HTTP|server/i.test(text), "notice: " + text);
      await page.screenshot({ path: path.join(artefacts, "file-notice.png") });
    } finally {
      await browser.close();
      web.removeTree(dir);
    }
  }],
]);
