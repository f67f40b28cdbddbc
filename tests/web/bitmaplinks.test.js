"use strict";
// Links on bitmap pages: a PDF page too busy for a vector page (more paths
// than the converter draws as vectors) becomes one picture, and its links
// must still work, read from the PDF as for any page. Published with
// leafweaver-publish, opened in headless Chromium over loopback.
// Usage: node bitmaplinks.test.js <program folder>
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const zlib = require("zlib");
const web = require("./support.js");

const prog = path.resolve(web.programDir());
web.requireReportlab();

// Page 1: 6,000 small squares (a bitmap page), a link to page 3 in its lower
// half and a web link in its upper half; pages 2 and 3 plain.
function makePdf(file, address) {
  execFileSync("/usr/bin/python3", ["-c", `
import sys
from reportlab.pdfgen import canvas
from reportlab.lib.pagesizes import A4
out, address = sys.argv[1], sys.argv[2]
c = canvas.Canvas(out, pagesize=A4)
c.setFillColorRGB(0.2, 0.4, 0.8)
for i in range(6000):
    c.rect(20 + (i % 100) * 5.5, 40 + (i // 100) * 12, 3, 3, fill=1, stroke=0)
c.bookmarkPage("p1")
c.linkAbsolute("", "p3", (100, 200, 400, 300))
c.linkURL(address, (100, 600, 400, 700), relative=0)
c.showPage()
for n in (2, 3):
    c.setFont("Helvetica-Bold", 96)
    c.drawCentredString(A4[0] / 2, A4[1] / 2, str(n))
    c.bookmarkPage("p%d" % n)
    c.showPage()
c.save()
`, file, address]);
}

// The tag codes of an SWF movie (FWS or CWS).
function tagCodes(buf) {
  let body = buf.subarray(8);
  if (buf.toString("latin1", 0, 3) === "CWS") body = zlib.inflateSync(body);
  const nbits = body[0] >> 3, rectBytes = Math.ceil((5 + 4 * nbits) / 8);
  let at = rectBytes + 4;
  const codes = [];
  while (at + 2 <= body.length) {
    const head = body.readUInt16LE(at);
    let len = head & 0x3f;
    at += 2;
    if (len === 0x3f) { len = body.readUInt32LE(at); at += 4; }
    codes.push(head >> 6);
    at += len;
    if ((head >> 6) === 0) break;
  }
  return codes;
}

web.runCases([
  ["a bitmap page's links work: a page link turns, a web link opens a new tab", async () => {
    const landingDir = web.tempDir("lw-landing-");
    fs.writeFileSync(path.join(landingDir, "landing.html"), "<!DOCTYPE html><title>landing</title><p>landed</p>");
    const landing = await web.serve(landingDir);
    const address = landing.url + "landing.html?from=bitmap";
    const src = web.tempDir("lw-bitmaplinks-src-"), home = web.tempDir("lw-bitmaplinks-home-");
    try {
      makePdf(path.join(src, "busy.pdf"), address);
      const root = String(execFileSync(path.join(prog, "leafweaver-publish"),
        ["busy.pdf", "-o", path.join(src, "out"), "-q"],
        { cwd: src, env: { ...process.env, XDG_DATA_HOME: home, QT_QPA_PLATFORM: "offscreen" } })).trim();
      // Page 1 is one JPEG picture (DefineBitsJPEG2, 21), without shapes of glyphs or text.
      const codes = tagCodes(fs.readFileSync(path.join(root, "pages", "1.swf")));
      web.assert(codes.includes(21) && !codes.includes(11) && !codes.includes(33) && !codes.includes(75),
        "page 1 is not a bitmap page: tags " + codes.join(","));
      const links = JSON.parse(fs.readFileSync(path.join(root, "source", "links.json"), "utf8"));
      web.assert(links["1"] && links["1"].length === 2, "links.json: " + JSON.stringify(links));
      const server = await web.serve(root);
      const browser = await web.launch();
      try {
        const { page, errors } = await web.openBook(browser.context, server.url + "index.html");
        const st = await web.waitState(page, (s) => s.ready && s.links === 2 && s.settled, 30000, "the links");
        const b = web.bookBox(1000, 700, 595, 842, st.single);
        const at = (x, y) => ({ x: b.spine + (x / 595) * b.width, y: b.top + ((842 - y) / 842) * b.height });
        const out = at(250, 650);
        const [tab] = await Promise.all([browser.context.waitForEvent("page", { timeout: 10000 }),
          page.mouse.click(out.x, out.y)]);
        await tab.waitForLoadState();
        web.assert(tab.url() === address, "new tab at " + tab.url());
        await tab.close();
        const inner = at(250, 250);
        await page.mouse.click(inner.x, inner.y);
        await web.waitState(page, (s) => s.visible.includes(3) && !s.turning && s.settled, 15000, "page 3");
        const real = errors.filter((e) => !/Failed to load resource/.test(e));
        web.assert(real.length === 0, "console errors: " + real.join("; "));
      } finally {
        await browser.close();
        await server.close();
      }
    } finally {
      await landing.close();
      web.removeTree(landingDir);
      web.removeTree(src);
      web.removeTree(home);
    }
  }],
]);
