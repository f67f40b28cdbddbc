"use strict";
// The size of a book's text against its PDF: makes a 300-page manual with
// reportlab (headings, body text, a small table and a drawn figure every few
// pages), publishes it with leafweaver-publish and prints the PDF's size,
// source/text.json's and what the text adds to index.html, plain and as
// gzip sends them, with the target: the text at most a tenth of the PDF.
// Usage: node bench/text/text_size.js <program folder> [pages]
const { execFileSync } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const zlib = require("zlib");

const program = path.resolve(process.argv[2] || "build/program");
const pages = Number(process.argv[3] || 300);
const work = fs.mkdtempSync(path.join(os.tmpdir(), "lw-text-size-"));
const pdf = path.join(work, "manual.pdf");

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
`, pdf, String(pages)]);

const out = path.join(work, "out");
const t0 = Date.now();
const printed = execFileSync(path.join(program, "leafweaver-publish"), ["-q", pdf, "-t", "Manual", "-o", out], { encoding: "utf8" });
const seconds = (Date.now() - t0) / 1000;
const book = printed.trim().split("\n").pop();
const template = fs.readFileSync(path.join(program, "Resource", "index.html"));
const html = fs.readFileSync(path.join(book, "index.html"));
const text = fs.readFileSync(path.join(book, "source", "text.json"));
const pdfSize = fs.statSync(pdf).size;
const gz = (b) => zlib.gzipSync(b, { level: 9 }).length;
const kb = (n) => (n / 1024).toFixed(1) + " KB";
const row = (name, plain, packed) =>
  console.log(`${name.padEnd(28)} ${kb(plain).padStart(10)} ${(100 * plain / pdfSize).toFixed(1).padStart(6)} %   gzip ${kb(packed).padStart(9)} ${(100 * packed / pdfSize).toFixed(1).padStart(6)} %`);
console.log(`${pages} pages, published in ${seconds.toFixed(1)} s; PDF ${kb(pdfSize)}`);
row("source/text.json", text.length, gz(text));
row("index.html, added by text", html.length - template.length, gz(html) - gz(template));
const words = JSON.parse(text).pages.reduce((n, p) => n + p.join(" ").split(/\s+/).length, 0);
console.log(`${words} words; target: each at most 10 % of the PDF`);
fs.rmSync(work, { recursive: true, force: true });
