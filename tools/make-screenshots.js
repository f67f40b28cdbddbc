"use strict";
// Screenshots of the book's ways of finding one's way, for the documentation:
// publishes a small manual (a reportlab PDF with bookmarks) and a
// right-to-left picture book with the program folder's leafweaver-publish,
// opens them in headless Chromium over loopback and saves
//   outline.png     the outline panel open,
//   thumbnails.png  the thumbnails panel open,
//   rtl.png         the right-to-left book open at its first spread.
// Usage: node tools/make-screenshots.js <program folder> <output folder>
// (needs Debian's chromium, python3-reportlab, python3-pil and the npm tree).
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const web = require("../tests/web/support.js");

const prog = path.resolve(web.programDir());
const out = path.resolve(process.argv[3] || "docs/screenshots");
fs.mkdirSync(out, { recursive: true });
const W = 960, H = 640;

// A manual of `count` pages: a coloured title band, a heading, lines of
// text and a figure; bookmarks for its chapters and sections.
function makeManual(file, count) {
  execFileSync("/usr/bin/python3", ["-c", `
import sys
from reportlab.pdfgen import canvas
from reportlab.lib.pagesizes import A4
out, count = sys.argv[1], int(sys.argv[2])
W, H = A4
c = canvas.Canvas(out, pagesize=A4)
chapters = ["Getting started", "Sowing", "Watering", "Pruning", "Harvest", "Storing seeds"]
for n in range(1, count + 1):
    ch = (n - 1) // 4
    hue = [(0.25, 0.55, 0.35), (0.85, 0.55, 0.2), (0.2, 0.45, 0.75), (0.6, 0.3, 0.55), (0.8, 0.3, 0.3), (0.35, 0.35, 0.35)][ch % 6]
    c.setFillColorRGB(*hue)
    c.rect(0, H - 120, W, 120, fill=1, stroke=0)
    c.setFillColorRGB(1, 1, 1)
    c.setFont("Helvetica-Bold", 30)
    title = chapters[ch % 6]
    c.drawString(50, H - 80, title if (n - 1) % 4 == 0 else "%s, part %d" % (title, (n - 1) % 4 + 1))
    c.setFillColorRGB(0.15, 0.15, 0.15)
    c.setFont("Helvetica", 12)
    for i in range(28):
        c.drawString(50, H - 160 - 18 * i, ("Line %d of page %d: a garden grows from patience, light and water. " % (i + 1, n))[: 70 + (i * 7) % 20])
    c.setFillColorRGB(*hue)
    c.circle(W / 2, 150, 60 + (n % 3) * 12, fill=1, stroke=0)
    c.setFillColorRGB(0.4, 0.4, 0.4)
    c.setFont("Helvetica", 11)
    c.drawCentredString(W / 2, 30, str(n))
    c.bookmarkPage("p%d" % n)
    if (n - 1) % 4 == 0:
        c.addOutlineEntry(title, "p%d" % n, level=0)
    elif (n - 1) % 4 == 2:
        c.addOutlineEntry("%s in practice" % title, "p%d" % n, level=1)
    c.showPage()
c.save()
`, file, String(count)]);
}

// A picture book read from right to left: big page numbers on coloured pages.
function makePictureBook(file, count) {
  execFileSync("/usr/bin/python3", ["-c", `
import sys
from reportlab.pdfgen import canvas
out, count = sys.argv[1], int(sys.argv[2])
W, H = 420, 595
c = canvas.Canvas(out, pagesize=(W, H))
for n in range(1, count + 1):
    c.setFillColorRGB(0.95, 0.93 - 0.03 * (n % 5), 0.85)
    c.rect(0, 0, W, H, fill=1, stroke=0)
    c.setFillColorRGB(0.2 + 0.1 * (n % 4), 0.3, 0.6 - 0.08 * (n % 4))
    c.rect(40, 180, W - 80, H - 260, fill=1, stroke=0)
    c.setFillColorRGB(1, 1, 1)
    c.setFont("Helvetica-Bold", 150)
    c.drawCentredString(W / 2, 300, str(n))
    c.setFillColorRGB(0.2, 0.2, 0.2)
    c.setFont("Helvetica", 16)
    c.drawCentredString(W / 2, 110, "page %d  \\u2190  read this way" % n)
    c.showPage()
c.save()
`, file, String(count)]);
}

function publish(src, home, args) {
  return String(execFileSync(path.join(prog, "leafweaver-publish"), args.concat(["-o", path.join(src, "out"), "-q"]),
    { cwd: src, env: { ...process.env, XDG_DATA_HOME: home, QT_QPA_PLATFORM: "offscreen" } })).trim();
}

const frames = (page) => page.waitForFunction(() =>
  new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true)))));

async function main() {
  const src = web.tempDir("lw-shots-src-"), home = web.tempDir("lw-shots-home-");
  const browser = await web.launch({ width: W, height: H });
  try {
    makeManual(path.join(src, "manual.pdf"), 24);
    makePictureBook(path.join(src, "pictures.pdf"), 8);
    const manual = publish(src, home, ["manual.pdf", "-t", "The garden manual"]);
    const server = await web.serve(manual);
    try {
      const { page } = await web.openBook(browser.context, server.url + "index.html");
      await web.waitState(page, (s) => s.ready && s.outline > 0 && s.thumbnails > 0 && s.settled, 60000, "the manual");
      await page.evaluate(() => document.getElementById("player").focus());
      // The contents button at the bar's right end, the thumbnails' left of it.
      await page.mouse.click(W - 2 - 6 - 14, H - 20);
      await web.waitState(page, (s) => s.outlineOpen, 10000, "the outline");
      await frames(page);
      await page.screenshot({ path: path.join(out, "outline.png") });
      await page.mouse.click(W - 2 - 6 - 14, H - 20);
      await page.mouse.click(W - 2 - 2 * (6 + 28) + 14, H - 20);
      await web.waitState(page, (s) => s.thumbnailsOpen, 10000, "the thumbnails");
      await page.waitForFunction(() => window.leafweaver.events.filter((e) => e.name === "thumbnail-sheet").length >= 2,
        null, { timeout: 20000 });
      await frames(page);
      await page.screenshot({ path: path.join(out, "thumbnails.png") });
    } finally {
      await server.close();
    }
    const pictures = publish(src, home, ["pictures.pdf", "--rtl", "-t", "A right-to-left picture book"]);
    const server2 = await web.serve(pictures);
    try {
      const { page } = await web.openBook(browser.context, server2.url + "index.html#page=2");
      await web.waitState(page, (s) => s.ready && s.rtl && s.settled && s.visible.length === 2, 60000, "the first spread");
      await frames(page);
      await page.screenshot({ path: path.join(out, "rtl.png") });
    } finally {
      await server2.close();
    }
  } finally {
    await browser.close();
    web.removeTree(src);
    web.removeTree(home);
  }
  // Kept small for the repository: 256 colours are plenty for these pictures.
  const files = ["outline.png", "thumbnails.png", "rtl.png"].map((f) => path.join(out, f));
  execFileSync("/usr/bin/python3", ["-c", `
import sys
from PIL import Image
for f in sys.argv[1:]:
    Image.open(f).convert("RGB").quantize(256).save(f, optimize=True)
`, ...files]);
  for (const f of files) console.log(`${path.basename(f)}: ${fs.statSync(f).size} bytes`);
}

main().catch((e) => {
  console.error(e && e.stack ? e.stack : e);
  process.exit(1);
});
