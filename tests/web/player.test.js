"use strict";
// The player movie in real headless Chromium, served over loopback: books
// built from the program folder's template.
// Usage: node player.test.js <program folder> <artefact folder>
const { execFileSync } = require("child_process");
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

// An empty AS3 page movie of w x h pixels: header, FileAttributes, a white
// background, one frame.
function blankMovie(w, h) {
  const bits = [];
  const put = (v, n) => { for (let i = n - 1; i >= 0; i--) bits.push((v >> i) & 1); };
  put(15, 5); put(0, 15); put(w * 20, 15); put(0, 15); put(h * 20, 15);
  while (bits.length % 8) bits.push(0);
  const rect = Buffer.from(Array.from({ length: bits.length / 8 }, (_, i) => parseInt(bits.slice(i * 8, i * 8 + 8).join(""), 2)));
  const tag = (code, body) => Buffer.concat([Buffer.from([((code << 6) | body.length) & 255, (code << 6 | body.length) >> 8]), body]);
  const body = Buffer.concat([rect, Buffer.from([0, 24, 1, 0]), tag(69, Buffer.from([8, 0, 0, 0])),
    tag(9, Buffer.from([255, 255, 255])), tag(1, Buffer.alloc(0)), tag(0, Buffer.alloc(0))]);
  const head = Buffer.from([0x46, 0x57, 0x53, 10, 0, 0, 0, 0]);
  head.writeUInt32LE(8 + body.length, 4);
  return Buffer.concat([head, body]);
}

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

function pageBox(opts, st, which, w = 1000, h = 700) {
  const b = web.bookBox(w, h, opts.width, opts.height, st.single);
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

const eight = { width: 400, height: 500, bgcolor: "146E6E",
  pages: [1, 2, 3, 4, 5, 6, 7, 8].map((n) => ({ name: n + ".png", data: web.solidPng(400, 500, n % 2 ? RED : GREEN) })) };

// A one-colour JPEG or GIF of w x h, written by PIL.
function pilImage(w, h, rgb, format) {
  const file = path.join(web.tempDir("lw-img-"), "page." + format.toLowerCase());
  execFileSync("/usr/bin/python3", ["-c",
    "import sys; from PIL import Image; Image.new('RGB', (int(sys.argv[1]), int(sys.argv[2])), " +
    "tuple(int(v) for v in sys.argv[3].split(','))).save(sys.argv[4], sys.argv[5])",
    String(w), String(h), rgb.join(","), file, format]);
  const data = fs.readFileSync(file);
  web.removeTree(path.dirname(file));
  return data;
}

// Drags with the mouse from (x0,y0) to (x1,y1) in steps, then lets go.
async function drag(page, x0, y0, x1, y1) {
  await page.mouse.move(x0, y0);
  await page.mouse.down();
  for (let i = 1; i <= 12; i++) await page.mouse.move(x0 + ((x1 - x0) * i) / 12, y0 + ((y1 - y0) * i) / 12);
  await page.mouse.up();
}

// Console errors other than the browser's note about a missing file.
function assertNoPlayerErrors(errors) {
  const real = errors.filter((e) => !/Failed to load resource/.test(e));
  web.assert(real.length === 0, "console errors: " + real.join("; "));
}

// Waits until the book rests showing exactly `pages`.
async function rests(page, pages, what) {
  return web.waitState(page, (s) => s.ready && !s.turning && s.settled &&
    JSON.stringify(s.visible) === JSON.stringify(pages), 10000, what + " to show " + pages.join("-"));
}

async function clickPanel(page, name) {
  const p = web.panelPoint(1000, 700, name);
  await page.mouse.click(p.x, p.y);
}

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
      assertNoPlayerErrors(errors);
    });
  }],
  ["keys, panel buttons and a typed page number move through the book", async () => {
    await withBook(eight, async (page, errors) => {
      await rests(page, [1], "the opened book");
      // The book has the keyboard as soon as it is up, without a click.
      const keys = [["ArrowRight", [2, 3]], ["PageDown", [4, 5]], ["ArrowDown", [6, 7]], ["End", [8]],
        ["ArrowLeft", [6, 7]], ["PageUp", [4, 5]], ["ArrowUp", [2, 3]], ["Home", [1]]];
      for (const [key, want] of keys) {
        await page.keyboard.press(key);
        await rests(page, want, key);
      }
      for (const [button, want] of [["last", [8]], ["prev", [6, 7]], ["first", [1]], ["next", [2, 3]]]) {
        await clickPanel(page, button);
        await rests(page, want, "the " + button + " button");
      }
      const box = web.panelPoint(1000, 700, "number");
      await page.mouse.click(box.x, box.y);
      await page.keyboard.press("Control+A");
      await page.keyboard.type("5");
      await page.keyboard.press("Enter");
      await rests(page, [4, 5], "page 5 typed");
      // Enter hands the keyboard back to the book.
      await page.keyboard.press("ArrowRight");
      await rests(page, [6, 7], "a key after the jump");
      await clickPanel(page, "zoomin");
      await web.waitState(page, (s) => s.zoom === 1, 5000, "zoomed in");
      await web.shot(page, path.join(artefacts, "zoomed.png"));
      await clickPanel(page, "zoomout");
      await web.waitState(page, (s) => s.zoom === 0, 5000, "zoomed out");
      await clickPanel(page, "fullscreen");
      await page.waitForFunction(() => document.fullscreenElement !== null, null, { timeout: 5000 });
      await clickPanel(page, "fullscreen");
      await page.waitForFunction(() => document.fullscreenElement === null, null, { timeout: 5000 });
      assertNoPlayerErrors(errors);
    });
  }],
  ["a dragged corner turns past the middle and falls back before it", async () => {
    await withBook(eight, async (page) => {
      const st = await rests(page, [1], "the opened book");
      const b = web.bookBox(1000, 700, eight.width, eight.height, st.single);
      const right = b.spine + b.width - 6, bottom = b.top + b.height - 6;
      await drag(page, right, bottom, b.spine + b.width * 0.8, bottom - 30);
      await rests(page, [1], "a short drag");
      await drag(page, right, bottom, b.spine - b.width * 0.7, bottom - 20);
      await rests(page, [2, 3], "a drag over the spine");
      // And back from the left page's top corner.
      await drag(page, b.spine - b.width + 6, b.top + 6, b.spine + b.width * 0.7, b.top + 20);
      await rests(page, [1], "a drag back");
    });
  }],
  ["JPEG and GIF pages show", async () => {
    const opts = { width: 400, height: 500, bgcolor: "146E6E", pages: [
      { name: "1.jpg", data: pilImage(400, 500, RED, "JPEG") },
      { name: "2.gif", data: pilImage(400, 500, GREEN, "GIF") },
      { name: "3.jpg", data: pilImage(400, 500, BLUE, "JPEG") }] };
    await withBook(opts, async (page) => {
      const st1 = await rests(page, [1], "the JPEG first page");
      let img = await web.shot(page, path.join(artefacts, "jpeg-page.png"));
      web.assert(web.shareNear(img, pageBox(opts, st1, "right"), RED) > 0.8, "JPEG page 1 not drawn");
      await page.keyboard.press("ArrowRight");
      const st = await rests(page, [2, 3], "the GIF and JPEG spread");
      img = await web.shot(page, path.join(artefacts, "gif-jpeg-pages.png"));
      web.assert(web.shareNear(img, pageBox(opts, st, "left"), GREEN) > 0.8, "GIF page 2 not drawn");
      web.assert(web.shareNear(img, pageBox(opts, st, "right"), BLUE) > 0.8, "JPEG page 3 not drawn");
    });
  }],
  ["a long book keeps only the pages near the open spread", async () => {
    const small = web.solidPng(80, 100, GREEN);
    const opts = { width: 400, height: 500, bgcolor: "146E6E",
      pages: Array.from({ length: 60 }, (_, i) => ({ name: i + 1 + ".png", data: small })) };
    await withBook(opts, async (page, errors, server) => {
      await rests(page, [1], "the opened book");
      await page.keyboard.press("End");
      await rests(page, [60], "the last page");
      // Spreads ... 54-55, 56-57, 58-59, [60]: the open one and two before it.
      const st = await web.waitState(page, (s) => s.loaded.length === 5, 10000, "the pages near the end loaded");
      web.assert(JSON.stringify(st.loaded) === "[56,57,58,59,60]" && st.live === 5, "kept " + JSON.stringify(st));
      await page.keyboard.press("Home");
      const back = await web.waitState(page, (s) => s.visible[0] === 1 && s.loaded.length === 5 && !s.turning, 10000, "the front again");
      web.assert(JSON.stringify(back.loaded) === "[1,2,3,4,5]", "kept at the front " + JSON.stringify(back.loaded));
      const fetched = server.requests.filter((r) => /^\/pages\//.test(r)).length;
      web.assert(fetched <= 16, "fetched " + fetched + " page files for two places in the book");
    });
  }],
  ["a page movie turned back to comes back without a second load", async () => {
    // The runtime keeps all a loaded movie brings until the player ends, so
    // a page movie that leaves the window rests loaded instead.
    const opts = { width: 400, height: 500, bgcolor: "146E6E",
      pages: Array.from({ length: 16 }, (_, i) => ({ name: i + 1 + ".swf", data: blankMovie(400, 500) })) };
    await withBook(opts, async (page, errors, server) => {
      await rests(page, [1], "the opened book");
      // Only a movie that finished loading rests; one dropped while loading comes again.
      await web.waitState(page, (s) => JSON.stringify(s.loaded) === "[1,2,3,4,5]", 10000, "the window loaded");
      await page.keyboard.press("End");
      await rests(page, [16], "the last page");
      await page.keyboard.press("Home");
      const st = await web.waitState(page, (s) => s.visible[0] === 1 && s.loaded.length === 5 && !s.turning, 10000, "the front again");
      web.assert(JSON.stringify(st.loaded) === "[1,2,3,4,5]" && st.live === 5 && st.resting === 5, "held " + JSON.stringify(st));
      for (let n = 1; n <= 5; n++) {
        const fetched = server.requests.filter((r) => r === `/pages/${n}.swf`).length;
        web.assert(fetched === 1, `page movie ${n} fetched ${fetched} times`);
      }
    });
  }],
  ["a window taller than wide shows one page at a time", async () => {
    await withBook(plain, async (page) => {
      await page.setViewportSize({ width: 600, height: 900 });
      await web.waitState(page, (s) => s.ready && s.single && s.settled, 30000, "single-page view");
      await page.keyboard.press("ArrowRight");
      const st = await rests(page, [2], "next in single view");
      const img = await web.shot(page, path.join(artefacts, "single-page.png"));
      web.assert(st.single && web.shareNear(img, pageBox(plain, st, "right", 600, 900), GREEN) > 0.8,
        "page 2 does not fill the single view");
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
