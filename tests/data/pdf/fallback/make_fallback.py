#!/usr/bin/env python3
"""Writes one small PDF per reason a page is not a vector page, for the
converter's table of fallback reasons (tests/pdf2swf/fallback_test.cpp).

usage: make_fallback.py FOLDER

Each file is one page of 300 x 300 points; its name is the reason's: e.g.
soft_mask.pdf paints through a soft mask. vector.pdf is within every rule.
"""
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "hostile"))
from make_hostile import stream, write_pdf  # noqa: E402

FONT = b"/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >>"
FUNCTION = b"<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>"


def form(body, group=b"/S /Transparency", resources=b"<< >>"):
    return stream(b"/Type /XObject /Subtype /Form /BBox [0 0 300 300] /Group << %s >> /Resources %s"
                  % (group, resources), body)


def write(path, resources, content, extra=(), size=300, compress=False):
    """One page; `extra` objects are numbers 5 on, for `resources` to name."""
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Resources << %s >> /Contents 4 0 R >>"
        % (size, size, resources),
        stream(b"", content, compress),
    ] + list(extra)
    write_pdf(path, objects)


BACKDROP = b"0.2 0.4 0.9 rg 20 20 200 200 re f\n"
SQUARE = b"0.9 0.2 0.2 rg 50 50 60 60 re f\n"


def cases():
    gs = lambda entries: b"/ExtGState << /G << %s >> >>" % entries
    xobject = b"/XObject << /Fm 5 0 R >>"
    shading = b"/Shading << /S0 5 0 R >>"
    pattern = b"0 0.5 0 rg 2 2 10 10 re f"
    yield "vector", FONT, b"BT /F1 24 Tf 30 200 Td (Plain text) Tj ET\n" + BACKDROP, ()
    yield "blend_mode", gs(b"/BM /ColorDodge"), BACKDROP + b"/G gs " + SQUARE, ()
    yield "blend_over_bare_page", gs(b"/BM /Screen"), b"/G gs " + SQUARE, ()
    yield "blend_in_isolated_group", xobject, b"/Fm Do\n", [
        form(BACKDROP + b"/G gs " + SQUARE, b"/S /Transparency /I true", b"<< %s >>" % gs(b"/BM /Multiply"))]
    yield "soft_mask", gs(b"/SMask << /S /Luminosity /G 5 0 R >>"), b"/G gs " + SQUARE, [
        form(b"0.5 g 0 0 300 300 re f")]
    yield "pattern_image_mask", b"/Pattern << /P0 5 0 R >> /XObject << /Im 6 0 R >>", \
        b"/Pattern cs /P0 scn q 100 0 0 100 50 50 cm /Im Do Q\n", [
            stream(b"/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 20 20] "
                   b"/XStep 20 /YStep 20 /Resources << >>", pattern),
            stream(b"/Type /XObject /Subtype /Image /ImageMask true /Width 8 /Height 8 /BitsPerComponent 1 "
                   b"/Filter /ASCIIHexDecode", b"FF00FF00FF00FF00>")]
    yield "knockout_group", xobject, b"/Fm Do\n", [form(BACKDROP + SQUARE, b"/S /Transparency /K true")]
    yield "group_opacity", gs(b"/ca 0.5") + b" " + xobject, b"/G gs /Fm Do\n", [form(BACKDROP + SQUARE)]
    yield "function_shading", shading, b"/S0 sh\n", [
        b"<< /ShadingType 1 /ColorSpace /DeviceRGB /Domain [0 1 0 1] /Matrix [300 0 0 300 0 0] /Function 6 0 R >>",
        stream(b"/FunctionType 4 /Domain [0 1 0 1] /Range [0 1 0 1 0 1]", b"{pop 0.5 0}")]
    mesh = bytes([0, 10, 10, 255, 0, 0, 0, 200, 20, 0, 255, 0, 0, 100, 200, 0, 0, 255])
    yield "mesh_shading", shading, b"/S0 sh\n", [
        stream(b"/ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 "
               b"/BitsPerFlag 8 /Decode [0 255 0 255 0 1 0 1 0 1]", mesh)]
    yield "degenerate_shading", shading, b"/S0 sh\n", [
        b"<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [100 100 100 100] /Function %s >>" % FUNCTION]
    yield "radial_between_circles", shading, b"/S0 sh\n", [
        b"<< /ShadingType 3 /ColorSpace /DeviceRGB /Coords [100 150 20 200 150 40] /Function %s >>" % FUNCTION]
    yield "text_as_clip", FONT, b"BT /F1 24 Tf 7 Tr 30 200 Td (Clip) Tj ET " + SQUARE, ()
    yield "outlined_text", FONT, b"BT /F1 24 Tf 1 Tr 30 200 Td (Outline) Tj ET\n", ()
    # The page's budget (ReadLimits): one over each limit.
    yield "too_many_items", FONT, b"BT /F1 4 Tf 10 10 Td " + b"0 g (a) Tj 1 0 0 rg (a) Tj " * 10001 + b"ET\n", ()
    yield "too_many_paths", b"", b"".join(b"%d %d 2 2 re f\n" % (i % 290, i // 290 % 290) for i in range(5001)), ()
    yield "too_many_clips", b"", b"q 0 0 200 200 re W n Q\n" * 5001 + SQUARE, ()
    yield "clips_nested_too_deep", b"", b"0 0 200 200 re W n\n" * 65 + SQUARE, ()
    yield "too_many_images", b"/XObject << /Im 5 0 R >>", \
        b"".join(b"q 5 0 0 5 %d %d cm /Im Do Q\n" % (i % 50 * 6, i // 50 * 6) for i in range(401)), [
            stream(b"/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
                   b"/BitsPerComponent 8 /Filter /ASCIIHexDecode", b"40>")]
    yield "image_too_large", b"/XObject << /Im 5 0 R >>", b"q 100 0 0 100 50 50 cm /Im Do Q\n", [
        stream(b"/Type /XObject /Subtype /Image /Width 10000 /Height 10000 /ColorSpace /DeviceGray "
               b"/BitsPerComponent 8 /Filter /ASCIIHexDecode", b"80>")]


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(folder, exist_ok=True)
    for name, resources, content, extra in cases():
        write(os.path.join(folder, name + ".pdf"), resources, content, extra, compress=len(content) > 4096)
    # Three million empty saves: over a short --page-time as vectors and as
    # a bitmap, within every other budget.
    write(os.path.join(folder, "took_too_long.pdf"), b"", b"q Q " * 3000000, compress=True)
    # 4,000 paths of ten random segments on a page of 100 points: a vector
    # movie larger than its bitmap page.
    rnd = random.Random(7)
    paths = []
    for _ in range(4000):
        points = b" l ".join(b"%.1f %.1f" % (rnd.uniform(0, 100), rnd.uniform(0, 100)) for _ in range(10))
        paths.append(b"%.2f %.2f %.2f rg %s l h f*\n" % (rnd.random(), rnd.random(), rnd.random(),
                                                          points.replace(b" l ", b" m ", 1)))
    write(os.path.join(folder, "larger_than_its_bitmap.pdf"), b"", b"".join(paths), size=100, compress=True)


if __name__ == "__main__":
    main()
