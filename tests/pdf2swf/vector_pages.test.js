"use strict";
// Vector page movies of hand-made PDFs drawn by Ruffle in headless Chromium
// and compared by pixels with Poppler's own rendering (pdftoppm) of the same
// page at the same size, at 1x and at 4x zoom; the soft-mask page must have
// become a bitmap page. The blend page is also compared colour by colour,
// and again as the book shows it (the player's page over its paper).
//
// usage: node vector_pages.test.js PROGRAM_DIR OUT_DIR
const fs = require("fs");
const path = require("path");
const cp = require("child_process");
const support = require("../web/support");
const rp = require("./ruffle_pages");

const programDir = support.programDir();
const outDir = process.argv[3] || support.tempDir("lw-vector-pages-");
fs.mkdirSync(outDir, { recursive: true });

// Least SSIM per case and zoom (1x = 1.5 pixels per point, 4x = 6); `colour`:
// the largest share of pixels whose colour may differ from Poppler's.
const CASES = {
  text: { min1: 0.9, min4: 0.9 },
  chart: { min1: 0.9, min4: 0.9 },
  clipimage: { min1: 0.85, min4: 0.85 },
  shading: { min1: 0.9, min4: 0.9 },
  softmask: { min1: 0.9, min4: 0.85, bitmap: true },
  blend: { min1: 0.9, min4: 0.9, colour: 0.015 },
};

function tool(name) {
  try {
    cp.execFileSync("sh", ["-c", `command -v ${name}`]);
    return true;
  } catch (e) {
    return false;
  }
}

(async () => {
  for (const t of ["pdftoppm", "/usr/bin/python3"]) {
    if (!tool(t)) {
      console.log(`skip vector pages: ${t} is missing`);
      process.exit(77);
    }
  }
  const work = support.tempDir("lw-vector-cases-");
  cp.execFileSync("/usr/bin/python3", [path.join(__dirname, "make_vector_cases.py"), work]);
  const renderer = await rp.open(programDir, "canvas");
  const cases = Object.entries(CASES).map(([name, want]) => [name, async () => {
    const pdf = path.join(work, name + ".pdf");
    const report = path.join(work, name + ".txt");
    cp.execFileSync(path.join(programDir, "pdf2swf"),
      [pdf, "-j", "90", "-o", path.join(work, name + "_%.swf"), "--vector", "--report", report]);
    const line = fs.readFileSync(report, "utf8").trim().split("\t");
    support.assert(line[1] === (want.bitmap ? "bitmap" : "vector"), `page written as ${line[1]} (${line[3] || ""})`);
    const swf = fs.readFileSync(path.join(work, name + "_1.swf"));
    const [w, h] = [420, 300];
    for (const [zoom, scale, min] of [["1x", 1.5, want.min1], ["4x", 6, want.min4]]) {
      const got = await renderer.draw(swf, w, h, scale);
      const refBase = path.join(work, `${name}_${zoom}_ref`);
      cp.execFileSync("pdftoppm", ["-png", "-singlefile", "-scale-to-x", String(got.width), "-scale-to-y",
        String(got.height), pdf, refBase]);
      const ref = support.decodePng(fs.readFileSync(refBase + ".png"));
      fs.writeFileSync(path.join(outDir, `${name}_${zoom}_ruffle.png`), got.png);
      fs.copyFileSync(refBase + ".png", path.join(outDir, `${name}_${zoom}_poppler.png`));
      const s = rp.ssim(rp.grey(got), rp.grey(ref), got.width, got.height);
      console.log(`     ${name} ${zoom}: SSIM ${s.toFixed(4)} (at least ${min})`);
      support.assert(s >= min, `${name} at ${zoom}: SSIM ${s.toFixed(4)} below ${min}`);
      if (want.colour !== undefined) {
        const miss = rp.colourMisses(got, ref);
        console.log(`     ${name} ${zoom}: ${(100 * miss).toFixed(2)} % of pixels off colour (at most ${100 * want.colour} %)`);
        support.assert(miss <= want.colour, `${name} at ${zoom}: ${(100 * miss).toFixed(2)} % of pixels off colour`);
      }
    }
  }]);
  cases.push(["blend in the book", async () => {
    await renderer.close();
    const swf = fs.readFileSync(path.join(work, "blend_1.swf"));
    const dir = support.makeBook(path.join(work, "book"), { width: 420, height: 300,
      pages: [{ name: "p1.swf", data: swf }, { name: "p2.swf", data: swf }] });
    const server = await support.serve(dir);
    const [vw, vh] = [1000, 700];
    const { context, close } = await support.launch({ width: vw, height: vh });
    try {
      const { page } = await support.openBook(context, server.url + "index.html");
      await support.waitState(page, (s) => s.ready && s.settled && !s.turning && s.states[0] === "loaded", 30000,
        "page 1 drawn");
      const shot = await support.shot(page, path.join(outDir, "blend_book.png"));
      // Page 1 lies right of the spine; its inner edge carries the book's shading.
      const box = support.bookBox(vw, vh, 420, 300, false);
      const [x0, y0] = [Math.ceil(box.spine) + 24, Math.ceil(box.top) + 2];
      const [w, h] = [Math.floor(box.spine + box.width) - x0 - 2, Math.floor(box.top + box.height) - y0 - 2];
      const refBase = path.join(work, "blend_book_ref");
      cp.execFileSync("pdftoppm", ["-png", "-singlefile", "-scale-to-x", String(Math.round(box.width)),
        "-scale-to-y", String(Math.round(box.height)), path.join(work, "blend.pdf"), refBase]);
      const ref = support.decodePng(fs.readFileSync(refBase + ".png"));
      const dx = x0 - box.spine, dy = y0 - box.top;
      const got = { width: w, height: h, px: (x, y) => shot.px(x0 + x, y0 + y) };
      const want = { width: w, height: h, px: (x, y) => ref.px(Math.round(dx + x), Math.round(dy + y)) };
      // The page lies at a fractional place and scale: its edges may fall a
      // pixel away from Poppler's.
      const miss = rp.colourMisses(got, want, 48, 1);
      console.log(`     blend in the book: ${(100 * miss).toFixed(2)} % of pixels off colour (at most 3 %)`);
      support.assert(miss <= 0.03, `${(100 * miss).toFixed(2)} % of the book's page off colour`);
    } finally {
      await close();
      await server.close();
    }
  }]);
  await support.runCases(cases);
  support.removeTree(work);
})().catch((e) => {
  console.log(`FAIL ${e && e.stack ? e.stack : e}`);
  process.exitCode = 1;
});
