#!/usr/bin/env bash
# Times whole runs of tourwright on the maximal tour (12 scenes, 30 items in
# every list, 100 gallery objects, a 4 MiB image block in each scene's tile
# XML) against `cat` of all its input files into one output, the I/O floor,
# in the same hyperfine run; then measures the run's peak resident memory
# with /usr/bin/time -v, for that tour and for one with 16x smaller image
# blocks, to show that memory does not grow with the tile XML sizes. The
# tour XML of the maximal tour (two image elements per tile XML, one per
# device class) must be well-formed: xmllint --noout checks it.
#
#   bash bench/whole_run.sh [build folder, default build-bench]
#
# Needs a build with -DTOURWRIGHT_BENCH=ON (bench/run.sh makes one). The
# last lines are the figures, as "name: value".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
exe=$PWD/$build/tourwright
make_tour=$PWD/$build/bench/make_bench_tour
runs=${TOURWRIGHT_BENCH_RUNS:-15}
for tool in "$exe" "$make_tour"; do
  [[ -x $tool ]] || { echo "whole_run.sh: $tool is missing; build it first (bash bench/run.sh)" >&2; exit 1; }
done
for tool in hyperfine jq xmllint /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "whole_run.sh: $tool is missing (bash bench/run.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-whole-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One run, checked: it must complete.
convert() {
  local script=$1
  if ! "$exe" "$script" >"$work/console.txt" 2>&1; then
    echo "whole_run.sh: tourwright failed on $script:" >&2
    tail -5 "$work/console.txt" >&2
    exit 1
  fi
}

mkdir "$work/max" "$work/small"
mapfile -t inputs < <("$make_tour" "$work/max" 4)
"$make_tour" "$work/small" 0.25 >/dev/null
convert "$work/max/maxtour.lst"
if ! xmllint --noout "$work/max/maxtour.xml" 2>"$work/lint.txt"; then
  echo "whole_run.sh: the maximal tour's XML is not well-formed:" >&2
  head -5 "$work/lint.txt" >&2
  exit 1
fi
input_bytes=$(cat "${inputs[@]}" | wc -c)
output_bytes=$(($(wc -c <"$work/max/maxtour.xml") + $(wc -c <"$work/max/maxtour.htm")))

# The cat floor reads the same input files and writes one output of their
# size into the same folder. A run also writes and reads back the .tmp
# scratch file, so "cat via scratch" (cat into a scratch file, cat that into
# the output, delete the scratch file) shows the floor of that design.
cat_command="cat ${inputs[*]} > $work/max/cat.out"
scratch_command="cat ${inputs[*]} > $work/max/cat.tmp && cat $work/max/cat.tmp > $work/max/cat.out && rm $work/max/cat.tmp"
hyperfine --style basic --warmup 2 --runs "$runs" \
  --export-json "$work/hyperfine.json" \
  -n tourwright "$exe $work/max/maxtour.lst > /dev/null" \
  -n cat "$cat_command" \
  -n "cat via scratch" "$scratch_command"

peak_kib() {
  /usr/bin/time -v "$exe" "$1" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'
}
rss_max=$(peak_kib "$work/max/maxtour.lst")
rss_small=$(peak_kib "$work/small/maxtour.lst")
rss_cat=$(/usr/bin/time -v sh -c "$cat_command" 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident set size/ {print $2}')

# The median wall-clock time (an odd slow run on a shared machine moves a
# mean) and the mean CPU time (user + system).
wall() { jq -r ".results[] | select(.command == \"$1\") | .median" "$work/hyperfine.json"; }
cpu() { jq -r ".results[] | select(.command == \"$1\") | .user + .system" "$work/hyperfine.json"; }
echo
echo "tour XML well-formed (xmllint --noout): yes"
echo "input bytes (script and tile XMLs): $input_bytes"
echo "output bytes (tour XML and viewer page): $output_bytes"
awk -v r="$(wall tourwright)" -v c="$(wall cat)" -v s="$(wall "cat via scratch")" \
  -v rc="$(cpu tourwright)" -v cc="$(cpu cat)" -v sc="$(cpu "cat via scratch")" 'BEGIN {
  printf "wall time (median): whole run %.1f ms, cat %.1f ms, cat via scratch %.1f ms\n", r * 1000, c * 1000, s * 1000
  printf "CPU time (mean):    whole run %.1f ms, cat %.1f ms, cat via scratch %.1f ms\n", rc * 1000, cc * 1000, sc * 1000
  printf "whole run / cat floor: %.2f wall, %.2f CPU (target at most 2)\n", r / c, rc / cc
  printf "cat via scratch / cat floor: %.2f wall, %.2f CPU\n", s / c, sc / cc
}'
echo "peak RSS, 4 MiB image blocks: $rss_max KiB"
echo "peak RSS, 0.25 MiB image blocks: $rss_small KiB"
echo "peak RSS of cat: $rss_cat KiB"
