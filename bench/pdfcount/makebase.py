#!/usr/bin/env python3
"""Writes a plain PDF of N text pages (a two-level page tree) for the
page-count benchmark: makebase.py PAGES OUT.pdf"""
import sys

pages, out = int(sys.argv[1]), sys.argv[2]
objs = {}  # number -> bytes
FONT, ROOT, TREE = 1, 2, 3
objs[FONT] = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"
next_num = 4
groups = [list(range(i, min(i + 50, pages))) for i in range(0, pages, 50)]
nodes = []
for group in groups:
    node = next_num
    next_num += 1
    kids = []
    for p in group:
        page, content = next_num, next_num + 1
        next_num += 2
        text = b"BT /F1 36 Tf 72 700 Td (Leaf %d) Tj ET" % (p + 1)
        objs[content] = b"<< /Length %d >>\nstream\n%s\nendstream" % (len(text), text)
        objs[page] = (b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 612 792] /Contents %d 0 R "
                      b"/Resources << /Font << /F1 %d 0 R >> >> >>" % (node, content, FONT))
        kids.append(page)
    objs[node] = b"<< /Type /Pages /Parent %d 0 R /Kids [%s] /Count %d >>" % (
        TREE, b" ".join(b"%d 0 R" % k for k in kids), len(kids))
    nodes.append(node)
objs[TREE] = b"<< /Type /Pages /Kids [%s] /Count %d >>" % (b" ".join(b"%d 0 R" % n for n in nodes), pages)
objs[ROOT] = b"<< /Type /Catalog /Pages %d 0 R >>" % TREE

data = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
offsets = {}
for n in sorted(objs):
    offsets[n] = len(data)
    data += b"%d 0 obj\n%s\nendobj\n" % (n, objs[n])
xref = len(data)
data += b"xref\n0 %d\n0000000000 65535 f \n" % next_num
data += b"".join(b"%010d 00000 n \n" % offsets[n] for n in range(1, next_num))
data += b"trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (next_num, ROOT, xref)
with open(out, "wb") as f:
    f.write(data)
