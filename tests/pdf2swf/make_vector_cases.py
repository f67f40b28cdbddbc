#!/usr/bin/env python3
"""Writes the hand-made PDFs of the vector page pixel test into a folder.

usage: make_vector_cases.py FOLDER

text.pdf     text in base-14 Type 1 fonts and an embedded TrueType font, sizes
             6 to 28 points, a rotated line
chart.pdf    a bar chart: filled bars, axes, a dashed grid, a curve, circles
clipimage.pdf  a photo-like image clipped by a circle, and a transparent one
shading.pdf  an axial and two radial shadings (one not extended) filling shapes
softmask.pdf a square painted through a soft mask: must become a bitmap page
blend.pdf    rectangles blended with Multiply over text and shapes (two that
             overlap each other, one under a clip), Screen inside a dark
             square, Darken over a blue one and the page, a group of two
             rectangles apart painted with Multiply
"""
import math
import os
import sys
import zlib

from PIL import Image
from reportlab.lib.utils import ImageReader
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

W, H = 420, 300


def text(path):
    c = canvas.Canvas(path, pagesize=(W, H))
    y = H - 30
    for font, size in (("Helvetica", 9), ("Times-Roman", 12), ("Courier", 10), ("Helvetica-Bold", 20),
                       ("Times-Italic", 28)):
        c.setFont(font, size)
        c.drawString(20, y, "Leafweaver turns pages: %s %g" % (font, size))
        y -= size + 14
    dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
    if os.path.exists(dejavu):
        pdfmetrics.registerFont(TTFont("DejaVu", dejavu))
        c.setFont("DejaVu", 14)
        c.drawString(20, y, "TrueType: grüße, Ωmega, 1½ — ok")
        y -= 26
    c.setFont("Helvetica", 6)
    c.drawString(20, y, "six point text stays legible at every zoom")
    # Leader dots as a table of contents has them: written as groups of dots.
    c.setFont("Times-Roman", 10)
    c.drawString(200, y, "Contents " + ". " * 23 + "7")
    c.saveState()
    c.translate(330, 40)
    c.rotate(30)
    c.setFillColorRGB(0.7, 0.1, 0.1)
    c.setFont("Helvetica", 16)
    c.drawString(0, 0, "rotated")
    c.restoreState()
    c.showPage()
    c.save()


def chart(path):
    c = canvas.Canvas(path, pagesize=(W, H))
    c.setStrokeColorRGB(0.6, 0.6, 0.6)
    c.setDash(3, 2)
    c.setLineWidth(0.5)
    for k in range(6):
        c.line(40, 40 + k * 40, 400, 40 + k * 40)
    c.setDash()
    c.setStrokeColorRGB(0, 0, 0)
    c.setLineWidth(1.5)
    c.line(40, 40, 40, 260)
    c.line(40, 40, 400, 40)
    for b in range(10):
        c.setFillColorRGB(0.1 + 0.08 * b, 0.4, 0.9 - 0.07 * b)
        c.rect(50 + b * 34, 40, 24, 20 + (b * 37) % 200, fill=1, stroke=0)
    c.setStrokeColorRGB(0.8, 0.1, 0.1)
    c.setLineWidth(2.5)
    c.setLineJoin(1)
    p = c.beginPath()
    p.moveTo(40, 150)
    for x in range(0, 360, 6):
        p.lineTo(40 + x, 150 + 60 * math.sin(x / 40.0))
    c.drawPath(p, stroke=1, fill=0)
    c.setStrokeColorRGB(0.1, 0.5, 0.2)
    c.setLineWidth(1)
    for r in range(4):
        c.circle(330, 220, 10 + r * 8, stroke=1, fill=0)
    c.setFillColorRGB(0.2, 0.2, 0.2)
    c.setFont("Helvetica", 10)
    c.drawString(50, 20, "Quarterly results")
    c.showPage()
    c.save()


def photo(w, h, alpha=False):
    img = Image.new("RGBA" if alpha else "RGB", (w, h))
    px = img.load()
    for y in range(h):
        for x in range(w):
            r = int(127 + 127 * math.sin(x / 9.0))
            g = int(127 + 127 * math.cos(y / 7.0))
            b = (x * y) % 256
            px[x, y] = (r, g, b, 255 if x < w // 2 else 90) if alpha else (r, g, b)
    return img


def clipimage(path):
    c = canvas.Canvas(path, pagesize=(W, H))
    c.saveState()
    p = c.beginPath()
    p.circle(120, 150, 100)
    c.clipPath(p, stroke=0, fill=0)
    c.drawImage(ImageReader(photo(160, 160)), 20, 50, 200, 200)
    c.restoreState()
    c.setFillColorRGB(0.9, 0.8, 0.1)
    c.rect(250, 60, 140, 180, fill=1, stroke=0)
    c.drawImage(ImageReader(photo(100, 100, alpha=True)), 260, 80, 120, 120, mask="auto")
    c.showPage()
    c.save()


def shading(path):
    c = canvas.Canvas(path, pagesize=(W, H))
    c.saveState()
    p = c.beginPath()
    p.roundRect(20, 40, 180, 220, 20)
    c.clipPath(p, stroke=0, fill=0)
    c.linearGradient(20, 40, 200, 260, ((0.1, 0.2, 0.8), (0.9, 0.9, 0.2)), extend=True)
    c.restoreState()
    c.saveState()
    p = c.beginPath()
    p.rect(220, 150, 180, 110)
    c.clipPath(p, stroke=0, fill=0)
    c.radialGradient(310, 205, 70, ((1, 1, 1), (0.8, 0.1, 0.1)), extend=True)
    c.restoreState()
    # Not extended: only the disc is painted, the rest of the clip stays white.
    c.saveState()
    p = c.beginPath()
    p.rect(220, 40, 180, 105)
    c.clipPath(p, stroke=0, fill=0)
    c.radialGradient(300, 92, 45, ((0.2, 0.7, 0.3), (0.1, 0.1, 0.5)), extend=False)
    c.restoreState()
    c.showPage()
    c.save()


def write_pdf(path, objs):
    """Writes objects 1.. (1 the catalog) with their cross-reference table."""
    out = bytearray(b"%PDF-1.4\n")
    offsets = []
    for i, o in enumerate(objs):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % (i + 1) + o + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objs) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objs) + 1, xref)
    with open(path, "wb") as fh:
        fh.write(out)


def softmask(path):
    # Written by hand: a soft mask in the graphics state.
    content = b"q /GS1 gs 0.1 0.3 0.8 rg 40 40 340 220 re f Q\n"
    mask = b"0 0 0 rg 0 0 420 300 re f 1 1 1 rg 60 60 300 180 re f\n"
    write_pdf(path, [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 300] /Resources << /ExtGState << /GS1 5 0 R >> >> /Contents 4 0 R >>",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"endstream",
        b"<< /Type /ExtGState /SMask << /Type /Mask /S /Luminosity /G 6 0 R >> >>",
        b"<< /Type /XObject /Subtype /Form /BBox [0 0 420 300] /Group << /S /Transparency /CS /DeviceRGB >> /Length %d >>\nstream\n" % len(mask) + mask + b"endstream",
    ])


def blend(path):
    # Written by hand: blend modes set through the graphics state.
    content = b"""
0 0 0 rg BT /F1 26 Tf 30 200 Td (Multiply keeps this text) Tj ET
BT /F1 12 Tf 30 170 Td (and this smaller line under the yellow band) Tj ET
0.2 0.4 0.9 rg 220 40 150 110 re f
0.1 0.4 0.2 rg 300 160 100 100 re f
0.3 0.3 0.3 RG 3 w 20 60 m 180 120 l S
q /GSm gs
1 0.85 0.1 rg 20 160 300 75 re f
0.3 0.9 0.9 rg 100 130 80 60 re f
1 0.3 0.3 rg 180 20 100 90 re f
Q
q 30 30 60 60 re W n /GSm gs 0.9 0.1 0.9 rg 50 50 80 50 re f Q
q /GSs gs 0.9 0.2 0.2 rg 330 190 60 60 re f Q
q /GSd gs 0.6 0.6 0.6 rg 330 20 80 100 re f Q
q /GSm gs /G1 Do Q
"""
    group = b"0.5 0.9 0.5 rg 240 190 60 40 re f 0.9 0.5 0.9 rg 20 245 40 40 re f\n"
    write_pdf(path, [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 420 300] /Resources << /Font << /F1 5 0 R >> "
        b"/ExtGState << /GSm << /BM /Multiply >> /GSs << /BM /Screen >> /GSd << /BM /Darken >> >> "
        b"/XObject << /G1 6 0 R >> >> /Contents 4 0 R >>",
        b"<< /Length %d >>\nstream\n" % len(content) + content + b"endstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        b"<< /Type /XObject /Subtype /Form /BBox [0 0 420 300] /Group << /S /Transparency >> /Length %d >>\nstream\n"
        % len(group) + group + b"endstream",
    ])


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    text(os.path.join(folder, "text.pdf"))
    chart(os.path.join(folder, "chart.pdf"))
    clipimage(os.path.join(folder, "clipimage.pdf"))
    shading(os.path.join(folder, "shading.pdf"))
    softmask(os.path.join(folder, "softmask.pdf"))
    blend(os.path.join(folder, "blend.pdf"))


if __name__ == "__main__":
    main()
