"use strict";
// SSIM of vector page movies as Ruffle draws them against Poppler's rendering
// of the same pages, at 1x (1.5 px per point) and 4x (6 px per point).
// Used by bench/vector/bench_vector.py.
//
// usage: node vector_pages_ssim.js PROGRAM_DIR PDF MOVIE_DIR PAGES
// (movies are MOVIE_DIR/p_<n>.swf; the first PAGES pages are compared)
// LW_SSIM_KEEP=DIR keeps both pictures of every page there, to look at.
const fs = require("fs");
const path = require("path");
const cp = require("child_process");
const support = require("../web/support");
const rp = require("./ruffle_pages");

(async () => {
  const [programDir, pdf, dir, count] = process.argv.slice(2);
  const r = await rp.open(programDir, "canvas");
  const tmp = support.tempDir("lw-ssim-");
  const info = cp.execFileSync("pdfinfo", ["-f", "1", "-l", count, pdf]).toString();
  for (let p = 1; p <= Number(count); p++) {
    const m = info.match(new RegExp(`Page\\s+${p} size:\\s+([\\d.]+) x ([\\d.]+)`));
    const rot = info.match(new RegExp(`Page\\s+${p} rot:\\s+(\\d+)`));
    if (!m || !fs.existsSync(path.join(dir, `p_${p}.swf`))) break;
    let [w, h] = [parseFloat(m[1]), parseFloat(m[2])];
    if (rot && (Number(rot[1]) % 180) === 90) [w, h] = [h, w];
    const out = [];
    for (const [zoom, scale] of [["1x", 1.5], ["4x", 6]]) {
      const got = await r.draw(fs.readFileSync(path.join(dir, `p_${p}.swf`)), w, h, scale);
      const base = path.join(tmp, `ref${p}${zoom}`);
      cp.execFileSync("pdftoppm", ["-f", String(p), "-l", String(p), "-png", "-singlefile", "-scale-to-x",
        String(got.width), "-scale-to-y", String(got.height), pdf, base]);
      const ref = support.decodePng(fs.readFileSync(base + ".png"));
      const keep = process.env.LW_SSIM_KEEP;
      if (keep) {
        fs.mkdirSync(keep, { recursive: true });
        const stem = path.join(keep, `${path.basename(pdf, ".pdf")}_${p}_${zoom}`);
        fs.writeFileSync(stem + "_ruffle.png", got.png);
        fs.copyFileSync(base + ".png", stem + "_poppler.png");
      }
      out.push(`${zoom} ${rp.ssim(rp.grey(got), rp.grey(ref), got.width, got.height).toFixed(4)}`);
    }
    console.log(`    ${path.basename(pdf)} page ${p}: SSIM ${out.join(", ")}`);
  }
  await r.close();
  support.removeTree(tmp);
})().catch((e) => {
  // The browser may still run: end the process rather than wait for it.
  console.log(`ssim failed: ${e}`);
  process.exit(1);
});
