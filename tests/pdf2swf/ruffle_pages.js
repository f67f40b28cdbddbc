"use strict";
// Draws page movies the way the book's browsers do: Ruffle (from the program
// folder's Resource/ruffle) in headless Chromium, one movie per page at a
// given scale, and reads back the pixels. Shared by the converter's pixel
// test and the vector page benchmark.
//
//   const rp = require("./ruffle_pages");
//   const r = await rp.open(programDir, renderer);   // "canvas" or "webgl"
//   const img = await r.draw(swfBuffer, widthPt, heightPt, scale);  // {width, height, rgb}
//   await r.close();
const fs = require("fs");
const path = require("path");
const support = require("../web/support");

const PAGE = `<!doctype html><html><head><meta charset="utf-8">
<style>html,body{margin:0;padding:0;background:#fff;overflow:hidden}#host{position:absolute;left:0;top:0}</style>
</head><body><div id="host"></div><script>
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = { publicPath: "./ruffle/", autoplay: "on", unmuteOverlay: "hidden",
  letterbox: "off", splashScreen: false, contextMenu: "off", warnOnUnsupportedContent: false,
  preferredRenderer: new URLSearchParams(location.search).get("renderer") || "canvas",
  quality: "high", scale: "exactfit", backgroundColor: "#FFFFFF", logLevel: "error" };
window.framesDrawn = 0;
window.show = function (url, w, h) {
  var host = document.getElementById("host");
  host.innerHTML = "";
  host.style.width = w + "px"; host.style.height = h + "px";
  var player = window.RufflePlayer.newest().createPlayer();
  player.style.width = w + "px"; player.style.height = h + "px"; player.style.display = "block";
  host.appendChild(player);
  window.loaded = false;
  return player.ruffle().load({ url: url }).then(function () {
    var check = function () {
      if (player.ruffle().metadata) { window.loaded = true; return; }
      requestAnimationFrame(check);
    };
    check();
  });
};
</script><script src="ruffle/ruffle.js"></script></body></html>`;

async function open(programDir, renderer = "canvas") {
  const root = support.tempDir("lw-ruffle-pages-");
  fs.cpSync(path.join(programDir, "Resource", "ruffle"), path.join(root, "ruffle"), { recursive: true });
  fs.writeFileSync(path.join(root, "index.html"), PAGE);
  const server = await support.serve(root);
  const { context, close } = await support.launch();
  const page = await context.newPage();
  const errors = [];
  page.on("console", (m) => { if (m.type() === "error") errors.push(m.text()); });
  await page.goto(`${server.url}index.html?renderer=${renderer}`);
  await page.waitForFunction(() => window.RufflePlayer && window.RufflePlayer.newest && window.RufflePlayer.newest());
  let n = 0;
  return {
    errors,
    /** Draws one movie at `scale` CSS pixels per point; resolves to {width, height, px(x,y)} once two frames agree. */
    async draw(swf, widthPt, heightPt, scale) {
      const name = `page${n++}.swf`;
      fs.writeFileSync(path.join(root, name), swf);
      const w = Math.round(widthPt * scale), h = Math.round(heightPt * scale);
      await page.setViewportSize({ width: Math.max(w, 16), height: Math.max(h, 16) });
      // A fresh player each time: one that panicked draws nothing more.
      await page.goto(`${server.url}index.html?renderer=${renderer}`);
      await page.waitForFunction(() => window.RufflePlayer && window.RufflePlayer.newest && window.RufflePlayer.newest());
      await page.evaluate(([u, ww, hh]) => window.show(u, ww, hh), [name, w, h]);
      await page.waitForFunction(() => window.loaded === true, null, { timeout: 60000 });
      // The movie is drawn when two successive screenshots are the same.
      let last = null;
      for (;;) {
        await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
        const buf = await page.screenshot({ clip: { x: 0, y: 0, width: w, height: h } });
        if (last && buf.equals(last)) {
          fs.rmSync(path.join(root, name), { force: true });
          const img = support.decodePng(buf);
          img.png = buf;
          return img;
        }
        last = buf;
      }
    },
    async close() {
      await close();
      await server.close();
      support.removeTree(root);
    },
  };
}

/** Grey levels of a decoded image, row by row. */
function grey(img) {
  const out = new Float64Array(img.width * img.height);
  for (let y = 0; y < img.height; y++)
    for (let x = 0; x < img.width; x++) {
      const [r, g, b] = img.px(x, y);
      out[y * img.width + x] = 0.299 * r + 0.587 * g + 0.114 * b;
    }
  return out;
}

/** Mean SSIM of two grey images of the same size over 8x8 windows. */
function ssim(a, b, width, height) {
  const C1 = (0.01 * 255) ** 2, C2 = (0.03 * 255) ** 2;
  let sum = 0, count = 0;
  for (let y = 0; y + 8 <= height; y += 4)
    for (let x = 0; x + 8 <= width; x += 4) {
      let ma = 0, mb = 0;
      for (let j = 0; j < 8; j++) for (let i = 0; i < 8; i++) { ma += a[(y + j) * width + x + i]; mb += b[(y + j) * width + x + i]; }
      ma /= 64; mb /= 64;
      let va = 0, vb = 0, cov = 0;
      for (let j = 0; j < 8; j++) for (let i = 0; i < 8; i++) {
        const da = a[(y + j) * width + x + i] - ma, db = b[(y + j) * width + x + i] - mb;
        va += da * da; vb += db * db; cov += da * db;
      }
      va /= 63; vb /= 63; cov /= 63;
      sum += ((2 * ma * mb + C1) * (2 * cov + C2)) / ((ma * ma + mb * mb + C1) * (va + vb + C2));
      count++;
    }
  return count ? sum / count : 1;
}

/**
 * Share of pixels of two images of the same size whose colours differ by more
 * than `tolerance` (0..255) in some channel: grey SSIM does not see a wrong
 * hue, this does. With `slack`, a pixel of `a` also matches any pixel of `b`
 * up to that many pixels away (edges drawn at another sub-pixel offset).
 */
function colourMisses(a, b, tolerance = 48, slack = 0) {
  const near = (p, q) =>
    Math.abs(p[0] - q[0]) <= tolerance && Math.abs(p[1] - q[1]) <= tolerance && Math.abs(p[2] - q[2]) <= tolerance;
  let miss = 0;
  for (let y = 0; y < a.height; y++)
    for (let x = 0; x < a.width; x++) {
      const p = a.px(x, y);
      let hit = false;
      for (let j = Math.max(0, y - slack); j <= Math.min(b.height - 1, y + slack) && !hit; j++)
        for (let i = Math.max(0, x - slack); i <= Math.min(b.width - 1, x + slack) && !hit; i++) hit = near(p, b.px(i, j));
      if (!hit) miss++;
    }
  return miss / (a.width * a.height);
}

module.exports = { open, grey, ssim, colourMisses };
