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
# The page faults (GNU time, the fewest of five runs) and the system calls
# (strace) of a run on the example tour are counted too. Given an earlier
# executable in TOURWRIGHT_BENCH_REFERENCE (a build of an older commit), the
# same figures and its wall time in the same hyperfine session are printed
# beside the first build's, for a change that must not make a run dearer.
#
#   bash bench/fixed_cost.sh [build folder, default build-bench] [dynamic build folder]
#   TOURWRIGHT_BENCH_REFERENCE=/tmp/old/build-bench/tourwright bash bench/fixed_cost.sh
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
reference_exe=${TOURWRIGHT_BENCH_REFERENCE:-}
for tool in "$exe" "$make_tour" ${dynamic_exe:+"$dynamic_exe"} ${reference_exe:+"$reference_exe"}; do
  [[ -x $tool ]] || { echo "fixed_cost.sh: $tool is missing; build it first (bash bench/run.sh)" >&2; exit 1; }
done
for tool in valgrind hyperfine jq strace /usr/bin/time; do
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

# The page faults of a run (the fewest of five) and its system calls.
faults() {  # faults <executable>
  for _ in 1 2 3 4 5; do
    /usr/bin/time -f %R -o "$work/time.out" "$1" "$work/example/palace.lst" >/dev/null 2>&1
    cat "$work/time.out"
  done | sort -n | head -1
}
syscalls() {  # syscalls <executable>
  strace -f -c -o "$work/strace.out" "$1" "$work/example/palace.lst" >/dev/null 2>&1
  awk '$NF == "total" {print $4}' "$work/strace.out"  # % time, seconds, usecs/call, calls
}
faults_example=$(faults "$exe")
syscalls_example=$(syscalls "$exe")
reference=()
if [[ -n $reference_exe ]]; then
  ir_reference=$(instructions "$work/example/palace.lst" "$reference_exe")
  faults_reference=$(faults "$reference_exe")
  syscalls_reference=$(syscalls "$reference_exe")
  reference=(-n reference "$reference_exe $work/example/palace.lst")
fi

inputs="$work/example/palace.lst $work/example/hall.xml $work/example/court.xml"
hyperfine -N --style basic --warmup 20 --runs "$runs" --export-json "$work/hyperfine.json" \
  -n tourwright "$exe $work/example/palace.lst" "${dynamic[@]}" "${reference[@]}" \
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
echo "example tour, start-up: $faults_example page faults, $syscalls_example system calls"
if [[ -n $reference_exe ]]; then
  echo "example tour, against the reference build ($reference_exe):"
  awk -v i="$ir_example" -v ir="$ir_reference" -v t="$(median tourwright)" -v tr="$(median reference)" \
    -v c="$(median cat)" -v f="$faults_example" -v fr="$faults_reference" -v s="$syscalls_example" \
    -v sr="$syscalls_reference" 'BEGIN {
    printf "  this build: %.2f million instructions, %d page faults, %d system calls, %.2f ms (ratio to cat %.2f)\n",
      i / 1e6, f, s, t * 1000, t / c
    printf "  reference:  %.2f million instructions, %d page faults, %d system calls, %.2f ms (ratio to cat %.2f)\n",
      ir / 1e6, fr, sr, tr * 1000, tr / c
  }'
fi
