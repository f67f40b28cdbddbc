#!/usr/bin/env python3
"""Writes the small hand-made PDFs of the page-counter tests, one per case.

Each case is a few objects written out by hand below; this script only does
the arithmetic (byte offsets, compressed streams). Run it from anywhere:
    python3 tests/data/pdf/make_cases.py
"""
import os
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
HEADER = b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n"


class Doc:
    def __init__(self, header=HEADER):
        self.data = bytearray(header)
        self.offsets = {}

    def add(self, num, body):
        self.offsets[num] = len(self.data)
        self.data += b"%d 0 obj\n%s\nendobj\n" % (num, body)

    def stream(self, num, dict_body, raw, length=None):
        """`length` replaces the /Length value (such as b"9 0 R")."""
        length = length if length is not None else b"%d" % len(raw)
        self.add(num, b"<< %s /Length %s >>\nstream\n%s\nendstream" % (dict_body, length, raw))

    def table(self, nums, trailer, free=(), shift=0):
        """A classic section listing `nums` (offsets moved by `shift`) and
        the object numbers in `free` as free lines; returns its offset."""
        at = len(self.data)
        lines = {n: b"%010d 00000 n \n" % (self.offsets[n] + shift) for n in nums}
        lines.update({n: b"0000000000 65535 f \n" for n in free})
        out = bytearray(b"xref\n")
        keys = sorted(lines)
        run = []
        for n in keys + [None]:
            if run and (n is None or n != run[-1] + 1):
                out += b"%d %d\n" % (run[0], len(run)) + b"".join(lines[k] for k in run)
                run = []
            if n is not None:
                run.append(n)
        self.data += out + b"trailer\n<< %s >>\n" % trailer
        return at

    def xref_stream(self, num, rows, extra, predictor=None, length=None, wbits=15, filter=b"/FlateDecode",
                    type_field=True):
        """A cross-reference stream object; rows maps object number to
        (type, field2, field3); `wbits` is zlib's window size. `predictor`
        is None, "png" (PNG Up) or "tiff"; `filter` None writes the rows
        raw with no /Filter, another value raw under that /Filter unless it
        names FlateDecode; without `type_field` the first /W field is 0 (every
        row of type 1). Returns its offset."""
        nums = sorted(rows)
        index, run = [], []
        for n in nums + [None]:
            if run and (n is None or n != run[-1] + 1):
                index += [run[0], len(run)]
                run = []
            if n is not None:
                run.append(n)
        width = 6 if type_field else 5
        raw = b"".join((bytes([rows[n][0]]) if type_field else b"") + rows[n][1].to_bytes(3, "big")
                       + rows[n][2].to_bytes(2, "big") for n in nums)
        parms = b""
        if predictor == "png":  # PNG "Up" rows
            prev, filtered = bytes(width), bytearray()
            for i in range(0, len(raw), width):
                row = raw[i:i + width]
                filtered += b"\x02" + bytes((a - b) & 255 for a, b in zip(row, prev))
                prev = row
            raw = bytes(filtered)
            parms = b" /DecodeParms << /Columns %d /Predictor 12 >>" % width
        elif predictor == "tiff":  # each byte minus the one before it in its row
            raw = b"".join(bytes([row[0]]) + bytes((row[i] - row[i - 1]) & 255 for i in range(1, width))
                           for row in (raw[i:i + width] for i in range(0, len(raw), width)))
            parms = b" /DecodeParms << /Predictor 2 /Columns %d >>" % width
        at = len(self.data)
        if filter is not None and filter.startswith(b"/Fl"):
            packer = zlib.compressobj(-1, zlib.DEFLATED, wbits)
            raw = packer.compress(raw) + packer.flush()
        named = b"" if filter is None else b" /Filter " + filter
        self.stream(num, b"/Type /XRef /W [%d 3 2] /Index [%s]%s%s %s"
                    % (1 if type_field else 0, b" ".join(b"%d" % v for v in index), named, parms, extra),
                    raw, length)
        return at

    def object_stream(self, num, objects, filter=b"/FlateDecode"):
        """An object stream holding objects (number -> body), compressed
        when `filter` names FlateDecode; returns the rows for the
        cross-reference stream."""
        head, body = [], bytearray()
        for n, text in objects:
            head.append(b"%d %d" % (n, len(body)))
            body += text + b"\n"
        head = b" ".join(head) + b"\n"
        data = head + bytes(body)
        if filter is not None and filter.startswith(b"/Fl"):
            data = zlib.compress(data)
        named = b"" if filter is None else b" /Filter " + filter
        self.stream(num, b"/Type /ObjStm /N %d /First %d%s" % (len(objects), len(head), named), data)
        return {n: (2, num, i) for i, (n, _) in enumerate(objects)}

    def rows(self, nums):
        return {n: (1, self.offsets[n], 0) for n in nums}

    def finish(self, name, xref_at, tail=b""):
        self.data += b"startxref\n%d\n%%%%EOF\n" % xref_at + tail
        with open(os.path.join(HERE, name + ".pdf"), "wb") as f:
            f.write(self.data)


def pages(doc, count, kids=(3,), num=2):
    doc.add(num, b"<< /Type /Pages /Kids [%s] /Count %s >>"
            % (b" ".join(b"%d 0 R" % k for k in kids), count))


def page(doc, num=3, parent=2):
    doc.add(num, b"<< /Type /Page /Parent %d 0 R /MediaBox [0 0 200 200] >>" % parent)


def classic(name, count, extra=()):
    d = Doc()
    d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    pages(d, count)
    page(d)
    for num, body in extra:
        d.add(num, body)
    d.finish(name, d.table(sorted(d.offsets), b"/Size %d /Root 1 0 R" % (max(d.offsets) + 1), free=[0]))


classic("classic_count7", b"7")
classic("classic_count0", b"0")
classic("classic_indirect_count", b"5 0 R", extra=[(5, b"4")])
classic("number_overflow", b"2147483648")

# A linearization dictionary first; everything after it is damage.
d = Doc(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
d.add(1, b"<< /Linearized 1 /L 9999 /H [ 600 120 ] /O 4 /E 900 /N 12 /T 800 >>")
d.data += b"damaged: no objects, no cross-reference section\n"
with open(os.path.join(HERE, "linearized_damaged_rest.pdf"), "wb") as f:
    f.write(d.data)

# "/N" followed by a line break: not taken; the table gives 3.
d = Doc(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
d.add(4, b"<< /Linearized 1 /N\n12 >>")
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
pages(d, b"3")
page(d)
d.finish("linearized_n_linebreak", d.table([1, 2, 3, 4], b"/Size 5 /Root 1 0 R", free=[0]))

# Linearized with /N 2 and /L its length, then updated: the appended
# section gives the page tree 3 pages, and the file is longer than /L.
def linearized(length):
    d = Doc(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    d.add(4, b"<< /Linearized 1 /L %d /N 2 >>" % length)
    d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    pages(d, b"2")
    page(d)
    at = d.table([1, 2, 3, 4], b"/Size 5 /Root 1 0 R", free=[0])
    d.data += b"startxref\n%d\n%%%%EOF\n" % at
    return d, at


length = 0
while True:  # until /L holds the length it makes
    d, old = linearized(length)
    if len(d.data) == length:
        break
    length = len(d.data)
pages(d, b"3")
d.finish("linearized_then_updated", d.table([2], b"/Size 5 /Root 1 0 R /Prev %d" % old))

# Incremental update: the newer section lists a new catalog and page tree.
d = Doc()
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
pages(d, b"2")
page(d)
old = d.table([1, 2, 3], b"/Size 4 /Root 1 0 R", free=[0])
d.data += b"startxref\n%d\n%%%%EOF\n" % old
d.add(5, b"<< /Type /Catalog /Pages 2 0 R >>")
pages(d, b"3")
d.finish("incremental_update", d.table([2, 5], b"/Size 6 /Root 5 0 R /Prev %d" % old))

# A /Prev that points back at its own section.
d = Doc()
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
pages(d, b"2")
page(d)
at = len(d.data)
d.finish("prev_loop", d.table([1, 2, 3], b"/Size 4 /Root 1 0 R /Prev %d" % at, free=[0]))

# Every offset of the table is 3 bytes off: the objects are found by their
# headers instead.
d = Doc()
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
pages(d, b"8")
page(d)
d.finish("damaged_offsets", d.table([1, 2, 3], b"/Size 4 /Root 1 0 R", free=[0], shift=3))

# The root entry points at another object and no "1 0 obj" exists.
d = Doc()
d.add(7, b"<< /Type /Catalog /Pages 2 0 R >>")
pages(d, b"2")
page(d)
d.offsets[1] = d.offsets[7]
d.finish("root_not_found", d.table([1, 2, 3], b"/Size 8 /Root 1 0 R", free=[0]))

# Cross-reference streams.
def compressed_tree(count, filter=b"/FlateDecode", extra=()):
    """A document whose page (object 3) stands in the file and whose catalog
    (1) and page tree (2, /Count `count`) lie in object stream 10, `extra`
    objects after them; returns it and the rows of its cross-reference
    stream, the page and the object stream included."""
    d = Doc()
    page(d)
    rows = d.object_stream(10, [(1, b"<< /Type /Catalog /Pages 2 0 R >>"),
                                (2, b"<< /Type /Pages /Kids [3 0 R] /Count %s >>" % count)] + list(extra),
                           filter=filter)
    rows.update(d.rows([3, 10]))
    return d, rows


d = Doc()
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
page(d)
rows = d.object_stream(10, [(2, b"<< /Type /Pages /Kids [3 0 R] /Count 6 >>")])
rows.update(d.rows([1, 3, 10]))
d.finish("xrefstream_compressed_pages", d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R"))

d, rows = compressed_tree(b"5")
d.finish("xrefstream_compressed_catalog", d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R", predictor="png"))

d, rows = compressed_tree(b"6 0 R", extra=[(6, b"9")])
d.finish("xrefstream_indirect_count", d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R"))

d, rows = compressed_tree(b"5")
d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R /Filter /ASCIIHexDecode")
data = d.data.replace(b"/Filter /FlateDecode /Size", b"/Size")
d.data = bytearray(data.replace(b"/Type /XRef /W [1 3 2]", b"/Type /XRef /Filter [/FlateDecode] /W [1 3 2]"))
d.finish("xrefstream_filter_array", d.data.rindex(b"11 0 obj"))

# Older cross-reference stream holds the page tree; the newer one only a new
# catalog.
d, rows = compressed_tree(b"4")
old = d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R")
d.data += b"startxref\n%d\n%%%%EOF\n" % old
d.add(12, b"<< /Type /Catalog /Pages 2 0 R /PageMode /UseNone >>")
d.finish("xrefstream_prev_chain", d.xref_stream(13, d.rows([12]), b"/Size 14 /Root 12 0 R /Prev %d" % old))

d, rows = compressed_tree(b"4")
at = len(d.data)
d.finish("xrefstream_prev_loop", d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R /Prev %d" % at))

# Hybrid file: the table lists the compressed objects as free and names a
# cross-reference stream for them with /XRefStm.
d = Doc()
page(d)
rows = d.object_stream(10, [(1, b"<< /Type /Catalog /Pages 2 0 R >>"),
                            (2, b"<< /Type /Pages /Kids [3 0 R] /Count 11 >>")])
stm = d.xref_stream(11, rows, b"/Size 12")
d.finish("hybrid_xrefstm", d.table([3, 10], b"/Size 12 /Root 1 0 R /XRefStm %d" % stm, free=[0, 1, 2]))

# A classic update whose /Prev is a cross-reference stream.
d, rows = compressed_tree(b"4")
old = d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R")
d.data += b"startxref\n%d\n%%%%EOF\n" % old
d.add(12, b"<< /Type /Catalog /Pages 13 0 R >>")
d.add(13, b"<< /Type /Pages /Kids [2 0 R] /Count 4 0 R >>")
d.add(4, b"15")
d.finish("classic_prev_to_xrefstream", d.table([4, 12, 13], b"/Size 14 /Root 12 0 R /Prev %d" % old))

with open(os.path.join(HERE, "not_a_pdf.pdf"), "wb") as f:
    f.write(b"This is a text file that merely has the extension .pdf.\n")


# The stream's /Length is "9 0 R": object 9 holds the number.
def indirect_length(value):
    d = Doc()
    d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    pages(d, b"5")
    page(d)
    d.add(9, b"%6d" % value)  # fixed width: the offsets stay put
    at = d.xref_stream(11, d.rows([1, 2, 3, 9]), b"/Size 12 /Root 1 0 R", length=b"9 0 R")
    start = d.data.index(b"stream\n", at) + 7
    return d, at, d.data.index(b"\nendstream", start) - start


d, at, size = indirect_length(0)
d, at, _ = indirect_length(size)
d.finish("xrefstream_indirect_length", at)

# zlib data with a 512-byte window: its header's first byte is 0x18,
# a byte below the blank that must not be skipped as one after "stream".
d = Doc()
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
pages(d, b"9")
page(d)
at = d.xref_stream(11, d.rows([1, 2, 3]), b"/Size 12 /Root 1 0 R", wbits=9)
assert d.data[d.data.index(b"stream\n", at) + 7] < 0x21
d.finish("xrefstream_small_zlib_window", at)


# ---- stream forms other writers use -----------------------------------------

def objstm_file(name, count, filter=b"/FlateDecode", **xref):
    """Catalog and page tree in an object stream, the page in the file;
    `filter` for both streams, `xref` passed on to xref_stream."""
    d, rows = compressed_tree(b"%d" % count, filter=filter)
    d.finish(name, d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R", filter=filter, **xref))


objstm_file("xrefstream_no_filter", 6, filter=None)          # rows and objects stored as they are
objstm_file("xrefstream_filter_null", 7, filter=b"null")
objstm_file("xrefstream_filter_fl", 8, filter=b"/Fl")         # the abbreviated name
objstm_file("xrefstream_tiff_predictor", 9, predictor="tiff")

# /W [0 3 2]: no type field, every row is of type 1.
d = Doc()
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
pages(d, b"5")
page(d)
d.finish("xrefstream_type_field_omitted", d.xref_stream(11, d.rows([1, 2, 3]), b"/Size 12 /Root 1 0 R",
                                                         type_field=False))

# ---- damaged cross-reference information -------------------------------------


def simple(header=HEADER, count=b"4"):
    d = Doc(header)
    d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    pages(d, count)
    page(d)
    return d


# startxref names an offset inside an object.
d = simple()
d.table([1, 2, 3], b"/Size 4 /Root 1 0 R", free=[0])
d.finish("damaged_wrong_startxref", 30)

# No cross-reference section and no startxref at all; a trailer only.
d = simple(count=b"3")
d.data += b"trailer\n<< /Size 4 /Root 1 0 R >>\n%%EOF\n"
with open(os.path.join(HERE, "damaged_no_xref.pdf"), "wb") as f:
    f.write(d.data)

# The table breaks off after its first line.
d = simple(count=b"5")
at = d.table([1, 2, 3], b"/Size 4 /Root 1 0 R", free=[0])
d.data = d.data[:at + len(b"xref\n0 4\n0000000000 65535 f \n")] + b"00000#garbage\ntrailer\n<< /Size 4 /Root 1 0 R >>\n"
d.finish("damaged_broken_table", at)

# The page tree is written twice with no update section for the second:
# the one further down the file is the newest.
d = simple(count=b"2")
at = d.table([1, 2, 3], b"/Size 4 /Root 1 0 R", free=[0])
pages(d, b"6")
d.finish("damaged_newest_definition", 12345678)

# Junk before "%PDF-": the offsets count from the header.
d = simple(header=b"Content-Type: application/pdf\r\n\r\n" + HEADER, count=b"6")
junk = len(b"Content-Type: application/pdf\r\n\r\n")
d.finish("junk_before_header", d.table([1, 2, 3], b"/Size 4 /Root 1 0 R", free=[0], shift=-junk) - junk)

# Junk before "%PDF-", the offsets counting it (written after the junk was there).
d = simple(header=b"\x00\x00junk" + HEADER, count=b"7")
d.finish("junk_before_header_absolute", d.table([1, 2, 3], b"/Size 4 /Root 1 0 R", free=[0]))

# Catalog and page tree in an object stream; the cross-reference stream's
# data is damaged, the scan finds the objects and its /Root.
d, rows = compressed_tree(b"3")
at = d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R")
start = d.data.index(b"stream\n", at) + 7
d.data[start + 4:start + 12] = b"\xff" * 8
d.finish("damaged_xrefstream_data", at)

# ---- /Prev chains --------------------------------------------------------------

# The newest section's /Prev leads to an older one whose /Prev leads back.
d = simple(count=b"2")
older = d.table([1, 2, 3], b"/Size 4 /Root 1 0 R /Prev %d" % (len(d.data) + 200), free=[0])
pages(d, b"3")
d.data += b" " * (older + 200 - len(d.data))
d.finish("prev_loop_two_sections", d.table([2], b"/Size 4 /Root 1 0 R /Prev %d" % older))

# ---- values the dictionary scanner must not take for /Count ----------------------

def one_page_tree(name, tree):
    """Catalog, the page-tree root `tree` (one kid, /Count 1) and its page."""
    d = Doc()
    d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
    d.add(2, tree)
    page(d)
    d.finish(name, d.table([1, 2, 3], b"/Size 4 /Root 1 0 R", free=[0]))


one_page_tree("scanner_count_in_string",
              b"<< /Type /Pages /Title (/Count 7) /Note (a \\) /Count 9 \\( nested ( /Count 3 ) ) /Kids [3 0 R]"
              b" /Count 1 >>")
one_page_tree("scanner_longer_key", b"<< /Type /Pages /Countdown 8388607 /Kids [3 0 R] /Count 1 >>")
one_page_tree("scanner_nested_values",
              b"<< /Type /Pages % /Count 5\n /Info << /Count 6 >> /A [ << /Count 8 >> [ /Count 9 ] ]"
              b" /ID <2F436F756E742039> /Label /Count /Kids [3 0 R] /Count 1 >>")

# ---- counts the file cannot hold ------------------------------------------------

classic("count_implausible", b"2000000000")  # one leaf

# An implausible count over kids that loop back to the root.
d = Doc()
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
d.add(2, b"<< /Type /Pages /Kids [4 0 R] /Count 2000000000 >>")
d.add(4, b"<< /Type /Pages /Kids [2 0 R 3 0 R] /Count 1 >>")
page(d, parent=4)
d.finish("count_implausible_kids_loop", d.table([1, 2, 3, 4], b"/Size 5 /Root 1 0 R", free=[0]))

# No /Count: the leaves of a two-level tree.
d = Doc()
d.add(1, b"<< /Type /Catalog /Pages 2 0 R >>")
d.add(2, b"<< /Type /Pages /Kids [4 0 R 3 0 R] >>")
d.add(4, b"<< /Type /Pages /Kids [5 0 R 6 0 R] /Count 2 >>")
page(d)
page(d, num=5, parent=4)
page(d, num=6, parent=4)
d.finish("count_missing", d.table([1, 2, 3, 4, 5, 6], b"/Size 7 /Root 1 0 R", free=[0]))

# ---- encryption -----------------------------------------------------------------

# The trailer names /Encrypt; the page tree is readable (dictionaries are
# never encrypted, only strings and streams).
d = simple(count=b"2")
d.add(9, b"<< /Filter /Standard /V 2 /R 3 /O <00> /U <00> /P -4 >>")
d.finish("encrypted_readable_tree", d.table([1, 2, 3, 9], b"/Size 10 /Root 1 0 R /Encrypt 9 0 R", free=[0]))

# The page tree lies in an object stream whose bytes are encrypted.
d = Doc()
page(d)
d.stream(10, b"/Type /ObjStm /N 2 /First 10 /Filter /FlateDecode", bytes(range(7, 200, 3)))
d.add(9, b"<< /Filter /Standard /V 2 /R 3 /O <00> /U <00> /P -4 >>")
rows = {1: (2, 10, 0), 2: (2, 10, 1)}
rows.update(d.rows([3, 9, 10]))
d.finish("encrypted_object_stream", d.xref_stream(11, rows, b"/Size 12 /Root 1 0 R /Encrypt 9 0 R"))
