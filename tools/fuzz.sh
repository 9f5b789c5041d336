#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each one.
#   bash tools/fuzz.sh            smoke run: 30 seconds per target
#   bash tools/fuzz.sh 1800       long run: 30 minutes per target
#   bash tools/fuzz.sh 60 parser  one target only
# Seeds come from fuzz/corpus/<target>/; new inputs go to build-fuzz/corpus/.
# A finding stops the run and leaves crash-* files in build-fuzz/. The
# targets' own standard error (the warnings of whole runs) is discarded;
# the fuzzer's and the sanitizers' reports are kept.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
TOURWRIGHT_SETUP_EXTRA="clang libclang-rt-14-dev" bash tools/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOURWRIGHT_FUZZ=ON -DTOURWRIGHT_TESTS=OFF >/dev/null
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=()
  for source in fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    targets+=("$name")
  done
fi
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"
status=0
for name in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus" "fuzz/corpus/$name"
  log=build-fuzz/fuzz_$name.log
  if (cd build-fuzz && ASAN_OPTIONS=detect_leaks=0 "./fuzz_$name" -max_total_time="$seconds" \
      -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -close_fd_mask=2 \
      "corpus/$name" "../fuzz/corpus/$name") >"$log" 2>&1; then
    runs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
    echo "fuzz_$name: ${runs:-?} runs in ${seconds}s, no finding"
  else
    echo "fuzz_$name: FINDING (see $log)"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
