#!/usr/bin/env bash
# Builds the page-counter and book-file fuzzers with clang and libFuzzer.
#   fuzz/build.sh [OUT_DIR]      (default: build-fuzz beside the sources)
# The binaries are OUT_DIR/pdfpagecount_fuzz (its path is printed) and
# OUT_DIR/bookdocument_fuzz (the book file's reader, linked with Qt Core).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-"$root/build-fuzz"}
mkdir -p "$out"
clang++ -std=c++20 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" \
  "$root/src/pdf/streamdecode.cpp" "$root/src/pdf/pdfreader.cpp" "$root/src/pdf/pdfpagecount.cpp" \
  "$root/fuzz/pdfpagecount_fuzz.cpp" -lz -o "$out/pdfpagecount_fuzz"
qt=$(pkg-config --cflags --libs Qt6Core)
# shellcheck disable=SC2086
clang++ -std=c++20 -g -O1 -fno-omit-frame-pointer -fPIC \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" $qt \
  "$root/src/pdf/streamdecode.cpp" "$root/src/pdf/pdfreader.cpp" "$root/src/pdf/pdfpagecount.cpp" \
  "$root"/src/fsutil/fsutil.cpp "$root"/src/model/{tbookobj,uconst,conversionnames,tfileobj,pagerange,pageimport,bookdocument}.cpp \
  "$root/fuzz/bookdocument_fuzz.cpp" $qt -lz -o "$out/bookdocument_fuzz"
echo "$out/pdfpagecount_fuzz"
