"""Writes a manual-like PDF for the web benchmarks: A4 pages of running
text, every page with a screenshot-like picture (flat panels, gradients,
noise and captions, different on every page), some with two.

Usage: /usr/bin/python3 make_manual.py OUT.pdf PAGES
"""
import io
import random
import sys

from PIL import Image, ImageDraw
from reportlab.lib.pagesizes import A4
from reportlab.lib.utils import ImageReader
from reportlab.pdfgen import canvas

WORDS = ("the setting opens a window where each option of the device is listed with its current value and a short "
         "note select an entry to change it or press the button below to restore the factory default for all").split()


def screenshot(rng, w, h):
    img = Image.new("RGB", (w, h), (rng.randrange(200, 256),) * 3)
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w, 36], fill=(rng.randrange(30, 90), rng.randrange(60, 140), rng.randrange(120, 220)))
    for i in range(rng.randrange(3, 8)):  # panels with rows of "text"
        x0, y0 = rng.randrange(0, w - 200), rng.randrange(40, h - 120)
        x1, y1 = min(w - 1, x0 + rng.randrange(160, 500)), min(h - 1, y0 + rng.randrange(80, 300))
        d.rectangle([x0, y0, x1, y1], fill=tuple(rng.randrange(150, 256) for _ in range(3)), outline=(90, 90, 90))
        for y in range(y0 + 10, y1 - 10, 16):
            d.line([x0 + 10, y, x0 + 10 + rng.randrange(40, max(41, x1 - x0 - 20)), y], fill=(40, 40, 40), width=3)
    for x in range(0, w, 2):  # a photo-like gradient strip with noise
        c = int(255 * x / w)
        d.line([x, h - 60, x, h], fill=(c, rng.randrange(0, 256), 255 - c))
    return img


def main():
    out, n = sys.argv[1], int(sys.argv[2])
    rng = random.Random(7)
    c = canvas.Canvas(out, pagesize=A4)
    w, h = A4
    for p in range(n):
        c.setFont("Helvetica-Bold", 18)
        c.drawString(50, h - 60, "%d. Settings and adjustments" % (p + 1))
        shots = 2 if p % 5 == 0 else 1
        y = h - 90
        for s in range(shots):
            img = screenshot(rng, rng.choice([1024, 1280, 1440]), rng.choice([640, 720, 800]))
            buf = io.BytesIO()
            img.save(buf, "JPEG", quality=85)
            buf.seek(0)
            ih = 250 if shots == 2 else 330
            c.drawImage(ImageReader(buf), 50, y - ih, width=w - 100, height=ih)
            y -= ih + 14
        c.setFont("Times-Roman", 10.5)
        k = p
        while y > 60:
            c.drawString(50, y, " ".join(WORDS[(k + i) % len(WORDS)] for i in range(16)))
            y -= 13
            k += 5
        c.drawString(w / 2, 30, str(p + 1))
        c.showPage()
    c.save()


if __name__ == "__main__":
    main()
