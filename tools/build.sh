#!/usr/bin/env bash
# Installs what is missing and builds the tourwright executable into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target tourwright -j"$(nproc)"
