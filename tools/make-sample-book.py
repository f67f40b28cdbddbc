#!/usr/bin/python3
"""Draws the sample book that the start-up preview shows.

Writes data/Resource/pages/1.png ... 4.png (at twice the 368 x 450 sample
page size, so zoomed pages stay sharp) and data/Resource/source/Pages.xml.
Run it again after changing the pages; the output is committed.
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

W, H = 368, 450
SCALE = 2
HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "..", "data", "Resource")

PAGES = [
    ("cover", "Leafweaver", "A book of your own",
     ["Turn PDFs and pictures", "into a book that pages", "like paper."]),
    ("text", "Adding pages", "1",
     ["Open Add Files and choose", "PDF documents or images.", "", "Tick the files you want,",
      "pick their pages and press", "OK: the pages join the book."]),
    ("text", "Making it yours", "2",
     ["Give the book a title,", "keywords and a description.", "", "Pick a theme, or your own",
      "background and colours.", "Preview shows the result."]),
    ("text", "Publishing", "3",
     ["Publish writes a folder", "with the whole book in it.", "", "Put it on any web server",
      "and share its address.", "Readers need nothing else."]),
]


def font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    for folder in ("/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu"):
        path = os.path.join(folder, name)
        if os.path.exists(path):
            return ImageFont.truetype(path, size * SCALE)
    return ImageFont.load_default()


def draw_page(kind, title, sub, lines):
    s = SCALE
    img = Image.new("RGB", (W * s, H * s), (255, 255, 255))
    d = ImageDraw.Draw(img)
    if kind == "cover":
        d.rectangle([0, 0, W * s, H * s], fill=(34, 94, 74))
        for i in range(7):
            r = (60 + i * 34) * s
            d.ellipse([W * s - r, H * s - r, W * s + r, H * s + r], outline=(120, 180, 140), width=3 * s)
        d.polygon([(60 * s, 120 * s), (150 * s, 60 * s), (190 * s, 150 * s), (100 * s, 200 * s)], fill=(150, 205, 110))
        d.line([(60 * s, 120 * s), (190 * s, 150 * s)], fill=(34, 94, 74), width=3 * s)
        d.text((30 * s, 240 * s), title, font=font(40, True), fill=(255, 255, 255))
        d.text((32 * s, 292 * s), sub, font=font(18), fill=(220, 240, 225))
        y = 340
        for line in lines:
            d.text((32 * s, y * s), line, font=font(14), fill=(230, 245, 235))
            y += 20
    else:
        d.rectangle([0, 0, W * s, 70 * s], fill=(230, 240, 232))
        d.rectangle([0, 70 * s, W * s, 74 * s], fill=(34, 94, 74))
        d.text((28 * s, 22 * s), title, font=font(24, True), fill=(34, 94, 74))
        y = 110
        for line in lines:
            d.text((28 * s, y * s), line, font=font(16), fill=(40, 40, 40))
            y += 28
        d.rounded_rectangle([28 * s, 320 * s, (W - 28) * s, 400 * s], radius=10 * s, fill=(245, 232, 200))
        d.text((44 * s, 348 * s), "Tip: drag a page corner.", font=font(15, True), fill=(120, 80, 20))
        d.text(((W // 2 - 5) * s, 420 * s), sub, font=font(13), fill=(120, 120, 120))
    return img


def main():
    pages_dir = os.path.join(RES, "pages")
    os.makedirs(pages_dir, exist_ok=True)
    names = []
    for i, spec in enumerate(PAGES, start=1):
        name = "%d.png" % i
        draw_page(*spec).quantize(colors=64).save(os.path.join(pages_dir, name), optimize=True)
        names.append(name)
    xml = ['<?xml version="1.0" encoding="utf-8"?>',
           '<content width="%d" height="%d" bgcolor="FFFFFF" loadercolor="ffffff" '
           'panelcolor="225E4A" buttoncolor="FFFFFF" textcolor="ffffff">' % (W, H)]
    xml += ['  <page src="pages/%s" />' % n for n in names]
    xml.append("</content>")
    with open(os.path.join(RES, "source", "Pages.xml"), "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(xml) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
