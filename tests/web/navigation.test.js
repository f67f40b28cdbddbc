"use strict";
// Finding one's way in a book, in headless Chromium over loopback: the page
// in the address (index.html#page=12) and right-to-left books.
// Usage: node navigation.test.js <program folder> <artefact folder>
const fs = require("fs");
const path = require("path");
const web = require("./support.js");

const artefacts = process.argv[3] || web.tempDir("lw-navigation-shots-");
fs.mkdirSync(artefacts, { recursive: true });

const RED = [200, 40, 40], GREEN = [40, 160, 60];

// Pages alternate red (odd numbers) and green (even numbers).
function book(count) {
  return { width: 400, height: 500, bgcolor: "146E6E",
    pages: Array.from({ length: count }, (_, i) => ({ name: (i + 1) + ".png",
      data: web.solidPng(400, 500, (i + 1) % 2 ? RED : GREEN) })) };
}

// Builds a book (with `settings` in source/book.js when given) and serves it.
async function withBook(opts, settings, check) {
  const dir = web.makeBook(web.tempDir("lw-book-"), opts);
  if (settings)
    fs.writeFileSync(path.join(dir, "source", "book.js"),
      "(window.leafweaver = window.leafweaver || Object()).book = " + JSON.stringify({ runtime: "ruffle/", poster: null, ...settings }) + ";\n");
  fs.writeFileSync(path.join(dir, "before.html"), "<!DOCTYPE html><title>before</title><p>before the book</p>");
  const server = await web.serve(dir);
  const browser = await web.launch();
  try {
    await check(browser, server);
  } finally {
    await browser.close();
    await server.close();
    web.removeTree(dir);
  }
}

// Waits until the book rests showing exactly `pages`, left to right.
async function rests(page, pages, what) {
  return web.waitState(page, (s) => s.ready && !s.turning && s.settled &&
    JSON.stringify(s.visible) === JSON.stringify(pages), 15000, what + " to show " + pages.join("-"));
}

// Waits until the address's fragment is `hash`.
async function addressShows(page, hash) {
  await page.waitForFunction((h) => location.hash === h, hash, { timeout: 10000 });
}

// The middle half of the left or right page's box in a 1000 x 700 window.
function pageBox(opts, which, frame) {
  const b = web.bookBox(1000, 700, opts.width, opts.height, false, frame);
  const left = which === "right" ? b.spine : b.spine - b.width;
  return { x0: left + b.width * 0.25, x1: left + b.width * 0.75, y0: b.top + b.height * 0.25, y1: b.top + b.height * 0.75 };
}

web.runCases([
  ["#page=12 opens at page 12, turns change the address without history, Back leaves the book", async () => {
    const opts = book(20);
    await withBook(opts, null, async (browser, server) => {
      const page = await browser.context.newPage();
      await page.goto(server.url + "before.html");
      await page.goto(server.url + "index.html#page=12");
      await rests(page, [12, 13], "the address's page");
      const entries = await page.evaluate(() => history.length);
      await page.keyboard.press("ArrowRight");
      await rests(page, [14, 15], "ArrowRight");
      await addressShows(page, "#page=14");
      await page.keyboard.press("ArrowRight");
      await rests(page, [16, 17], "ArrowRight again");
      await addressShows(page, "#page=16");
      web.assert(await page.evaluate(() => history.length) === entries, "a turn added a history entry");
      // A page typed into the address turns there.
      await page.evaluate(() => { location.hash = "#page=5"; });
      await rests(page, [4, 5], "the typed address");
      await page.screenshot({ path: path.join(artefacts, "deep-link.png") });
      // Back undoes the typed address, then leaves the book.
      await page.goBack();
      await page.goBack();
      await page.waitForURL(/before\.html$/, { timeout: 10000 });
    });
  }],
  ["an address past the end opens at the last page and then names it; no address opens at page 1", async () => {
    const opts = book(6);
    await withBook(opts, null, async (browser, server) => {
      const page = await browser.context.newPage();
      await page.goto(server.url + "index.html#page=99");
      await rests(page, [6], "the clamped page");
      await addressShows(page, "#page=6");
      const plain = await browser.context.newPage();
      await plain.goto(server.url + "index.html");
      await rests(plain, [1], "the first page");
      web.assert(await plain.evaluate(() => location.hash) === "", "the address changed without a turn");
    });
  }],
  ["a right-to-left book starts with page 1 left of the spine and ArrowLeft moves forward", async () => {
    const opts = book(8);
    await withBook(opts, { direction: "rtl" }, async (browser, server) => {
      const page = await browser.context.newPage();
      await page.goto(server.url + "index.html");
      const st = await rests(page, [1], "the opened book");
      web.assert(st.rtl === true && st.left === 1 && st.right === 0, "page 1 not on the left: " + JSON.stringify(st));
      let img = await web.shot(page, path.join(artefacts, "rtl-cover.png"));
      web.assert(web.shareNear(img, pageBox(opts, "left"), RED) > 0.8, "page 1 not drawn on the left");
      web.assert(web.shareNear(img, pageBox(opts, "right"), RED) < 0.2, "something drawn right of the cover");
      await page.keyboard.press("ArrowLeft");
      const st2 = await rests(page, [3, 2], "ArrowLeft");
      web.assert(st2.left === 3 && st2.right === 2, "spread not mirrored: " + JSON.stringify(st2));
      img = await web.shot(page, path.join(artefacts, "rtl-spread.png"));
      web.assert(web.shareNear(img, pageBox(opts, "left"), RED) > 0.8, "page 3 not on the left");
      web.assert(web.shareNear(img, pageBox(opts, "right"), GREEN) > 0.8, "page 2 not on the right");
      await page.keyboard.press("ArrowLeft");
      await rests(page, [5, 4], "ArrowLeft again");
      await page.keyboard.press("ArrowRight");
      await rests(page, [3, 2], "ArrowRight");
      // The panel's arrow pointing left goes on, the one pointing right goes back.
      const prevPlace = web.panelPoint(1000, 700, "prev"), nextPlace = web.panelPoint(1000, 700, "next");
      await page.mouse.click(prevPlace.x, prevPlace.y);
      await rests(page, [5, 4], "the arrow pointing left");
      await page.mouse.click(nextPlace.x, nextPlace.y);
      await rests(page, [3, 2], "the arrow pointing right");
      // A click on the left page goes on, on the right page goes back.
      const b = web.bookBox(1000, 700, opts.width, opts.height, false);
      await page.mouse.click(b.spine - b.width + 8, b.top + b.height - 8);
      await rests(page, [5, 4], "a click on the left page");
      await page.mouse.click(b.spine + b.width - 8, b.top + b.height - 8);
      await rests(page, [3, 2], "a click on the right page");
      await page.keyboard.press("End");
      await rests(page, [8], "End");
      const end = await web.state(page);
      web.assert(end.right === 8 && end.left === 0, "the last page of an even count lies right: " + JSON.stringify(end));
    });
  }],
  ["the player lays the book out in the frame book.js gives: its margin and its panel's band", async () => {
    const opts = book(4), frame = { margin: 60, panel: 100 };
    await withBook(opts, { layout: frame }, async (browser, server) => {
      const page = await browser.context.newPage();
      await page.goto(server.url + "index.html");
      await rests(page, [1], "the opened book");
      const img = await web.shot(page, path.join(artefacts, "frame.png"));
      web.assert(web.shareNear(img, pageBox(opts, "right", frame), RED) > 0.9, "page 1 not in the frame's place");
      // Where the default frame's larger page would end, and the band's top, hold no page.
      web.assert(web.shareNear(img, { x0: 890, x1: 980, y0: 100, y1: 500 }, RED) < 0.05, "page 1 wider than the frame lets it");
      web.assert(web.shareNear(img, { x0: 680, x1: 760, y0: 610, y1: 690 }, [51, 51, 51], 30) > 0.9, "no panel band 100 pixels high");
    });
  }],

  ["a right-to-left book dragged from its left corner turns forward", async () => {
    const opts = book(6);
    await withBook(opts, { direction: "rtl" }, async (browser, server) => {
      const page = await browser.context.newPage();
      await page.goto(server.url + "index.html");
      await rests(page, [1], "the opened book");
      const b = web.bookBox(1000, 700, opts.width, opts.height, false);
      const x0 = b.spine - b.width + 6, y0 = b.top + b.height - 6;
      await page.mouse.move(x0, y0);
      await page.mouse.down();
      for (let i = 1; i <= 12; i++) await page.mouse.move(x0 + (b.width * 1.8 * i) / 12, y0 - 10 * i / 12);
      await page.mouse.up();
      await rests(page, [3, 2], "the drag");
    });
  }],
  ["a touch swipe turns the page: right to left goes on, left to right goes back", async () => {
    const opts = book(6);
    await withBook(opts, null, async (browser, server) => {
      const page = await browser.context.newPage();
      const cdp = await page.context().newCDPSession(page);
      await cdp.send("Emulation.setTouchEmulationEnabled", { enabled: true, maxTouchPoints: 5 });
      await page.goto(server.url + "index.html");
      await rests(page, [1], "the opened book");
      const b = web.bookBox(1000, 700, opts.width, opts.height, false);
      // Touch events as a phone sends them, through the browser's input pipeline.
      async function swipe(x0, x1, y) {
        await cdp.send("Input.dispatchTouchEvent", { type: "touchStart", touchPoints: [{ x: x0, y }] });
        for (let i = 1; i <= 10; i++)
          await cdp.send("Input.dispatchTouchEvent", { type: "touchMove", touchPoints: [{ x: x0 + ((x1 - x0) * i) / 10, y }] });
        await cdp.send("Input.dispatchTouchEvent", { type: "touchEnd", touchPoints: [] });
      }
      const y = b.top + b.height * 0.6;
      await swipe(b.spine + b.width * 0.8, b.spine - b.width * 0.6, y);
      await rests(page, [2, 3], "a swipe to the left");
      await swipe(b.spine - b.width * 0.8, b.spine + b.width * 0.6, y);
      await rests(page, [1], "a swipe to the right");
    });
  }],
]);
