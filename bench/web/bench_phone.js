"use strict";
// A book as a phone reader meets it, against the HTML5 flipbook of the same
// pages (npm page-flip with 150 dpi JPEG pages), in the same run. A manual
// of 100 pages with a screenshot on every page (make_manual.py), published
// by leafweaver-publish and served by `leafweaver-publish --serve` (the
// runtime brotli-compressed), opened in headless Chromium:
//   phone    390 x 844, device scale 3, touch, processor slowed 4 x,
//            1.6 Mbit/s with 150 ms round trips
//   desktop  1280 x 800, 10 Mbit/s with 40 ms round trips
// For each, from navigation:
//   picture  the first page's picture on screen (a frame of the page whose
//            middle is no longer the background)
//   page 1   ours: the player has drawn page 1 ("first-page"); the peer:
//            its picture
//   early    a swipe made as soon as the picture shows, until the screen
//            changes (ours: before the player is ready, the first view turns)
//   swipe    the median of 5 swipes once the book is ready and at rest,
//            from the finger's press until the screen changes
// Targets (ours, phone): page 1 within 8 s, early within 1 s, swipe within 0.3 s.
//
// Usage: node bench/web/bench_phone.js <program folder>
// Needs the npm packages, Debian's chromium, poppler-utils and python3 with reportlab and PIL.
const { execFileSync } = require("child_process");
const path = require("path");
const web = require("../../tests/web/support.js");
const { startServer } = require("../../tests/publish/serve_support.js");
const { publishBook, makeFlipbook, open } = require("./bench_first_view.js");

const program = path.resolve(web.programDir());
const PAGES = 100;
const PROFILES = {
  phone: { viewport: { width: 390, height: 844 }, device: { deviceScaleFactor: 3, isMobile: true, hasTouch: true },
           link: { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 0.75e6 / 8 }, cpu: 4 },
  desktop: { viewport: { width: 1280, height: 800 }, device: { hasTouch: true },
             link: { offline: false, latency: 40, downloadThroughput: 10e6 / 8, uploadThroughput: 10e6 / 8 }, cpu: 1 },
};
const BG = [0x5a, 0x64, 0x70];

const decode = (f) => web.decodePng(Buffer.from(f.data, "base64"));

// Whether a frame of the book's page (its corner the background, not a
// blank page before it) shows something else in its middle half.
function showsPage(img) {
  const box = { x0: img.width / 4, x1: img.width * 3 / 4, y0: img.height / 4, y1: img.height * 3 / 4 };
  const corner = { x0: 0, x1: 8, y0: 0, y1: 8 };
  return web.shareNear(img, corner, BG, 12) > 0.9 && web.shareNear(img, box, BG, 12) < 0.5;
}

// The share of sampled points that differ between two frames of one size.
function changed(a, b) {
  let far = 0, n = 0;
  for (let y = 0; y < a.height; y += 3) {
    for (let x = 0; x < a.width; x += 3) {
      const p = a.px(x, y), q = b.px(x, y);
      if (Math.max(Math.abs(p[0] - q[0]), Math.abs(p[1] - q[1]), Math.abs(p[2] - q[2])) > 40) far++;
      n++;
    }
  }
  return far / n;
}

// Resolves once no frame has come for `quiet` seconds (the screen at rest).
async function screenAtRest(v, quiet = 0.6, ms = 60000) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    const last = v.frames.length ? v.frames[v.frames.length - 1].wall : v.start;
    if (Date.now() / 1000 - last >= quiet) return;
    await v.page.waitForTimeout(100);
  }
}

// A leftward swipe across the middle (the next page); resolves to the
// seconds from its press until a frame differs from the one before it.
async function swipe(v, w, h) {
  const before = v.frames.length ? decode(v.frames[v.frames.length - 1]) : null;
  const count = v.frames.length;
  const touch = (type, points) => v.cdp.send("Input.dispatchTouchEvent", { type, touchPoints: points });
  const t = Date.now() / 1000;
  await touch("touchStart", [{ x: w * 0.8, y: h / 2 }]);
  for (const x of [0.7, 0.55, 0.4, 0.25]) await touch("touchMove", [{ x: w * x, y: h / 2 + 3 }]);
  await touch("touchEnd", []);
  const end = Date.now() + 20000;
  for (let i = count; Date.now() < end; ) {
    if (i < v.frames.length) {
      const f = v.frames[i++];
      if (f.wall >= t && (!before || changed(before, decode(f)) > 0.02)) return f.wall - t;
    } else {
      await v.page.waitForTimeout(20);
    }
  }
  return null;
}

async function measure(kind, url, profile) {
  const p = PROFILES[profile];
  const browser = await web.launch(p.viewport, { device: p.device });
  try {
    const v = await open(browser.context, url, true, { link: p.link, cpu: p.cpu, shot: [p.viewport.width, p.viewport.height] });
    const r = { picture: null, page1: null, early: null, swipes: [] };
    // The first page's picture, checked frame by frame as they come.
    for (let i = 0, end = Date.now() + 120000; r.picture === null && Date.now() < end; ) {
      if (i < v.frames.length) {
        const f = v.frames[i++];
        if (showsPage(decode(f))) r.picture = f.wall - v.start;
      } else {
        await v.page.waitForTimeout(20);
      }
    }
    const ready = () => v.page.evaluate(() => (window.leafweaver && window.leafweaver.events || [])
      .some((e) => e.name === "first-page")).catch(() => false);
    if (kind === "ours" && !(await ready())) r.early = await swipe(v, p.viewport.width, p.viewport.height);
    if (kind === "ours") {
      await v.page.waitForFunction(() => (window.leafweaver.events || []).some((e) => e.name === "first-page"),
        null, { timeout: 180000 });
      const ev = await v.page.evaluate(() => window.leafweaver.events.find((e) => e.name === "first-page").time);
      r.page1 = ev / 1000;
      await web.waitState(v.page, (st) => st.ready && st.settled && !st.turning, 120000, "the book at rest");
    } else {
      r.page1 = r.picture;
      if (r.early === null) r.early = await swipe(v, p.viewport.width, p.viewport.height);
    }
    for (let i = 0; i < 5; i++) {
      await screenAtRest(v);
      r.swipes.push(await swipe(v, p.viewport.width, p.viewport.height));
    }
    await v.cdp.send("Page.stopScreencast").catch(() => {});
    return r;
  } finally {
    await browser.close();
  }
}

const median = (a) => { const s = a.filter((x) => x !== null).sort((x, y) => x - y); return s.length ? s[s.length >> 1] : null; };
const sec = (x) => (x === null || x === undefined ? "  -  " : x.toFixed(2) + " s");

async function main() {
  const work = web.tempDir("lw-bench-phone-");
  const rows = [];
  try {
    const pdf = path.join(work, "manual.pdf");
    execFileSync("/usr/bin/python3", [path.join(__dirname, "make_manual.py"), pdf, String(PAGES)]);
    const ours = publishBook(pdf, path.join(work, "ours"));
    const flips = { desktop: makeFlipbook(pdf, path.join(work, "flip")),
                    phone: makeFlipbook(pdf, path.join(work, "flip-phone"), { phone: true }) };
    for (const profile of ["phone", "desktop"]) {
      for (const kind of ["ours", "page-flip"]) {
        const server = await startServer(program, kind === "ours" ? ours : flips[profile]);
        try {
          const r = await measure(kind, server.url + "index.html", profile);
          r.swipe = median(r.swipes);
          rows.push({ profile, kind, r });
          console.log(`${profile.padEnd(7)} ${kind.padEnd(9)} picture ${sec(r.picture)}  page 1 ${sec(r.page1)}  ` +
            `early swipe ${sec(r.early)}  swipe ${sec(r.swipe)} (${r.swipes.map((x) => sec(x).trim()).join(", ")})`);
        } finally {
          server.child.kill("SIGINT");
        }
      }
    }
  } finally {
    web.removeTree(work);
  }
  const ours = rows.find((x) => x.profile === "phone" && x.kind === "ours").r;
  const checks = [
    ["phone: the player's first page within 8 s", ours.page1 !== null && ours.page1 <= 8],
    ["phone: a swipe before the player is ready answered within 1 s", ours.early !== null && ours.early <= 1],
    ["phone: a swipe once ready answered within 0.3 s", ours.swipe !== null && ours.swipe <= 0.3],
  ];
  for (const [what, pass] of checks) console.log(`${pass ? "met    " : "MISSED "} ${what}`);
  process.exitCode = checks.every((c) => c[1]) ? 0 : 1;
}

main().catch((e) => {
  console.log("FAIL " + (e && e.stack ? e.stack : e));
  process.exitCode = 1;
});
