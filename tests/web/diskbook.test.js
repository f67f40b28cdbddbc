"use strict";
// A book opened from a disk (file://), as a reader double-clicks its
// index.html: published with --portable it plays with every reader
// feature, its files coming out of the scripts beside it; published
// without, it shows the notice that names the option.
// Usage: node diskbook.test.js <program folder>
const fs = require("fs");
const path = require("path");
const { execFileSync } = require("child_process");
const web = require("./support.js");

const program = web.programDir();
web.requireReportlab();

const PAGES = 6, TARGET = 4, WORD = "quince";  // on page 4 only

function makePdf(file) {
  execFileSync("/usr/bin/python3", ["-c", `
import sys
from reportlab.lib.pagesizes import A4
from reportlab.pdfgen import canvas
pages, target, word = int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
c = canvas.Canvas(sys.argv[1], pagesize=A4)
for p in range(1, pages + 1):
    c.setFont("Helvetica-Bold", 20)
    c.drawString(72, 750, "Part %d" % p)
    c.bookmarkPage("p%d" % p)
    c.addOutlineEntry("Part %d" % p, "p%d" % p, level=0)
    c.setFont("Helvetica", 12)
    c.drawString(72, 700, "A %s grows here." % word if p == target else "Nothing grows here.")
    c.showPage()
c.save()
`, file, String(PAGES), String(TARGET), WORD]);
}

function publish(pdf, extra) {
  const out = web.tempDir("lw-diskbook-out-");
  const printed = execFileSync(path.join(program, "leafweaver-publish"),
    ["-q", pdf, "-t", "Orchard", "-o", out, ...extra], { encoding: "utf8" });
  return printed.trim().split("\n").pop();
}

function folderBytes(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).reduce((sum, e) => {
    const p = path.join(dir, e.name);
    return sum + (e.isDirectory() ? folderBytes(p) : fs.statSync(p).size);
  }, 0);
}

const pdf = path.join(web.tempDir("lw-diskbook-pdf-"), "orchard.pdf");
makePdf(pdf);
const portable = publish(pdf, ["--portable"]);
const plain = publish(pdf, []);
const settledAt = (n) => (st) => st.ready && st.visible.includes(n) && st.settled && !st.turning;

web.runCases([
  ["a portable book plays from the disk: turns, outline and search with its text", async () => {
    const added = folderBytes(path.join(portable, "portable"));
    console.log(`     the book ${(folderBytes(plain) / 1e6).toFixed(1)} MB, from a disk ${(added / 1e6).toFixed(1)} MB more`);
    const browser = await web.launch({ width: 1100, height: 760 });
    try {
      const { page, errors } = await web.openBook(browser.context, "file://" + path.join(portable, "index.html"));
      const requests = [];
      page.on("request", (r) => requests.push(r.url()));
      // The outline is one of the files the player reads.
      await web.waitState(page, (st) => settledAt(1)(st) && st.outline === PAGES, 60000, "page 1 and the outline from the disk");
      await page.focus("#player");
      await page.keyboard.press("End");
      await web.waitState(page, settledAt(PAGES), 30000, "the last page after End");
      const found = await page.evaluate((w) => window.leafweaver.search(w).then((f) => f && f.map((x) => x.page)), WORD);
      web.assert(JSON.stringify(found) === JSON.stringify([TARGET]), "search found " + JSON.stringify(found));
      await page.click("#search-results li button");
      await web.waitState(page, settledAt(TARGET), 30000, "the found page");
      web.assert(requests.every((u) => u.startsWith("file:") || u.startsWith("data:") || u.startsWith("blob:")),
        "left the disk: " + requests.filter((u) => !u.startsWith("file:")).join(", "));
      const real = errors.filter((e) => !/Failed to load resource|404/.test(e));
      web.assert(real.length === 0, "console errors: " + real.join("; "));
    } finally {
      await browser.close();
    }
  }],
  ["a book published without the option explains from the disk how to read it, naming the option", async () => {
    const browser = await web.launch({ width: 1100, height: 760 });
    try {
      const { page } = await web.openBook(browser.context, "file://" + path.join(plain, "index.html"));
      await page.waitForSelector("#notice", { state: "visible", timeout: 30000 });
      const text = await page.textContent("#notice");
      web.assert(/--portable/.test(text) && /Opens from a disk/.test(text), "notice: " + text);
    } finally {
      await browser.close();
    }
  }],
]).finally(() => {
  for (const dir of [portable, plain]) web.removeTree(path.dirname(dir));
  web.removeTree(path.dirname(pdf));
});
