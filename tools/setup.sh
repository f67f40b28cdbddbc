#!/usr/bin/env bash
# One-command set-up on Debian 12.
#   tools/setup.sh run    install what is needed, build, start Leafweaver
#   tools/setup.sh test   install what is needed, build, run every test
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
what=${1:-}
case "$what" in run|test) ;; *) echo "usage: $0 run|test" >&2; exit 64 ;; esac

if [ "$(id -u)" -eq 0 ]; then
  bash "$root/tools/install-deps.sh"
else
  sudo bash "$root/tools/install-deps.sh"
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"

# Start a virtual display when there is none; Leafweaver and its browser
# tests need one.
xvfb_pid=
start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n=99
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export LW_STARTED_XVFB=1
  trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
}

case "$what" in
  run)
    start_display
    if [ -n "${LW_STARTED_XVFB:-}" ]; then
      export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox --disable-gpu}"
      echo "No display here: Leafweaver runs on the virtual display $DISPLAY."
      echo "Look at it with:  DISPLAY=$DISPLAY import -window root leafweaver.png"
      echo "Stop it with Ctrl-C."
    fi
    "$build/program/leafweaver"
    ;;
  test)
    start_display
    export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox --disable-gpu}"
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
    ;;
esac
