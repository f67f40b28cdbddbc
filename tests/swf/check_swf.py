#!/usr/bin/env python3
"""Checks page movies with an independent SWF reader (yaswfp) and decodes
the embedded JPEG with Pillow.

usage: check_swf.py [--width W --height H] [--image WxH] [--jpeg-out FILE] FILE...

W and H are the expected stage size in twips, WxH the expected pixel size of
the page bitmap. Every file must be a version-10 movie of one frame whose
tags are exactly FileAttributes, SetBackgroundColor, DefineBitsJPEG2,
DefineShape (clipped bitmap fill of that bitmap, scaled to the stage),
PlaceObject2, ShowFrame (the reader stops at End). Prints one line per file
and exits 1 on the first failure.
"""
import argparse
import io
import os
import sys

from PIL import Image
from yaswfp import swfparser

EXPECTED_TAGS = ["FileAttributes", "SetBackgroundColor", "DefineBitsJPEG2",
                 "DefineShape", "PlaceObject2", "ShowFrame"]


def fail(path, why):
    print("FAIL %s: %s" % (path, why))
    sys.exit(1)


def check(path, args):
    with open(path, "rb") as fh:
        raw = fh.read()
    parsed = swfparser.SWFParser(io.BytesIO(raw))
    h = parsed.header
    if h.Signature not in ("FWS", "CWS"):
        fail(path, "signature %r" % h.Signature)
    if h.Version != 10:
        fail(path, "version %d" % h.Version)
    if h.Signature == "FWS" and h.FileLength != len(raw):
        fail(path, "length field %d, file %d" % (h.FileLength, len(raw)))
    if h.FrameCount != 1:
        fail(path, "frame count %d" % h.FrameCount)
    xmin, xmax, ymin, ymax = h.FrameSize
    if xmin != 0 or ymin != 0:
        fail(path, "frame origin %r" % (h.FrameSize,))
    if args.width is not None and (xmax, ymax) != (args.width, args.height):
        fail(path, "frame %dx%d, expected %dx%d" % (xmax, ymax, args.width, args.height))

    names = [t.name for t in parsed.tags]
    if names != EXPECTED_TAGS:
        fail(path, "tags %r" % names)
    for t in parsed.tags:
        if type(t).__name__ in ("FailingObject", "UnknownObject"):
            fail(path, "unreadable tag %s" % t.name)
    attrs, bg, bits, shape, place, _ = parsed.tags
    if not attrs.ActionScript3 or attrs.UseNetwork:
        fail(path, "file attributes")
    if bg.BackgroundColor != [255, 255, 255]:
        fail(path, "background %r" % bg.BackgroundColor)

    fills = shape.Shapes.FillStyles.FillStyles
    if len(fills) != 1 or fills[0].FillStyleType != 0x41:
        fail(path, "fill styles")
    if fills[0].BitmapId != bits.CharacterID:
        fail(path, "fill uses bitmap %d, defined %d" % (fills[0].BitmapId, bits.CharacterID))
    if tuple(shape.ShapeBounds) != (xmin, xmax, ymin, ymax):
        fail(path, "shape bounds %r" % (shape.ShapeBounds,))
    if place.CharacterId != shape.ShapeId or place.Depth != 1:
        fail(path, "placement")

    # The outline must be closed and span the stage.
    x = y = 0
    minx = miny = maxx = maxy = None
    for rec in shape.Shapes.ShapeRecords:
        n = type(rec).__name__
        if n == "StyleChangeRecord":
            if getattr(rec, "StateMoveTo", 0):
                x, y = rec.MoveDeltaX, rec.MoveDeltaY
        elif n == "StraightEdgeRecord":
            x += getattr(rec, "DeltaX", 0) or 0
            y += getattr(rec, "DeltaY", 0) or 0
        else:
            continue
        minx = x if minx is None else min(minx, x)
        maxx = x if maxx is None else max(maxx, x)
        miny = y if miny is None else min(miny, y)
        maxy = y if maxy is None else max(maxy, y)
    if (x, y) != (0, 0) or (minx, maxx, miny, maxy) != (xmin, xmax, ymin, ymax):
        fail(path, "outline ends at %r spanning %r" % ((x, y), (minx, maxx, miny, maxy)))

    jpeg = b"\xff\xd8" + bits.ImageData
    image = Image.open(io.BytesIO(jpeg))
    image.load()
    if image.format != "JPEG":
        fail(path, "bitmap format %s" % image.format)
    if args.image and image.size != args.image:
        fail(path, "bitmap %r, expected %r" % (image.size, args.image))
    # The fill matrix maps bitmap pixels onto the stage.
    m = fills[0].BitmapMatrix
    sx, sy = m.ScaleX / 65536.0, m.ScaleY / 65536.0
    if abs(sx * image.size[0] - xmax) > 1 or abs(sy * image.size[1] - ymax) > 1:
        fail(path, "fill scale %.4f x %.4f for %r" % (sx, sy, image.size))
    if args.jpeg_out:
        with open(args.jpeg_out, "wb") as out:
            out.write(jpeg)
    print("ok %s %dx%d twips, bitmap %dx%d" % (os.path.basename(path), xmax, ymax,
                                                image.size[0], image.size[1]))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--width", type=int)
    p.add_argument("--height", type=int)
    p.add_argument("--image", type=lambda s: tuple(int(v) for v in s.split("x")))
    p.add_argument("--jpeg-out")
    p.add_argument("files", nargs="+")
    args = p.parse_args()
    for f in args.files:
        check(f, args)


if __name__ == "__main__":
    main()
