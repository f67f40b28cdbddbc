#!/usr/bin/env python3
"""Writes the small hostile PDFs of the converter's page budget tests.

usage: make_hostile.py FOLDER

tiling_cells.pdf  a tiling pattern whose cell is 0.01 pt square, filling the
                  page: about five billion cells
long_stroke.pdf   one stroked path of 400,000 straight segments
nested_forms.pdf  forms that draw their child twice, 32 levels deep: about
                  four billion small rectangles
tiling_small.pdf  within every budget: a tiling pattern of 100 cells of 20 pt
mesh_million.pdf  a free-form triangle mesh shading of a million triangles
radial_repeat.pdf a radial shading painted 100,000 times
"""
import os
import sys
import zlib


def write_pdf(path, objects):
    """objects: list of bytes, object n+1 is objects[n]; object 1 the catalog."""
    out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for n, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % n + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    with open(path, "wb") as f:
        f.write(out)


def stream(dict_entries, data, compress=False):
    if compress:
        data = zlib.compress(data, 9)
        dict_entries += b" /Filter /FlateDecode"
    return b"<< %s /Length %d >>\nstream\n" % (dict_entries, len(data)) + data + b"\nendstream"


def page_objects(resources, content, compress=False):
    return [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources %s /Contents 4 0 R >>" % resources,
        stream(b"", content, compress),
    ]


def tiling_cells(path):
    objs = page_objects(b"<< /Pattern << /P0 5 0 R >> >>", b"/Pattern cs /P0 scn 0 0 612 792 re f\n")
    objs.append(stream(b"/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 "
                       b"/BBox [0 0 .01 .01] /XStep .01 /YStep .01 /Resources << >>",
                       b"0 0 1 rg 0 0 .005 .005 re f"))
    write_pdf(path, objs)


def tiling_small(path):
    objs = page_objects(b"<< /Pattern << /P0 5 0 R >> >>", b"/Pattern cs /P0 scn 100 300 200 200 re f\n")
    objs.append(stream(b"/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 "
                       b"/BBox [0 0 20 20] /XStep 20 /YStep 20 /Resources << >>",
                       b"0 0.5 0 rg 2 2 10 10 re f"))
    write_pdf(path, objs)


def long_stroke(path):
    n = 400000
    parts = [b"0.2 w 0 0 0 RG 20 20 m\n"]
    for i in range(1, n + 1):
        # A zigzag across the page and back, over and over (which keeps the
        # file small).
        x = 20 + (i % 1000) * 0.5
        y = 200 + ((i // 1000) % 2) * 300 + (i % 2) * 0.9
        parts.append(b"%.2f %.2f l\n" % (x, y))
    parts.append(b"S\n")
    write_pdf(path, page_objects(b"<< >>", b"".join(parts), compress=True))


def nested_forms(path):
    levels = 32
    objs = page_objects(b"<< /XObject << /F0 5 0 R >> >>", b"/F0 Do\n")
    for level in range(levels):
        n = 5 + level
        if level == levels - 1:
            body = b"0 0 1 rg 0 0 1 1 re f"
            res = b"<< >>"
        else:
            body = b"q 0.5 0 0 0.5 0 0 cm /F Do Q q 0.5 0 0 0.5 306 0 cm /F Do Q"
            res = b"<< /XObject << /F %d 0 R >> >>" % (n + 1)
        objs.append(stream(b"/Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources %s" % res, body))
    write_pdf(path, objs)


def mesh_million(path):
    # Type 4: each vertex a flag byte, two 16-bit coordinates and an RGB
    # colour; flag 1 goes on along the strip with one vertex a triangle.
    n = 1000000
    rows = []
    for i in range(n + 2):
        flag = 0 if i < 3 else 1
        # A small zigzag over and over, which keeps the file small.
        x = (i % 64) * 1000
        y = (i % 2) * 30000 + (i // 64 % 2) * 1000
        rows.append(bytes([flag, x >> 8, x & 255, y >> 8, y & 255, (i % 64) * 4, 128, 64]))
    objs = page_objects(b"<< /Shading << /S0 5 0 R >> >>", b"/S0 sh\n")
    objs.append(stream(b"/ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 16 "
                       b"/BitsPerComponent 8 /BitsPerFlag 8 /Decode [0 612 0 792 0 1 0 1 0 1]",
                       b"".join(rows), compress=True))
    write_pdf(path, objs)


def radial_repeat(path):
    paints = b"".join(b"q 1 0 0 1 %d %d cm /S0 sh Q\n" % (i % 50, (i // 50) % 50) for i in range(100000))
    objs = page_objects(b"<< /Shading << /S0 5 0 R >> >>", paints, compress=True)
    objs.append(b"<< /ShadingType 3 /ColorSpace /DeviceRGB /Coords [306 396 0 306 396 300] "
                b"/Extend [true true] /Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] "
                b"/C1 [0 0 1] /N 1 >> >>")
    write_pdf(path, objs)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(folder, exist_ok=True)
    tiling_cells(os.path.join(folder, "tiling_cells.pdf"))
    long_stroke(os.path.join(folder, "long_stroke.pdf"))
    nested_forms(os.path.join(folder, "nested_forms.pdf"))
    tiling_small(os.path.join(folder, "tiling_small.pdf"))
    mesh_million(os.path.join(folder, "mesh_million.pdf"))
    radial_repeat(os.path.join(folder, "radial_repeat.pdf"))


if __name__ == "__main__":
    main()
