#!/usr/bin/env bash
# The preview page in headless Chromium (tools/browser_test.js):
#   bash tools/test-browser.sh            a preview of a copy of the example
#                                         tour, started and stopped here; then
#                                         the same under a site root with a
#                                         stand-in viewer script (the site view)
#   bash tools/test-browser.sh URL SCRIPT a preview already running at URL of
#                                         SCRIPT (a copy the test may change)
#   bash tools/test-browser.sh --first-picture
#                                         the first picture's time instead
#                                         (bench/first_picture.js)
# Installs Chromium, Node and the test's npm packages when they are missing.
# The screenshot goes to build/preview-test.png.
set -euo pipefail
cd "$(dirname "$0")/.."
first_picture=""
[[ ${1:-} == --first-picture ]] && first_picture=1 && shift
source tools/setup-common.sh
packages=(
  chromium
  nodejs
  npm
  fonts-nanum  # Korean in screenshots
)
# Node and npm may come from elsewhere than Debian's packages: a working one is enough.
command -v node >/dev/null && command -v npm >/dev/null && packages=(chromium fonts-nanum)
setup_install test-browser "${packages[@]}"
[[ -f node_modules/playwright-core/package.json ]] || npm ci --ignore-scripts --no-audit --no-fund >/dev/null
mkdir -p build
screenshot=build/preview-test.png

if (($# == 2)); then
  exec node tools/browser_test.js "$1" "$2" "$screenshot"
fi

program=${TOURWRIGHT_PROGRAM:-build/tourwright}  # or another build of it
if ! "$program" --help 2>&1 | grep -- '--preview' >/dev/null; then
  echo "test-browser: $program has no --preview mode; build it first" >&2
  exit 1
fi
work=$(mktemp -d)
server=""
cleanup() {
  [[ -n "$server" ]] && kill -TERM "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# One run of the test on a copy of the example in `folder` (under `$work`).
test_copy() {
  local folder=$1 url=""
  mkdir -p "$(dirname "$folder")"
  cp -r examples/palace "$folder"
  "$program" --preview "$folder/palace.lst" >"$work/out" 2>"$work/err" &
  server=$!
  for _ in $(seq 100); do  # up to 10 s for the line that names the address
    url=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/out" || true)
    [[ -n "$url" ]] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z "$url" ]]; then
    echo "test-browser: the preview did not start:" >&2
    cat "$work/err" >&2
    exit 1
  fi
  if [[ -n $first_picture ]]; then
    node bench/first_picture.js "$url" 9
  else
    node tools/browser_test.js "$url" "$folder/palace.lst" "$screenshot"
  fi
  kill -TERM "$server" && wait "$server" 2>/dev/null || true
  server=""
}

test_copy "$work/palace"
[[ -n $first_picture ]] && exit 0
# Again in the site view: the copy under a site root whose viewer script is
# a stand-in of the test's own.
echo "in the site view:"
mkdir -p "$work/site/VR/xsl3v"
echo 'window.embedpano = function () {};  // stand-in viewer for the tests' \
  >"$work/site/VR/xsl3v/krpano.js"
mkdir -p "$work/site/VR/style"
cp examples/palace/icons/book.png "$work/site/VR/style/gallery60.png"
test_copy "$work/site/tours/palace"
