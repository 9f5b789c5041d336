#!/usr/bin/env bash
# The preview server's figures: the time from start to a listening socket
# (the line naming the address is printed once the socket listens), 2,000
# requests for a 50 KB tile over 16 concurrent connections against
# `python3 -m http.server` on the same files in the same run (ab(1) asking
# each server to keep its connections, as a browser does: the preview
# does, the Python server, which speaks HTTP/1.0, closes each; and once
# with a new connection per request for both), and the peak resident
# memory of the preview while it serves.
#
#   bash bench/preview.sh [build folder, default build-bench]
#
# Installs ab (apache2-utils) and python3 when missing and builds the
# program when the folder has none. The last lines are the figures, as
# "name: value".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
TOURWRIGHT_SETUP_EXTRA="apache2-utils python3" bash tools/setup.sh
if [[ ! -x $build/tourwright ]]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOURWRIGHT_TESTS=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target tourwright >/dev/null
fi
exe=$PWD/$build/tourwright
requests=2000
connections=16

work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-preview-bench.XXXXXX")
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
tour=$work/palace
mkdir -p "$tour/hall.tiles/f/l1/1"
cp examples/palace/palace.lst examples/palace/hall.xml examples/palace/court.xml "$tour/"
tile=hall.tiles/f/l1/1/l1_f_1_1.jpg
head -c 51200 /dev/urandom >"$tour/$tile"

# Starts the preview in the background; sets port and pid.
start_preview() {
  local line
  exec {out}< <(cd "$tour" && exec "$exe" --preview palace.lst 2>/dev/null)
  pid=$!
  pids+=("$pid")
  read -r -t 10 line <&"$out"
  port=${line##*127.0.0.1:}
  port=${port%%/*}
}

echo "== start to a listening socket (median of 21 starts)"
starts=()
for _ in $(seq 21); do
  begin=$(date +%s%N)
  start_preview
  end=$(date +%s%N)
  starts+=($(((end - begin) / 1000)))
  kill -INT "$pid"
  wait "$pid" 2>/dev/null || true
done
start_us=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 11p)

# Requests per second of `ab` against a server on <port> [-k].
throughput() {
  ab -q ${2:-} -n "$requests" -c "$connections" "http://127.0.0.1:$1/$tile" >"$work/ab.txt" 2>&1
  grep -q "^Failed requests: *0$" "$work/ab.txt" || { cat "$work/ab.txt" >&2; return 1; }
  awk '/^Requests per second:/ {print $4}' "$work/ab.txt"
}

echo "== $requests requests for a 50 KB tile over $connections connections"
start_preview
preview_rps=$(throughput "$port" -k)
preview_closing_rps=$(throughput "$port")
peak_kib=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
kill -INT "$pid"
wait "$pid" 2>/dev/null || true

python_port=$((port == 65535 ? port - 1 : port + 1))
(cd "$tour" && exec python3 -m http.server --bind 127.0.0.1 "$python_port" >/dev/null 2>&1) &
pids+=($!)
for _ in $(seq 50); do
  curl -s -o /dev/null "http://127.0.0.1:$python_port/" 2>/dev/null && break
  sleep 0.1
done
python_rps=$(throughput "$python_port" -k)
python_closing_rps=$(throughput "$python_port")

echo "start to listening socket: $((start_us / 1000)).$(printf '%03d' $((start_us % 1000))) ms"
echo "tourwright --preview: $preview_rps requests/s ($preview_closing_rps with a connection each)"
echo "python3 -m http.server: $python_rps requests/s ($python_closing_rps with a connection each)"
awk -v a="$preview_rps" -v b="$python_rps" -v c="$preview_closing_rps" -v d="$python_closing_rps" \
  'BEGIN {printf "throughput ratio: %.1f (target at least 10; %.1f with a connection each)\n", a / b, c / d}'
awk -v k="$peak_kib" 'BEGIN {printf "peak memory while serving: %.1f MiB (target under 30)\n", k / 1024}'
