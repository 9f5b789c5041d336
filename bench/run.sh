#!/usr/bin/env bash
# Runs every benchmark and prints the figures of the README's Performance
# section: the transcoder against iconv(3), the whole run against the cat
# floor, and the peak resident memory of a whole run.
#
#   bash bench/run.sh
#
# Installs what is missing (Debian 12: Google Benchmark, hyperfine, GNU
# time, jq), builds a Release tree in build-bench/ and takes about a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
TOURWRIGHT_SETUP_EXTRA="libbenchmark-dev hyperfine time jq" bash tools/setup.sh
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOURWRIGHT_BENCH=ON -DTOURWRIGHT_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tourwright transcoder_bench make_bench_tour >/dev/null

echo "== machine"
echo "cores: $(nproc)"
echo "cpu: $(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)"
echo "memory: $(awk '/^MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"

echo "== transcoder against iconv(3), CP949 to UTF-8, 64 MiB"
json=$(mktemp "${TMPDIR:-/tmp}/tourwright-bench.XXXXXX")
trap 'rm -f "$json"' EXIT
"$build/bench/transcoder_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$json" --benchmark_out_format=json
median() {
  jq -r ".benchmarks[] | select(.run_name == \"$1/real_time\" and .aggregate_name == \"median\")
    | .bytes_per_second" "$json"
}
for pair in File Memory; do
  awk -v t="$(median "BM_Transcoder$pair")" -v i="$(median "BM_Iconv$pair")" -v p="$pair" 'BEGIN {
    printf "%s: transcoder %.0f MB/s, iconv %.0f MB/s, ratio %.2f (target at least 1.5)\n",
      tolower(p), t / 1e6, i / 1e6, t / i
  }'
done

echo "== whole run on the maximal tour against the cat floor"
bash bench/whole_run.sh "$build"
