#!/usr/bin/env bash
# The preview's first picture of the example tour's start view, from
# navigation to the page's performance mark, in headless Chromium
# (bench/first_picture.js): the median of 9 fresh pages.
#
#   bash bench/first_picture.sh            (TOURWRIGHT_PROGRAM: another build)
#
# Chromium draws there without a graphics processor (SwiftShader), whose
# drawing context alone takes most of the time; a browser with a GPU takes
# far less. Installs what tools/test-browser.sh installs.
set -euo pipefail
exec bash "$(dirname "$0")/../tools/test-browser.sh" --first-picture
