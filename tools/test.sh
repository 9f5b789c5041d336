#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test twice:
# a normal build (build/) and one with AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/). Both must pass. The sanitizers
# are asked for the conventional way, in the compiler and linker flags, so
# the tests also show that such a build links the program dynamically, as
# the sanitizer runtimes need.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
bash tools/check_layers.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOURWRIGHT_SANITIZE=OFF \
  -DCMAKE_CXX_FLAGS="$sanitize -fno-omit-frame-pointer" -DCMAKE_EXE_LINKER_FLAGS="$sanitize" >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs")

# The preview page in a browser, once the program has its preview mode.
if ./build/tourwright --help 2>&1 | grep -- '--preview' >/dev/null; then
  bash tools/test-browser.sh
else
  echo "test-browser: skipped, build/tourwright has no --preview mode yet"
fi
