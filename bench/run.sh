#!/usr/bin/env bash
# Runs every benchmark and prints the figures of the README's Performance
# section: the transcoder against iconv(3), the whole run against the cat
# floor (and that the maximal tour's XML is well-formed), the peak resident memory of a whole run and of runs with one
# 100 MB line, and the fixed cost of a run (instructions, and the example
# tour against the cat floor, for the static link of the standalone build
# and the dynamic link of the Debian package side by side).
#
#   bash bench/run.sh
#
# Installs what is missing (Debian 12: Google Benchmark, hyperfine, GNU
# time, jq, valgrind), builds a Release tree in build-bench/ and the program
# alone, linked dynamically, in build-bench-dynamic/, and takes about two
# minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
TOURWRIGHT_SETUP_EXTRA="libbenchmark-dev hyperfine time jq valgrind strace" bash tools/setup.sh
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOURWRIGHT_BENCH=ON -DTOURWRIGHT_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tourwright transcoder_bench make_bench_tour \
  needed_files_bench >/dev/null
dynamic_build=build-bench-dynamic
cmake -S . -B "$dynamic_build" -DCMAKE_BUILD_TYPE=Release -DTOURWRIGHT_TESTS=OFF -DTOURWRIGHT_STATIC=OFF >/dev/null
cmake --build "$dynamic_build" -j"$(nproc)" --target tourwright >/dev/null

echo "== machine"
echo "cores: $(nproc)"
echo "cpu: $(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)"
echo "memory: $(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"

echo "== transcoder against iconv(3), CP949 to UTF-8, 64 MiB"
json=$(mktemp "${TMPDIR:-/tmp}/tourwright-bench.XXXXXX")
trap 'rm -f "$json"' EXIT
"$build/bench/transcoder_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json
# Medians of the repetitions: "<wall ms> <CPU ms> <input MiB>".
median() {
  jq -r ".benchmarks[] | select(.run_name == \"$1\" and .aggregate_name == \"median\")
    | \"\\(.real_time) \\(.cpu_time) \\(.input_MiB)\"" "$json"
}
for pair in File Memory; do
  read -r t_wall t_cpu mib <<<"$(median "BM_Transcoder$pair")"
  read -r i_wall i_cpu _ <<<"$(median "BM_Iconv$pair")"
  awk -v tw="$t_wall" -v tc="$t_cpu" -v iw="$i_wall" -v ic="$i_cpu" -v mib="$mib" -v p="$pair" 'BEGIN {
    mb = mib * 1048576 / 1e6
    printf "%s, CPU time:  transcoder %.0f MB/s, iconv %.0f MB/s, ratio %.2f (target at least 1.5)\n",
      tolower(p), mb / (tc / 1000), mb / (ic / 1000), ic / tc
    printf "%s, wall time: transcoder %.0f MB/s, iconv %.0f MB/s, ratio %.2f\n",
      tolower(p), mb / (tw / 1000), mb / (iw / 1000), iw / tw
  }'
done

echo "== the files --check looks for: 12 scenes of three levels, 3,259 files, warm (target under 50 ms)"
"$build/bench/needed_files_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

echo "== whole run on the maximal tour against the cat floor"
bash bench/whole_run.sh "$build"

echo "== peak memory with 100 MB lines in the script and in a tile XML"
bash bench/long_lines.sh "$PWD/$build/tourwright"
echo "== fixed cost of a run: instructions, and the example tour against the cat floor, static and dynamic"
bash bench/fixed_cost.sh "$build" "$dynamic_build"
echo "== the preview server: start-up, throughput against python3 -m http.server, peak memory"
bash bench/preview.sh "$build"
