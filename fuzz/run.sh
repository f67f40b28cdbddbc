#!/usr/bin/env bash
# Builds and runs the page-counter fuzzer on one core.
#   fuzz/run.sh [SECONDS] [OUT_DIR]   (default: 1800 seconds, build-fuzz)
# New inputs go to OUT_DIR/corpus (the seed corpus fuzz/corpus is only
# read); crashes are written to OUT_DIR/crash-*. Copy each crash to
# tests/data/pdf/crashers/ so the replay test keeps checking it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-1800}
out=${2:-"$root/build-fuzz"}
bin=$("$root/fuzz/build.sh" "$out")
mkdir -p "$out/corpus"
cd "$out"
exec "$bin" -jobs=1 -workers=1 -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
  -dict="$root/fuzz/pdf.dict" -artifact_prefix="$out/" -print_final_stats=1 \
  "$out/corpus" "$root/fuzz/corpus" "$root/tests/data/pdf/crashers"
