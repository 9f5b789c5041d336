#!/usr/bin/env bash
# Draws the example tour's tiles and the small files its script names
# (tools/make_example_tiles.py) into examples/palace/ (and the stand-in
# tour examples/west/), installing Debian's python3-pil and ffmpeg first
# when they are missing. The files are committed; run this only to draw
# them anew.
set -euo pipefail
cd "$(dirname "$0")/.."
python=/usr/bin/python3
if ! "$python" -c "import PIL" 2>/dev/null || ! command -v ffmpeg >/dev/null; then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 \
    python3-pil ffmpeg >/dev/null
fi
cd examples/palace
rm -rf hall.tiles court.tiles photo ceramics icons video texts ../west
"$python" ../../tools/make_example_tiles.py --tour-files . hall court
du -sh hall.tiles court.tiles photo ceramics icons video texts ../west
