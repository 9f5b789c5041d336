#!/usr/bin/env bash
# Cross-builds the Windows console program from the same sources with
# MinGW-w64, installing the compilers when they are missing (Debian 12):
#   build-win32/tourwright.exe   32-bit (i686)
#   build-win64/tourwright.exe   64-bit (x86_64)
# Both are linked statically and need only the DLLs that come with Windows.
#   bash tools/build-windows.sh            the two executables
#   bash tools/build-windows.sh --tests    also the unit test executables
#   bash tools/build-windows.sh --tests 64 one word size only (32 or 64)
set -euo pipefail
cd "$(dirname "$0")/.."
tests=OFF
sizes=()
for argument in "$@"; do
  case "$argument" in
    --tests) tests=ON ;;
    32 | 64) sizes+=("$argument") ;;
    *) echo "usage: bash tools/build-windows.sh [--tests] [32] [64]" >&2; exit 2 ;;
  esac
done
((${#sizes[@]})) || sizes=(32 64)
TOURWRIGHT_NO_WINE=1 bash tools/setup-windows.sh
jobs=$(nproc)
for size in "${sizes[@]}"; do
  if [[ $size == 32 ]]; then arch=i686; else arch=x86_64; fi
  cmake --no-warn-unused-cli -S . -B "build-win$size" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTOURWRIGHT_TESTS="$tests" >/dev/null
  cmake --build "build-win$size" -j"$jobs"
  echo "build-win$size/tourwright.exe: $(stat -c %s "build-win$size/tourwright.exe") bytes"
done
