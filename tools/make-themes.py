#!/usr/bin/python3
"""Draws the themes that ship with Leafweaver.

Writes one folder per theme under data/Themes/: "setting.xml" with the
theme's name and colours, "thumb.bmp" (228 x 171, the theme list's size) that
shows a small open book on the theme's background with its control panel,
and for image themes the background "bg.jpg". Colour themes have no
background image. Everything is drawn here from code, so the output is the
same at every run; run it again after changing a theme and commit the result.
"""
import math
import os
import random
import shutil
import sys
from xml.sax.saxutils import quoteattr

from PIL import Image, ImageChops, ImageDraw, ImageFilter

HERE = os.path.dirname(os.path.abspath(__file__))
THEMES = os.path.join(HERE, "..", "data", "Themes")

BG_SIZE = (1280, 800)
THUMB_SIZE = (228, 171)
SUPER = 4  # thumbnails are drawn this much larger, then reduced smoothly

# folder, showname, background painter (None: colour background), colours.
# Colours are RRGGBB as in setting.xml.
THEMES_DEF = [
    dict(folder="harbour", name="Harbour Blue", painter="harbour",
         bg="1E3A5F", loader="7FB3D5", panel="14283F", button="F2C14E", text="FFFFFF"),
    dict(folder="meadow", name="Spring Meadow", painter="meadow",
         bg="6FA35A", loader="D6EBB8", panel="35592E", button="F6F1D8", text="FFFFFF"),
    dict(folder="dusk", name="Desert Dusk", painter="dusk",
         bg="B9594A", loader="FFD9A8", panel="45294A", button="FFB36B", text="FFF4E6"),
    dict(folder="linen", name="Linen Paper", painter="linen",
         bg="EDE4D3", loader="B89F86", panel="7D614A", button="FBF6EC", text="3B2F25"),
    dict(folder="graphite", name="Graphite Night", painter=None,
         bg="2E3238", loader="6C737D", panel="1B1E22", button="E8A33D", text="EDEDED"),
    dict(folder="sandstone", name="Warm Sandstone", painter=None,
         bg="D9C3A5", loader="A88B6A", panel="6E5238", button="FFF6E8", text="3A2A1C"),
    dict(folder="plum", name="Plum Orchard", painter=None,
         bg="5B3A5E", loader="A57BA8", panel="38213D", button="F0C7D9", text="FFFFFF"),
    dict(folder="frost", name="Nordic Frost", painter=None,
         bg="DCE8F0", loader="9DB7CB", panel="46627A", button="FFFFFF", text="22313F"),
]


def rgb(hex_text):
    return tuple(int(hex_text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def vertical_gradient(size, stops):
    """A top-to-bottom gradient through (position, colour) stops."""
    w, h = size
    image = Image.new("RGB", size)
    draw = ImageDraw.Draw(image)
    for y in range(h):
        t = y / (h - 1)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                draw.line([(0, y), (w, y)], fill=mix(c0, c1, (t - p0) / (p1 - p0)))
                break
    return image


def radial_glow(size, centre, radius, colour, strength):
    """A soft round light added over an image of `size`."""
    glow = Image.new("L", size, 0)
    ImageDraw.Draw(glow).ellipse(
        [centre[0] - radius, centre[1] - radius, centre[0] + radius, centre[1] + radius],
        fill=round(255 * strength))
    glow = glow.filter(ImageFilter.GaussianBlur(radius * 0.6))
    return glow, Image.new("RGB", size, colour)


def add_glow(image, centre, radius, colour, strength):
    mask, light = radial_glow(image.size, centre, radius, colour, strength)
    return Image.composite(light, image, mask)


def grain(size, seed, amount):
    """Fine monochrome noise centred on 128, the same for every run."""
    rnd = random.Random(seed)
    w, h = size
    data = bytes(128 + rnd.randint(-amount, amount) for _ in range(w * h))
    return Image.frombytes("L", size, data)


def apply_grain(image, seed, amount):
    noise = grain(image.size, seed, amount).convert("RGB")
    # Soft light of the noise: lighten and darken a little around 128.
    return ImageChops.soft_light(image, noise)


def vignette(image, strength):
    w, h = image.size
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).ellipse([-w * 0.15, -h * 0.2, w * 1.15, h * 1.2], fill=255)
    mask = mask.filter(ImageFilter.GaussianBlur(min(w, h) * 0.18))
    dark = Image.blend(image, Image.new("RGB", image.size, (0, 0, 0)), strength)
    return Image.composite(image, dark, mask)


# ---------------------------------------------------------------- backgrounds

def paint_harbour(size):
    w, h = size
    image = vertical_gradient(size, [(0.0, (14, 34, 58)), (0.55, (27, 70, 104)),
                                     (1.0, (22, 96, 112))])
    image = add_glow(image, (w * 0.72, h * 0.18), h * 0.45, (120, 170, 205), 0.35)
    # Long, gentle swells across the lower half.
    waves = Image.new("L", size, 0)
    draw = ImageDraw.Draw(waves)
    rnd = random.Random(11)
    for i in range(26):
        y0 = h * (0.42 + i * 0.022)
        phase = rnd.uniform(0, math.tau)
        amp = 4 + i * 0.6
        length = rnd.uniform(180, 320)
        points = [(x, y0 + amp * math.sin(x / length * math.tau + phase)) for x in range(0, w + 8, 8)]
        draw.line(points, fill=22 + i * 2, width=2)
    waves = waves.filter(ImageFilter.GaussianBlur(1.2))
    image = Image.composite(Image.new("RGB", size, (170, 210, 225)), image, waves)
    image = vignette(image, 0.35)
    return apply_grain(image, 101, 10)


def paint_meadow(size):
    w, h = size
    image = vertical_gradient(size, [(0.0, (178, 214, 140)), (0.5, (112, 166, 88)),
                                     (1.0, (52, 102, 52))])
    image = add_glow(image, (w * 0.25, h * 0.1), h * 0.55, (246, 240, 200), 0.45)
    # Out-of-focus light: round spots of several sizes, blurred together.
    rnd = random.Random(23)
    spots = Image.new("L", size, 0)
    draw = ImageDraw.Draw(spots)
    for _ in range(70):
        r = rnd.uniform(12, 60)
        x, y = rnd.uniform(0, w), rnd.uniform(0, h * 0.8)
        draw.ellipse([x - r, y - r, x + r, y + r], fill=rnd.randint(25, 70))
    spots = spots.filter(ImageFilter.GaussianBlur(9))
    image = Image.composite(Image.new("RGB", size, (250, 250, 215)), image, spots)
    # Grass blades along the bottom edge, softly out of focus.
    blades = Image.new("L", size, 0)
    draw = ImageDraw.Draw(blades)
    for _ in range(900):
        x = rnd.uniform(-20, w + 20)
        tall = rnd.uniform(h * 0.05, h * 0.22)
        lean = rnd.uniform(-30, 30)
        draw.line([(x, h), (x + lean * 0.5, h - tall * 0.6), (x + lean, h - tall)],
                  fill=rnd.randint(120, 220), width=rnd.randint(2, 4))
    blades = blades.filter(ImageFilter.GaussianBlur(2.5))
    image = Image.composite(Image.new("RGB", size, (38, 78, 40)), image, blades)
    image = vignette(image, 0.25)
    return apply_grain(image, 202, 8)


def paint_dusk(size):
    w, h = size
    image = vertical_gradient(size, [(0.0, (58, 36, 84)), (0.38, (168, 78, 96)),
                                     (0.62, (242, 150, 92)), (1.0, (250, 196, 128))])
    # The low sun and its haze.
    image = add_glow(image, (w * 0.62, h * 0.6), h * 0.42, (255, 214, 150), 0.55)
    sun = Image.new("L", size, 0)
    r = h * 0.085
    ImageDraw.Draw(sun).ellipse([w * 0.62 - r, h * 0.6 - r, w * 0.62 + r, h * 0.6 + r], fill=235)
    sun = sun.filter(ImageFilter.GaussianBlur(3))
    image = Image.composite(Image.new("RGB", size, (255, 236, 196)), image, sun)
    # Three ridges of dunes, darker towards the viewer.
    rnd = random.Random(37)
    for base, colour in ((0.66, (150, 78, 88)), (0.76, (104, 52, 76)), (0.88, (62, 34, 60))):
        phase = rnd.uniform(0, math.tau)
        points = [(0, h)]
        for x in range(0, w + 10, 10):
            y = h * base + h * 0.035 * math.sin(x / w * math.tau * 1.3 + phase) \
                + h * 0.018 * math.sin(x / w * math.tau * 3.1 + phase * 2)
            points.append((x, y))
        points.append((w, h))
        ridge = Image.new("L", size, 0)
        ImageDraw.Draw(ridge).polygon(points, fill=255)
        ridge = ridge.filter(ImageFilter.GaussianBlur(1.5))
        image = Image.composite(Image.new("RGB", size, colour), image, ridge)
    return apply_grain(image, 303, 9)


def paint_linen(size):
    w, h = size
    base = Image.new("RGB", size, (232, 221, 200))
    # Woven threads: horizontal and vertical streaks of varying tone, with a
    # few thicker slubs, as in loosely woven cloth.
    rnd = random.Random(41)
    threads = Image.new("L", size, 128)
    draw = ImageDraw.Draw(threads)
    for y in range(0, h, 3):
        draw.line([(0, y), (w, y)], fill=128 + rnd.randint(-40, 40))
    for _ in range(260):
        x, y = rnd.uniform(0, w), rnd.randrange(0, h, 3)
        draw.line([(x, y), (x + rnd.uniform(40, 160), y)], fill=128 + rnd.choice((-55, 50)))
    across = Image.new("L", size, 128)
    draw = ImageDraw.Draw(across)
    for x in range(0, w, 3):
        draw.line([(x, 0), (x, h)], fill=128 + rnd.randint(-40, 40))
    weave = ImageChops.blend(threads, across, 0.5).filter(ImageFilter.GaussianBlur(0.7))
    image = ImageChops.soft_light(base, Image.merge("RGB", (weave, weave, weave)))
    image = add_glow(image, (w * 0.5, h * 0.42), h * 0.55, (250, 244, 230), 0.35)
    image = vignette(image, 0.25)
    return apply_grain(image, 404, 12)


PAINTERS = {"harbour": paint_harbour, "meadow": paint_meadow, "dusk": paint_dusk,
            "linen": paint_linen}


# ------------------------------------------------------------------ thumbnail

def draw_thumb(theme, background):
    """The theme list's picture: an open book on the background, with the
    player's control panel and its buttons."""
    w, h = THUMB_SIZE[0] * SUPER, THUMB_SIZE[1] * SUPER
    if background is not None:
        canvas = background.resize((w, h), Image.LANCZOS, box=crop_box(background.size, (w, h)))
    else:
        canvas = Image.new("RGB", (w, h), rgb(theme["bg"]))
    panel_h = round(h * 0.14)

    # Shadow under the book.
    book_w, book_h = round(w * 0.70), round(h * 0.60)
    left, top = (w - book_w) // 2, round((h - panel_h - book_h) / 2)
    shadow = Image.new("L", (w, h), 0)
    ImageDraw.Draw(shadow).rectangle(
        [left + 6 * SUPER, top + 8 * SUPER, left + book_w + 6 * SUPER, top + book_h + 8 * SUPER],
        fill=150)
    shadow = shadow.filter(ImageFilter.GaussianBlur(6 * SUPER))
    canvas = Image.composite(Image.new("RGB", (w, h), (0, 0, 0)), canvas, shadow)

    draw = ImageDraw.Draw(canvas)
    page = (253, 252, 248)
    mid = left + book_w // 2
    draw.rectangle([left, top, left + book_w, top + book_h], fill=page)
    # The fold: each page darkens slightly towards the spine.
    fold = round(book_w * 0.09)
    for i in range(fold):
        shade = mix(page, (196, 192, 184), (1 - i / fold) ** 2)
        draw.line([(mid - i, top), (mid - i, top + book_h)], fill=shade)
        draw.line([(mid + i, top), (mid + i, top + book_h)], fill=shade)
    # Text lines and a picture block on the pages, in the theme's accent.
    ink = (150, 150, 150)
    accent = rgb(theme["panel"])
    margin = round(book_w * 0.06)
    line_h = round(book_h * 0.06)
    for side in (0, 1):
        x0 = left + margin if side == 0 else mid + margin
        x1 = mid - margin if side == 0 else left + book_w - margin
        y = top + margin
        if side == 1:
            block_h = round(book_h * 0.32)
            draw.rectangle([x0, y, x1, y + block_h], fill=mix(accent, page, 0.45))
            y += block_h + line_h
        else:
            draw.rectangle([x0, y, x0 + (x1 - x0) * 0.6, y + line_h * 0.9], fill=mix(accent, page, 0.2))
            y += line_h * 2
        row = 0
        while y + line_h * 0.5 < top + book_h - margin:
            length = 1.0 if row % 4 != 3 else 0.55
            draw.rectangle([x0, y, x0 + (x1 - x0) * length, y + line_h * 0.32], fill=ink)
            y += line_h
            row += 1

    # The control panel with its buttons.
    panel = rgb(theme["panel"])
    button = rgb(theme["button"])
    draw.rectangle([0, h - panel_h, w, h], fill=panel)
    draw.line([(0, h - panel_h), (w, h - panel_h)], fill=mix(panel, (255, 255, 255), 0.25),
              width=SUPER)
    cy = h - panel_h / 2
    size = panel_h * 0.26
    gap = panel_h * 0.95
    for k, shape in enumerate(("first", "prev", "zoom", "next", "last")):
        cx = w / 2 + (k - 2) * gap
        draw_button(draw, shape, cx, cy, size, button)
    return canvas.resize(THUMB_SIZE, Image.LANCZOS)


def draw_button(draw, shape, cx, cy, s, colour):
    def arrow(direction, x):
        pts = [(x - s * 0.6 * direction, cy - s), (x + s * 0.6 * direction, cy),
               (x - s * 0.6 * direction, cy + s)]
        draw.polygon(pts, fill=colour)

    if shape == "prev":
        arrow(-1, cx)
    elif shape == "next":
        arrow(1, cx)
    elif shape == "first":
        arrow(-1, cx + s * 0.3)
        draw.rectangle([cx - s * 0.75, cy - s, cx - s * 0.45, cy + s], fill=colour)
    elif shape == "last":
        arrow(1, cx - s * 0.3)
        draw.rectangle([cx + s * 0.45, cy - s, cx + s * 0.75, cy + s], fill=colour)
    else:  # zoom: a magnifier
        r = s * 0.65
        draw.ellipse([cx - r - s * 0.2, cy - r - s * 0.2, cx + r - s * 0.2, cy + r - s * 0.2],
                     outline=colour, width=max(2, round(s * 0.28)))
        draw.line([(cx + s * 0.3, cy + s * 0.3), (cx + s * 0.95, cy + s * 0.95)],
                  fill=colour, width=max(2, round(s * 0.34)))


def crop_box(source, target):
    """The centred part of `source` with the aspect ratio of `target`."""
    sw, sh = source
    tw, th = target
    if sw * th > sh * tw:
        cw = sh * tw / th
        return ((sw - cw) / 2, 0, (sw + cw) / 2, sh)
    ch = sw * th / tw
    return (0, (sh - ch) / 2, sw, (sh + ch) / 2)


# ---------------------------------------------------------------------- files

def setting_xml(theme):
    bgtype = 0 if theme["painter"] else 1
    attrs = [("bgtype", str(bgtype)), ("showname", theme["name"]), ("bgcolor", theme["bg"]),
             ("loadercolor", theme["loader"]), ("panelcolor", theme["panel"]),
             ("buttoncolor", theme["button"]), ("textcolor", theme["text"])]
    pairs = [f"{k}={quoteattr(v)}" for k, v in attrs]
    return ('<?xml version="1.0" encoding="utf-8"?>\n<theme ' + "\n       ".join(pairs)
            + "/>\n")


def main():
    os.makedirs(THEMES, exist_ok=True)
    keep = os.path.join(THEMES, ".keep")
    if os.path.exists(keep):
        os.remove(keep)
    for theme in THEMES_DEF:
        folder = os.path.join(THEMES, theme["folder"])
        if os.path.isdir(folder):
            shutil.rmtree(folder)
        os.makedirs(folder)
        background = None
        if theme["painter"]:
            background = PAINTERS[theme["painter"]](BG_SIZE)
            background.save(os.path.join(folder, "bg.jpg"), "JPEG", quality=88,
                            optimize=True, progressive=False)
        draw_thumb(theme, background).save(os.path.join(folder, "thumb.bmp"), "BMP")
        with open(os.path.join(folder, "setting.xml"), "w", encoding="utf-8", newline="\n") as f:
            f.write(setting_xml(theme))
        print(f"{theme['folder']}: {theme['name']}", file=sys.stderr)


if __name__ == "__main__":
    main()
