#!/usr/bin/env bash
# The fixed cost of a run: the instructions (valgrind --tool=callgrind, which
# do not drift with the machine's load) of a run on the example tour, on an
# empty script and on the maximal tour, and the wall-clock time of a run on
# the example tour against `cat` of its three input files in the same
# hyperfine session. Both sides are started without a shell (hyperfine -N),
# so the ratio compares the two programs alone. Given a second build folder
# (one configured with -DTOURWRIGHT_STATIC=OFF), its program's start-up on
# the example tour is measured beside the first's in the same session, so
# the cost of a static and of a dynamic link read side by side.
#
#   bash bench/fixed_cost.sh [build folder, default build-bench] [dynamic build folder]
#
# Needs a build with -DTOURWRIGHT_BENCH=ON (bench/run.sh makes one). The
# last lines are the figures, as "name: value".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
exe=$PWD/$build/tourwright
dynamic_exe=${2:+$PWD/$2/tourwright}
make_tour=$PWD/$build/bench/make_bench_tour
runs=${TOURWRIGHT_BENCH_RUNS:-200}
for tool in "$exe" "$make_tour" ${dynamic_exe:+"$dynamic_exe"}; do
  [[ -x $tool ]] || { echo "fixed_cost.sh: $tool is missing; build it first (bash bench/run.sh)" >&2; exit 1; }
done
for tool in valgrind hyperfine jq; do
  command -v "$tool" >/dev/null || { echo "fixed_cost.sh: $tool is missing (bash bench/run.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-fixed-cost.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/example" "$work/empty" "$work/max"
cp examples/palace/palace.lst examples/palace/hall.xml examples/palace/court.xml "$work/example/"
: >"$work/empty/empty.lst"
"$make_tour" "$work/max" 4 >/dev/null

# The instructions of one whole run, loader and exit included.
instructions() {  # instructions <script> [executable, default the first build's]
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "${2:-$exe}" "$1" \
    >/dev/null 2>"$work/callgrind.log" ||
    { echo "fixed_cost.sh: the run on $1 failed:" >&2; tail -5 "$work/callgrind.log" >&2; exit 1; }
  awk '/Collected :/ {print $NF}' "$work/callgrind.log"
}
ir_example=$(instructions "$work/example/palace.lst")
ir_empty=$(instructions "$work/empty/empty.lst")
ir_max=$(instructions "$work/max/maxtour.lst")
dynamic=()
if [[ -n $dynamic_exe ]]; then
  ir_dynamic=$(instructions "$work/example/palace.lst" "$dynamic_exe")
  dynamic=(-n dynamic "$dynamic_exe $work/example/palace.lst")
fi

inputs="$work/example/palace.lst $work/example/hall.xml $work/example/court.xml"
hyperfine -N --style basic --warmup 20 --runs "$runs" --export-json "$work/hyperfine.json" \
  -n tourwright "$exe $work/example/palace.lst" "${dynamic[@]}" \
  -n cat "cat $inputs"
median() { jq -r ".results[] | select(.command == \"$1\") | .median" "$work/hyperfine.json"; }
cpu() { jq -r ".results[] | select(.command == \"$1\") | .user + .system" "$work/hyperfine.json"; }

echo
awk -v e="$ir_example" -v z="$ir_empty" -v m="$ir_max" 'BEGIN {
  printf "instructions, example tour: %.2f million (target at most 2.0)\n", e / 1e6
  printf "instructions, empty script: %.2f million\n", z / 1e6
  printf "instructions, maximal tour: %.1f million\n", m / 1e6
}'
awk -v r="$(median tourwright)" -v c="$(median cat)" -v rc="$(cpu tourwright)" -v cc="$(cpu cat)" 'BEGIN {
  printf "example tour, wall time (median): run %.2f ms, cat %.2f ms, ratio %.2f (target at most 1.5)\n",
    r * 1000, c * 1000, r / c
  printf "example tour, CPU time (mean):    run %.2f ms, cat %.2f ms, ratio %.2f\n",
    rc * 1000, cc * 1000, rc / cc
}'
if [[ -n $dynamic_exe ]]; then
  echo "example tour, start-up by link (instructions; wall time, median, against cat):"
  awk -v is="$ir_example" -v id="$ir_dynamic" -v s="$(median tourwright)" -v d="$(median dynamic)" \
    -v c="$(median cat)" 'BEGIN {
    printf "  static link:  %.2f million, %.2f ms, ratio %.2f\n", is / 1e6, s * 1000, s / c
    printf "  dynamic link: %.2f million, %.2f ms, ratio %.2f\n", id / 1e6, d * 1000, d / c
  }'
fi
