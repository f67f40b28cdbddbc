#!/usr/bin/env bash
# Builds the page-counter fuzzer with clang and libFuzzer.
#   fuzz/build.sh [OUT_DIR]      (default: build-fuzz beside the sources)
# The binary is OUT_DIR/pdfpagecount_fuzz.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-"$root/build-fuzz"}
mkdir -p "$out"
clang++ -std=c++20 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" \
  "$root/src/pdf/streamdecode.cpp" "$root/src/pdf/pdfreader.cpp" "$root/src/pdf/pdfpagecount.cpp" \
  "$root/fuzz/pdfpagecount_fuzz.cpp" -lz -o "$out/pdfpagecount_fuzz"
echo "$out/pdfpagecount_fuzz"
