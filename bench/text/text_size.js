"use strict";
// The size of a book's text against its PDF: makes a 300-page manual with
// reportlab (headings, body text, a small table and a drawn figure every few
// pages), publishes it and any PDFs given with leafweaver-publish, and prints
// per document the PDF's size, source/text.json.gz (as stored and served;
// unpacked too, and the words alone without their boxes, compressed, for
// comparison) and what the text adds to index.html, plain and gzip-compressed,
// each against the PDF's size, with the target: the text at most a tenth of
// the PDF. Then the search on each book's text: the index's time and the
// slowest query after the first.
// Usage: node bench/text/text_size.js <program folder> [pages] [PDF...]
const { execFileSync } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");

const program = path.resolve(process.argv[2] || "build/program");
const pages = Number(process.argv[3] || 300);
const others = process.argv.slice(4).map((f) => path.resolve(f));
const search = require(path.join(program, "Resource", "source", "search.js"));
const work = fs.mkdtempSync(path.join(os.tmpdir(), "lw-text-size-"));
const manual = path.join(work, "manual.pdf");

execFileSync("/usr/bin/python3", ["-c", `
import random, sys
from reportlab.lib.pagesizes import A4
from reportlab.lib.styles import getSampleStyleSheet
from reportlab.platypus import SimpleDocTemplate, Paragraph, Spacer, Table, PageBreak
from reportlab.graphics.shapes import Drawing, Rect, Line, String
random.seed(19)
words = ("the device setting menu press button screen power cable connect select option display "
         "battery mode reset network signal volume channel update system error light hold release "
         "warning caution install remove cover panel front back left right time date language").split()
def sentence():
    s = " ".join(random.choice(words) for _ in range(random.randint(8, 18)))
    return s[0].upper() + s[1:] + "."
styles = getSampleStyleSheet()
story = []
pages = int(sys.argv[2])
for p in range(pages):
    story.append(Paragraph("%d. %s" % (p + 1, sentence()[:40]), styles["Heading2"]))
    for _ in range(5):
        story.append(Paragraph(" ".join(sentence() for _ in range(4)), styles["BodyText"]))
    if p % 3 == 0:
        story.append(Table([[random.choice(words), str(random.randint(1, 99)), random.choice(words)] for _ in range(4)]))
    if p % 5 == 0:
        d = Drawing(300, 80)
        for i in range(10):
            d.add(Rect(10 + 28 * i, 5, 20, random.randint(10, 70), fillColor=None))
        d.add(Line(5, 5, 295, 5))
        d.add(String(10, 70, "Figure %d" % (p + 1)))
        story.append(d)
    story.append(PageBreak())
SimpleDocTemplate(sys.argv[1], pagesize=A4).build(story)
`, manual, String(pages)]);

const gz = (b) => zlib.gzipSync(b, { level: 9 }).length;
const kb = (n) => (n / 1024).toFixed(1) + " KB";
const template = fs.readFileSync(path.join(program, "Resource", "index.html"));

function measure(pdf, name) {
  const out = fs.mkdtempSync(path.join(work, "out-"));
  const t0 = Date.now();
  const printed = execFileSync(path.join(program, "leafweaver-publish"), ["-q", pdf, "-t", "Manual", "-o", out], { encoding: "utf8" });
  const seconds = (Date.now() - t0) / 1000;
  const book = printed.trim().split("\n").pop();
  const html = fs.readFileSync(path.join(book, "index.html"));
  const packed = fs.readFileSync(path.join(book, "source", "text.json.gz"));
  const json = zlib.gunzipSync(packed);
  const text = JSON.parse(json);
  const pdfSize = fs.statSync(pdf).size;
  const row = (what, plain, compressed) =>
    console.log(`  ${what.padEnd(30)} ${plain === null ? "".padStart(19) : kb(plain).padStart(10) + (100 * plain / pdfSize).toFixed(1).padStart(7) + " %"}` +
      `   gzip ${kb(compressed).padStart(9)} ${(100 * compressed / pdfSize).toFixed(1).padStart(6)} %`);
  const index = new search.BookIndex(text);
  const words = index.pages.reduce((n, p) => n + (p ? p.split(" ").length : 0), 0);
  console.log(`${name}: ${text.pages.length} pages, ${words} words, PDF ${kb(pdfSize)}, published in ${seconds.toFixed(1)} s`);
  row("source/text.json.gz", json.length, packed.length);
  row("  its words without boxes", null, gz(Buffer.from(JSON.stringify(index.pages))));
  const added = html.length - template.length, addedGz = gz(html) - gz(template);
  row("index.html, added by text", added, addedGz);
  row("both", json.length + added, packed.length + addedGz);
  // The search on this text: a word of the middle page, a frequent word, a
  // phrase and a word no page holds.
  const middle = index.pages[Math.floor(index.pages.length / 2)].split(" ").filter((w) => w.length > 6)[0] || "the";
  const queries = [middle, "the", "of the", "qwertyuiop", middle];
  let t = process.hrtime.bigint();
  const fresh = new search.BookIndex(text);
  const build = Number(process.hrtime.bigint() - t) / 1e6;
  const times = queries.map((q) => {
    t = process.hrtime.bigint();
    const found = fresh.find(q);
    if (found.length) fresh.boxes(found[0].page, q);
    return Number(process.hrtime.bigint() - t) / 1e6;
  });
  console.log(`  search: index ${build.toFixed(1)} ms, queries with the first result's boxes ${times.map((x) => x.toFixed(1)).join(", ")} ms`);
  return { pdfSize, packed: packed.length, addedGz };
}

measure(manual, `generated manual`);
for (const pdf of others) measure(pdf, path.basename(pdf));
console.log("target: the text at most 10 % of the PDF");
fs.rmSync(work, { recursive: true, force: true });
