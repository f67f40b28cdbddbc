"use strict";
// Touch screens, in headless Chromium with touch emulation: touch events go
// through the browser's input pipeline (DevTools Input.dispatchTouchEvent),
// as a phone sends them. A double tap zooms in and out without turning, a
// single tap still turns (once the double tap's moment has passed), two
// fingers spreading zoom in and closing zoom out without turning the page, a
// swipe turns the way the finger moves wherever it began, spread or single.
// On a slow phone (the processor slowed four times) a double tap at a
// finger's pace still zooms, and the control bar of a book of four-digit
// page numbers fits a phone's width with nothing overlapping.
// Usage: node touch.test.js <program folder> <artefact folder>
const fs = require("fs");
const web = require("./support.js");

const artefacts = process.argv[3] || web.tempDir("lw-touch-shots-");
fs.mkdirSync(artefacts, { recursive: true });

const RED = [200, 40, 40], GREEN = [40, 160, 60];
const opts = { width: 400, height: 500, bgcolor: "146E6E",
  pages: Array.from({ length: 8 }, (_, i) => ({ name: (i + 1) + ".png",
    data: web.solidPng(400, 500, (i + 1) % 2 ? RED : GREEN) })) };

async function withTouchBook(check, book = opts) {
  const dir = web.makeBook(web.tempDir("lw-touch-book-"), book);
  if (book.extras) for (const [name, text] of Object.entries(book.extras)) fs.writeFileSync(`${dir}/source/${name}`, text);
  const server = await web.serve(dir);
  const browser = await web.launch();
  try {
    const page = await browser.context.newPage();
    const cdp = await page.context().newCDPSession(page);
    await cdp.send("Emulation.setTouchEmulationEnabled", { enabled: true, maxTouchPoints: 5 });
    await page.goto(server.url + "index.html");
    await rests(page, [1], "the opened book");
    const touch = (type, points, timestamp) => cdp.send("Input.dispatchTouchEvent",
      timestamp === undefined ? { type, touchPoints: points } : { type, touchPoints: points, timestamp });
    await check(page, touch, cdp);
  } finally {
    await browser.close();
    await server.close();
    web.removeTree(dir);
  }
}

async function rests(page, pages, what) {
  return web.waitState(page, (s) => s.ready && !s.turning && s.settled &&
    JSON.stringify(s.visible) === JSON.stringify(pages), 15000, what + " to show " + pages.join("-"));
}

const b = web.bookBox(1000, 700, opts.width, opts.height, false);
// A point on page 1 (right of the spine).
const onPage1 = { x: Math.round(b.spine + b.width * 0.7), y: Math.round(b.top + b.height * 0.4) };

async function tap(touch, at) {
  await touch("touchStart", [{ x: at.x, y: at.y, id: 1 }]);
  await touch("touchEnd", []);
}

// Two taps sent together, so that a slow test machine does not stretch the
// time between them past a double tap's.
async function doubleTap(touch, at) {
  await Promise.all([
    touch("touchStart", [{ x: at.x, y: at.y, id: 1 }]), touch("touchEnd", []),
    touch("touchStart", [{ x: at.x, y: at.y, id: 2 }]), touch("touchEnd", []),
  ]);
}

async function swipe(touch, from, to, y) {
  await touch("touchStart", [{ x: from, y, id: 4 }]);
  for (let i = 1; i <= 10; i++)
    await touch("touchMove", [{ x: Math.round(from + ((to - from) * i) / 10), y, id: 4 }]);
  await touch("touchEnd", []);
}

// Two taps `gap` milliseconds apart by their events' times, as a phone
// stamps them, the second sent once the page has heard the first: a slow
// page hears the second tap long after the first.
async function pacedDoubleTap(page, touch, at, gap) {
  await page.evaluate(() => {
    window.tapHeard = new Promise((r) => window.addEventListener("pointerup",
      () => requestAnimationFrame(() => requestAnimationFrame(r)), { once: true }));
  });
  const t0 = Date.now();
  const send = (ms, type, points) => touch(type, points, (t0 + ms) / 1000);
  await send(0, "touchStart", [{ x: at.x, y: at.y, id: 5 }]);
  await send(50, "touchEnd", []);
  await page.evaluate(() => window.tapHeard);
  await send(gap, "touchStart", [{ x: at.x + 3, y: at.y + 2, id: 6 }]);
  await send(gap + 50, "touchEnd", []);
}

// A book of 1196 pages, its outline and thumbnails (both buttons at the bar's end).
const thousand = { ...opts, pages: [opts.pages[0]], pageSrcs: Array(1196).fill("pages/1.png"), extras: {
  "outline.json": JSON.stringify([{ title: "Start", page: 1, level: 0 }]),
  "thumbnails.json": JSON.stringify({ pages: 1196, cell: [40, 50], columns: 10, rows: 10,
    sheets: Array.from({ length: 12 }, (_, i) => `thumbs/${i}.jpg`) }) } };

function overlaps(a, b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

web.runCases([
  ["on a processor slowed four times, two taps 200 ms apart zoom in and out without turning", async () => {
    await withTouchBook(async (page, touch, cdp) => {
      await cdp.send("Emulation.setCPUThrottlingRate", { rate: 4 });
      await pacedDoubleTap(page, touch, onPage1, 200);
      const zoomed = await web.waitState(page, (s) => s.zoom === 2, 15000, "zoomed in by a double tap");
      web.assert(JSON.stringify(zoomed.visible) === "[1]", "the double tap turned: " + zoomed.visible);
      await pacedDoubleTap(page, touch, onPage1, 200);
      await web.waitState(page, (s) => s.zoom === 0, 15000, "zoomed out by a second double tap");
      await rests(page, [1], "still page 1");
      const turns = (await web.events(page)).filter((e) => e.name === "turned");
      web.assert(turns.length === 0, "turned: " + JSON.stringify(turns));
    });
  }],
  ["on a phone's width the control bar has no overlapping buttons and shows 1156-1157 / 1196 in full", async () => {
    await withTouchBook(async (page) => {
      await web.waitState(page, (s) => s.controls.shown.length === 10, 15000, "the outline's and thumbnails' buttons");
      await page.evaluate(() => document.getElementById("player").leafweaverGoTo(1156));
      for (const [w, h] of [[390, 380], [360, 340], [430, 400], [390, 844], [1000, 700]]) {
        await page.setViewportSize({ width: w, height: h });
        const spread = w >= h;
        const s = await web.waitState(page, (st) => st.single === !spread && st.controls.shown.every((c) => c.x + c.w <= w) &&
          st.visible.includes(1156), 15000, `the bar laid out at ${w} x ${h}`);
        const at = `at ${w} x ${h}: ${JSON.stringify(s.controls)}`;
        web.assert(s.controls.text === (spread ? "1156-1157 / 1196" : "1156 / 1196") && !s.controls.cut, "the counter is cut " + at);
        const shown = s.controls.shown;
        for (const name of ["prev", "number", "next", "contents", "thumbnails"])
          web.assert(shown.some((c) => c.name === name), `no ${name} ` + at);
        if (w >= 800) web.assert(shown.length === 10, "a control left out of a wide bar " + at);
        for (let i = 0; i < shown.length; i++) {
          web.assert(shown[i].x >= 0 && shown[i].x + shown[i].w <= w, `${shown[i].name} outside the bar ` + at);
          for (let j = i + 1; j < shown.length; j++)
            web.assert(!overlaps(shown[i], shown[j]), `${shown[i].name} overlaps ${shown[j].name} ` + at);
        }
      }
    }, thousand);
  }],
  ["a swipe to the right goes back from either page, in a spread and in a portrait window's single page", async () => {
    await withTouchBook(async (page, touch) => {
      const y = onPage1.y;
      await swipe(touch, Math.round(b.spine + b.width * 0.9), Math.round(b.spine - b.width * 0.3), y);
      await rests(page, [2, 3], "a swipe to the left");
      await swipe(touch, Math.round(b.spine + b.width * 0.2), Math.round(b.spine + b.width * 0.95), y);
      await rests(page, [1], "a swipe to the right begun on the right-hand page");
      await page.setViewportSize({ width: 390, height: 700 });
      const one = web.bookBox(390, 700, opts.width, opts.height, true);
      const py = Math.round(one.top + one.height * 0.4);
      await swipe(touch, Math.round(one.left + one.width * 0.9), Math.round(one.left + one.width * 0.1), py);
      await rests(page, [2], "a swipe to the left on a single page");
      await swipe(touch, Math.round(one.left + one.width * 0.55), Math.round(one.left + one.width * 0.9), py);
      await rests(page, [1], "a swipe to the right begun on the single page's right half");
    });
  }],
  ["a double tap zooms in and another zooms out, without turning; a single tap still turns", async () => {
    await withTouchBook(async (page, touch) => {
      await doubleTap(touch, onPage1);
      const zoomed = await web.waitState(page, (s) => s.zoom === 2, 10000, "zoomed in by a double tap");
      web.assert(JSON.stringify(zoomed.visible) === "[1]" && !zoomed.turning, "the double tap turned: " + zoomed.visible);
      await page.screenshot({ path: `${artefacts}/double-tap-zoomed.png` });
      // Zoomed about the tapped point: page 1's red still lies under the finger.
      const img = await web.shot(page, `${artefacts}/double-tap-zoomed.png`);
      web.assert(web.near(img.px(onPage1.x, onPage1.y), RED), "not red under the tap: " + img.px(onPage1.x, onPage1.y));
      await doubleTap(touch, onPage1);
      await web.waitState(page, (s) => s.zoom === 0, 10000, "zoomed out by a second double tap");
      await rests(page, [1], "still page 1");
      await tap(touch, onPage1);
      await rests(page, [2, 3], "a single tap");
    });
  }],
  ["two fingers spreading zoom in, closing zoom out, and the page does not turn", async () => {
    await withTouchBook(async (page, touch) => {
      const cy = onPage1.y, cx = onPage1.x;
      async function pinch(from, to) {
        await touch("touchStart", [{ x: cx - from, y: cy, id: 1 }]);
        await touch("touchStart", [{ x: cx - from, y: cy, id: 1 }, { x: cx + from, y: cy, id: 2 }]);
        for (let i = 1; i <= 12; i++) {
          const d = from + ((to - from) * i) / 12;
          await touch("touchMove", [{ x: cx - d, y: cy, id: 1 }, { x: cx + d, y: cy, id: 2 }]);
        }
        await touch("touchEnd", [{ x: cx + to, y: cy, id: 2 }]);
        await touch("touchEnd", []);
      }
      await pinch(20, 90);
      const zoomed = await web.waitState(page, (s) => s.zoom >= 2 && !s.turning, 10000, "zoomed in by spreading fingers");
      web.assert(JSON.stringify(zoomed.visible) === "[1]", "the pinch turned: " + zoomed.visible);
      const img = await web.shot(page, `${artefacts}/pinch-zoomed.png`);
      web.assert(web.near(img.px(cx, cy), RED), "not red between the fingers: " + img.px(cx, cy));
      await pinch(90, 20);
      await web.waitState(page, (s) => s.zoom === 0, 10000, "zoomed out by closing fingers");
      await rests(page, [1], "still page 1");
      // A swipe still turns after a pinch.
      await touch("touchStart", [{ x: Math.round(b.spine + b.width * 0.8), y: cy, id: 3 }]);
      for (let i = 1; i <= 10; i++)
        await touch("touchMove", [{ x: Math.round(b.spine + b.width * (0.8 - 1.4 * i / 10)), y: cy, id: 3 }]);
      await touch("touchEnd", []);
      await rests(page, [2, 3], "a swipe after the pinch");
    });
  }],
]);
