#!/usr/bin/env python3
"""Converter benchmark: pdf2swf against pdftoppm on the same PDF, one run.

usage: bench_convert.py PDF2SWF [--pages N] [--runs R] [--dpi D]

Generates a PDF of N pages (default 100) of text and vector graphics with
reportlab, then converts it R times (default 3) with each tool, alternating:

  pdf2swf  <pdf> -j 100 -o <dir>/bench_%.swf -r D
  pdftoppm -jpeg -jpegopt quality=100 -r D <pdf> <dir>/page

and prints the best wall time of each (with its CPU time), the ratio
pdftoppm / pdf2swf (above 1 means pdf2swf is faster) and the output bytes
per page of each. The wall-time ratio depends on idle cores: pdf2swf uses
all of them, pdftoppm one; the CPU ratio shows the cost per page.
Needs Debian's python3 (reportlab) and poppler-utils (pdftoppm).
"""
import argparse
import math
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

from reportlab.lib.pagesizes import A4
from reportlab.pdfgen import canvas

WORDS = ("leaf weave page turn book paper binding spine cover margin column "
         "figure table chapter index gloss").split()


def make_pdf(path, pages):
    c = canvas.Canvas(path, pagesize=A4)
    w, h = A4
    for n in range(pages):
        c.setFont("Helvetica-Bold", 20)
        c.drawString(60, h - 70, "Chapter %d" % (n + 1))
        c.setFont("Times-Roman", 10.5)
        y = h - 100
        for line in range(48):
            words = [WORDS[(n * 7 + line * 3 + k) % len(WORDS)] for k in range(14)]
            c.drawString(60, y, " ".join(words).capitalize() + ".")
            y -= 13
        # Graphics: a chart of filled bars, a curve, a circle pattern.
        for b in range(12):
            c.setFillColorRGB(0.1 + 0.07 * b, 0.3, 0.9 - 0.06 * b)
            c.rect(60 + b * 22, 60, 16, 40 + ((n + b) % 9) * 12, fill=1, stroke=0)
        c.setStrokeColorRGB(0.8, 0.1, 0.1)
        c.setLineWidth(1.5)
        p = c.beginPath()
        p.moveTo(360, 120)
        for x in range(0, 180, 4):
            p.lineTo(360 + x, 120 + 50 * math.sin((x + n * 10) / 20.0))
        c.drawPath(p, stroke=1, fill=0)
        for r in range(6):
            c.setStrokeColorRGB(0.2, 0.5 + r * 0.08, 0.3)
            c.circle(450, 220, 12 + r * 8, stroke=1, fill=0)
        c.showPage()
    c.save()


def timed(cmd):
    """Wall seconds and CPU seconds (user + system) of one run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def folder_bytes(folder):
    return sum(os.path.getsize(os.path.join(folder, f)) for f in os.listdir(folder))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("pdf2swf")
    ap.add_argument("--pages", type=int, default=100)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--dpi", type=int, default=150)
    args = ap.parse_args()
    pdftoppm = shutil.which("pdftoppm")
    if not pdftoppm:
        sys.exit("pdftoppm not found (poppler-utils)")

    with tempfile.TemporaryDirectory(prefix="lwbench-") as tmp:
        pdf = os.path.join(tmp, "bench.pdf")
        make_pdf(pdf, args.pages)
        swf_dir = os.path.join(tmp, "swf")
        ppm_dir = os.path.join(tmp, "ppm")
        best_swf = best_ppm = (float("inf"), 0.0)
        for _ in range(args.runs):
            for d in (swf_dir, ppm_dir):
                shutil.rmtree(d, ignore_errors=True)
                os.mkdir(d)
            best_swf = min(best_swf, timed([args.pdf2swf, pdf, "-j", "100", "-o",
                                            os.path.join(swf_dir, "bench_%.swf"),
                                            "-r", str(args.dpi)]))
            best_ppm = min(best_ppm, timed([pdftoppm, "-jpeg", "-jpegopt", "quality=100",
                                            "-r", str(args.dpi), pdf,
                                            os.path.join(ppm_dir, "page")]))
        n_swf = len(os.listdir(swf_dir))
        n_ppm = len(os.listdir(ppm_dir))
        if n_swf != args.pages or n_ppm != args.pages:
            sys.exit("page counts differ: pdf2swf %d, pdftoppm %d, expected %d"
                     % (n_swf, n_ppm, args.pages))
        print("pages            %d at %d dpi, JPEG quality 100, cores %d, load %.1f"
              % (args.pages, args.dpi, os.cpu_count(), os.getloadavg()[0]))
        print("pdf2swf          %.2f s wall  %.2f s cpu  %.0f bytes/page"
              % (best_swf[0], best_swf[1], folder_bytes(swf_dir) / n_swf))
        print("pdftoppm         %.2f s wall  %.2f s cpu  %.0f bytes/page"
              % (best_ppm[0], best_ppm[1], folder_bytes(ppm_dir) / n_ppm))
        print("ratio pdftoppm/pdf2swf  %.2f wall (target >= 1.5), %.2f cpu"
              % (best_ppm[0] / best_swf[0], best_ppm[1] / best_swf[1]))

if __name__ == "__main__":
    main()
