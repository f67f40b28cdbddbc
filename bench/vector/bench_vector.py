#!/usr/bin/env python3
"""Vector page benchmark: pdf2swf's vector pages against its bitmap pages,
the PDF itself and pdftoppm, per document of a corpus.

usage: bench_vector.py PROGRAM_DIR [PDF...] [--ssim N]

Without PDFs the corpus is the PDFs under /usr/share/doc (gzipped ones
unpacked into a temporary folder) plus generated ones (reportlab text and
chart pages). For each document it prints: pages, bytes per page of the
vector run (median, 90th percentile) and of the bitmap run (--bitmap), the
vector pages' total against the PDF's size, conversion time of each run and
of pdftoppm -r 150 (JPEG quality 100), and the share of pages that fell back
to bitmaps with the reasons. With --ssim N (default 0) the first N pages of
each document are also drawn by Ruffle in headless Chromium and compared
with Poppler's rendering at 1x (1.5 px per point) and 4x (6 px per point)
by tests/pdf2swf/vector_pages_ssim.js.
Needs Debian's python3 (reportlab), poppler-utils and, for --ssim, node.
"""
import argparse
import glob
import gzip
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def corpus(tmp):
    out = []
    for path in sorted(glob.glob("/usr/share/doc/**/*.pdf*", recursive=True)):
        name = os.path.basename(path)
        if name.endswith(".pdf"):
            out.append(path)
        elif name.endswith(".pdf.gz"):
            dest = os.path.join(tmp, name[:-3])
            with gzip.open(path) as src, open(dest, "wb") as dst:
                shutil.copyfileobj(src, dst)
            out.append(dest)
    sys.path.insert(0, os.path.join(HERE, "..", "convert"))
    try:
        import bench_convert
        gen = os.path.join(tmp, "generated-text-chart.pdf")
        bench_convert.make_pdf(gen, 20)
        out.append(gen)
    except Exception as e:  # the generator is optional
        print("(no generated document: %s)" % e)
    return out


def pct(values, p):
    values = sorted(values)
    if not values:
        return 0
    k = min(len(values) - 1, max(0, int(round(p / 100.0 * (len(values) - 1)))))
    return values[k]


def run(cmd):
    t0 = time.time()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.time() - t0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program")
    ap.add_argument("pdfs", nargs="*")
    ap.add_argument("--ssim", type=int, default=0)
    args = ap.parse_args()
    pdf2swf = os.path.join(args.program, "pdf2swf")
    tmp = tempfile.mkdtemp(prefix="lw-bench-vector-")
    try:
        pdfs = args.pdfs or corpus(tmp)
        print("%-28s %5s %9s %9s %9s %9s %7s %7s %7s %7s  %s" % (
            "document", "pages", "vec med", "vec p90", "bmp med", "bmp p90", "vec/pdf",
            "t vec", "t bmp", "t ppm", "fallbacks"))
        for pdf in pdfs:
            name = os.path.basename(pdf)[:28]
            vdir, bdir, pdir = (os.path.join(tmp, d) for d in ("v", "b", "p"))
            for d in (vdir, bdir, pdir):
                shutil.rmtree(d, ignore_errors=True)
                os.makedirs(d)
            report = os.path.join(vdir, "report.txt")
            try:
                tv = run([pdf2swf, pdf, "-j", "100", "-o", os.path.join(vdir, "p_%.swf"), "--report", report])
                tb = run([pdf2swf, pdf, "-j", "100", "-o", os.path.join(bdir, "p_%.swf"), "--bitmap"])
                tp = run(["pdftoppm", "-jpeg", "-jpegopt", "quality=100", "-r", "150", pdf, os.path.join(pdir, "p")])
            except subprocess.CalledProcessError as e:
                print("%-28s failed: %s" % (name, e))
                continue
            rows = [line.rstrip("\n").split("\t") for line in open(report)]
            vsizes = [int(r[2]) for r in rows]
            bsizes = [os.path.getsize(f) for f in glob.glob(os.path.join(bdir, "p_*.swf"))]
            reasons = {}
            for r in rows:
                if r[1] == "bitmap":
                    reasons[r[3]] = reasons.get(r[3], 0) + 1
            fb = "%d%%" % round(100.0 * sum(reasons.values()) / max(1, len(rows)))
            if reasons:
                fb += " (" + ", ".join("%s: %d" % kv for kv in sorted(reasons.items())) + ")"
            print("%-28s %5d %8.1fK %8.1fK %8.1fK %8.1fK %7.2f %6.2fs %6.2fs %6.2fs  %s" % (
                name, len(rows), statistics.median(vsizes) / 1024, pct(vsizes, 90) / 1024,
                statistics.median(bsizes) / 1024, pct(bsizes, 90) / 1024,
                sum(vsizes) / float(os.path.getsize(pdf)), tv, tb, tp, fb))
            if args.ssim > 0:
                subprocess.run(["node", os.path.join(HERE, "..", "..", "tests", "pdf2swf", "vector_pages_ssim.js"),
                                args.program, pdf, vdir, str(args.ssim)])
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
