#!/usr/bin/env bash
# Draws the example tour's tiles (tools/make_example_tiles.py) into
# examples/palace/, installing Debian's python3-pil first when it is missing.
# The tiles are committed; run this only to draw them anew.
set -euo pipefail
cd "$(dirname "$0")/.."
python=/usr/bin/python3
if ! "$python" -c "import PIL" 2>/dev/null; then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 \
    python3-pil >/dev/null
fi
rm -rf examples/palace/hall.tiles examples/palace/court.tiles
"$python" tools/make_example_tiles.py examples/palace hall court
du -sh examples/palace/hall.tiles examples/palace/court.tiles
