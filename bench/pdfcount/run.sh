#!/usr/bin/env bash
# Page-count benchmark, run on demand:
#   bench/pdfcount/run.sh [BUILD_DIR]     (default: build)
# Generates 100-, 1,000- and 5,000-page PDFs (a plain and an object-stream
# variant of each, both written by qpdf from one generated base) in a temporary
# folder, times `pdfpagecount`, `pdfinfo` and `qpdf --show-npages` on each
# with hyperfine (whole process, median), prints the ratios, counts the
# instructions of the whole `pdfpagecount` and `pdfinfo` processes on the
# 5,000-page object-stream file with callgrind (target: pdfinfo needs at
# least 8 times as many), then times the in-process call on the same files.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
here="$root/bench/pdfcount"
build=$(cd "${1:-$root/build}" && pwd)
tool="$build/program/pdfpagecount"
[ -x "$tool" ] || cmake --build "$build" --target pdfpagecount -j2
python=python3
for candidate in python3 /usr/bin/python3; do
  if "$candidate" -c "" 2>/dev/null; then python=$candidate; break; fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
files=()
for n in 100 1000 5000; do
  "$python" "$here/makebase.py" "$n" "$work/base$n.pdf"
  qpdf --object-streams=disable "$work/base$n.pdf" "$work/plain$n.pdf"
  qpdf --object-streams=generate "$work/base$n.pdf" "$work/objstm$n.pdf"
  files+=("$work/plain$n.pdf" "$work/objstm$n.pdf")
done

printf '%-14s %8s %12s %12s %12s %9s %9s\n' file pages "ours(ms)" "pdfinfo(ms)" "qpdf(ms)" "pdfinfo/x" "qpdf/x"
for f in "${files[@]}"; do
  ours=$("$tool" "$f" | cut -f1)
  theirs=$(pdfinfo "$f" | awk '/^Pages:/ {print $2}')
  [ "$ours" = "$theirs" ] || { echo "count differs on $(basename "$f"): $ours vs $theirs" >&2; exit 1; }
  hyperfine -N --warmup 10 --min-runs 50 --export-json "$work/t.json" \
    "$tool $f" "pdfinfo $f" "qpdf --show-npages $f" >/dev/null 2>&1
  "$python" - "$work/t.json" "$(basename "$f" .pdf)" "$ours" <<'PY'
import json, sys
r = [x["median"] * 1000 for x in json.load(open(sys.argv[1]))["results"]]
print("%-14s %8s %12.2f %12.2f %12.2f %9.1f %9.1f" % (sys.argv[2], sys.argv[3], r[0], r[1], r[2], r[1] / r[0], r[2] / r[0]))
PY
done

# Instructions of the whole process (start-up included), read from
# callgrind's "Collected" line.
instructions() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    awk '/Collected :/ {print $NF}'
}
objstm="$work/objstm5000.pdf"
ours_ir=$(instructions "$tool" "$objstm")
pdfinfo_ir=$(instructions pdfinfo "$objstm")
"$python" - "$ours_ir" "$pdfinfo_ir" <<'PY'
import sys
ours, theirs = int(sys.argv[1]), int(sys.argv[2])
ratio = theirs / ours
print("callgrind, objstm5000: pdfpagecount %s instructions, pdfinfo %s, ratio %.1f (target >= 8: %s)"
      % (format(ours, ","), format(theirs, ","), ratio, "met" if ratio >= 8 else "MISSED"))
PY

g++ -std=c++20 -O2 -I "$root/src" "$here/inprocess.cpp" "$root/src/pdf/streamdecode.cpp" \
  "$root/src/pdf/pdfreader.cpp" "$root/src/pdf/pdfpagecount.cpp" -lz -o "$work/inprocess"
(cd "$work" && ./inprocess plain100.pdf objstm100.pdf plain5000.pdf objstm5000.pdf)
