#!/usr/bin/env bash
# Processor share of an idle Leafweaver window showing the sample book:
#   bench/ui/idle_cpu.sh [PROGRAM_DIR] [SECONDS]
# Starts the window on the current display (Xvfb if there is none) with a
# fresh data folder, lets the preview settle, then adds up the processor
# time of the window and all its browser processes over SECONDS (default
# 10) and prints it as a share of one core. Target: at most 0.15.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
program=$(cd "${1:-$root/build/program}" && pwd)
seconds=${2:-10}
home=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$home"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  n=99
  while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$n"
  sleep 1
fi
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox --disable-gpu}"
XDG_DATA_HOME="$home" "$program/leafweaver" >/dev/null 2>&1 &
pid=$!
sleep 15  # start-up and the preview's first page

# Clock ticks used so far by the window and every process below it.
ticks() {
  local total=0 p
  for p in $(pgrep -P "$pid" -d ' ' || true) $(pgrep -f QtWebEngineProcess -d ' ' || true) "$pid"; do
    [ -r "/proc/$p/stat" ] || continue
    total=$((total + $(awk '{print $14 + $15}' "/proc/$p/stat")))
  done
  echo "$total"
}
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v d=$((after - before)) -v hz="$hz" -v s="$seconds" \
  'BEGIN { printf "idle window: %.3f of a core over %d s (target 0.15)\n", d / hz / s, s }'
