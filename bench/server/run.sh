#!/usr/bin/env bash
# Load check of `leafweaver-publish --serve`, on 127.0.0.1 only.
#
#   bench/server/run.sh PROGRAM_FOLDER [SECONDS] [CONNECTIONS]
#
# Serves PROGRAM_FOLDER/Resource (the book template with the runtime) and
# lets wrk fetch the runtime's largest .wasm over CONNECTIONS (default 64)
# connections for SECONDS (default 10), once as plain bytes and once as a
# browser asks for it (gzip, br); then holds 30 connections that ask for the
# .wasm and never read. Prints requests/s, errors and the server's peak
# memory (VmHWM) after each round, and checks: no errors, peak below 150 MB.
# SERVER=path/to/leafweaver-publish measures another build of the server.
set -euo pipefail

program=${1:?usage: bench/server/run.sh PROGRAM_FOLDER [SECONDS] [CONNECTIONS]}
seconds=${2:-10}
connections=${3:-64}
server=${SERVER:-$program/leafweaver-publish}
folder=$program/Resource
limit_kb=$((150 * 1024))

command -v wrk >/dev/null || { echo "wrk is not installed (Debian package wrk)"; exit 2; }
wasm=$(cd "$folder" && ls -S ruffle/*.wasm | head -n 1)

out=$(mktemp)
"$server" --serve "$folder" >"$out" 2>&1 &
pid=$!
cleanup() {
  kill -INT "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -f "$out"
}
trap cleanup EXIT
port=
for _ in $(seq 100); do
  port=$(grep -o 'http://127\.0\.0\.1:[0-9]*' "$out" | head -n 1 | sed 's/.*://') || true
  [ -n "$port" ] && break
  kill -0 "$pid" 2>/dev/null || { cat "$out"; exit 1; }
  sleep 0.1
done
[ -n "$port" ] || { echo "the server printed no address"; exit 1; }
url="http://127.0.0.1:$port/$wasm"

peak_kb() { awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status"; }
mb() { awk -v kb="$1" 'BEGIN { printf "%.1f MB", kb / 1024 }'; }
failed=0

# One wrk round: requests/s, errors (socket errors and answers other than
# 2xx/3xx) and the server's peak memory so far.
round() {
  local name=$1
  shift
  local report rate errors
  report=$(wrk -t2 -c"$connections" -d"${seconds}s" --timeout 10s "$@" "$url")
  rate=$(awk '/^Requests\/sec:/ { print $2 }' <<<"$report")
  errors=$(awk '/Socket errors:/ { gsub(/,/, ""); s += $4 + $6 + $8 + $10 }
                /Non-2xx or 3xx responses:/ { s += $5 }
                END { print s + 0 }' <<<"$report")
  local peak
  peak=$(peak_kb)
  printf '%-28s %8s requests/s  %5s errors  peak RSS %s\n' "$name" "$rate" "$errors" "$(mb "$peak")"
  [ "$errors" -eq 0 ] || failed=1
}

echo "leafweaver-publish --serve: $wasm ($(stat -c %s "$folder/$wasm") bytes), $connections connections, ${seconds} s each"
echo "idle                                                          peak RSS $(mb "$(peak_kb)")"
round "plain"
round "Accept-Encoding: gzip, br" -H "Accept-Encoding: gzip, deflate, br"

# Clients that ask and never read: the server must not hold whole files for them.
fds=()
for _ in $(seq 30); do
  exec {fd}<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET /%s HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n' "$wasm" >&"$fd"
  fds+=("$fd")
done
sleep 3
printf '%-28s %8s              %5s         peak RSS %s\n' "30 clients not reading" "" "" "$(mb "$(peak_kb)")"
for fd in "${fds[@]}"; do exec {fd}>&-; done

peak=$(peak_kb)
if [ "$peak" -ge "$limit_kb" ]; then failed=1; fi
if [ "$failed" -eq 0 ]; then
  echo "PASS: no errors, peak RSS $(mb "$peak") (limit 150 MB)"
else
  echo "FAIL: errors, or peak RSS $(mb "$peak") over 150 MB"
fi
exit "$failed"
