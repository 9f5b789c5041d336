#!/usr/bin/env bash
# Peak resident memory of whole runs whose input holds one 100 MB line: a
# cross link caption in the scene script, and a line of the image block in
# a tile XML that is UTF-8 with Korean text. Memory must stay a few MiB
# whatever the line lengths; the figures are printed as "name: value".
#
#   bash bench/long_lines.sh [tourwright executable ...]   (default build/tourwright)
#
# Needs /usr/bin/time (Debian package "time").
set -euo pipefail
cd "$(dirname "$0")/.."
(($# > 0)) || set -- "$PWD/build/tourwright"
command -v /usr/bin/time >/dev/null || { echo "long_lines.sh: /usr/bin/time is missing (apt-get install time)" >&2; exit 1; }
megabytes=${TOURWRIGHT_LONG_LINE_MB:-100}

work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-long-lines.XXXXXX")
trap 'rm -rf "$work"' EXIT
long_text() { head -c "$((megabytes * 1024 * 1024))" /dev/zero | tr '\0' "$1"; }

mkdir "$work/script" "$work/fields" "$work/tile"
printf '<krpano>\n<image type="CUBE">\n<cube url="hall.tiles/%%s.jpg" />\n</image>\n</krpano>\n' \
  | tee "$work/script/hall.xml" "$work/script/court.xml" >/dev/null
{ printf '#SCENE\nhall 0 0 $Hall\n#CROSSLINK\ncourt 1 2 arrow 3 $'; long_text x
  printf '\n#SCENE\ncourt 0 0 $Court\n'; } >"$work/script/t.lst"
cp "$work/script/hall.xml" "$work/script/court.xml" "$work/fields/"
{ printf '#SCENE\nhall 0 0 $Hall\n#STILL\nlamp'; long_text ' '; printf '1 2 0.5'; long_text 0
  printf ' 0 0 0 0 $Lamp\n#SCENE\ncourt 0 0 $Court\n'; } >"$work/fields/t.lst"
printf '#SCENE\nhall 0 0 $Hall\n' >"$work/tile/t.lst"
{ printf '<krpano>\n<image type="CUBE">\n<cube url="\xed\x99\xa9/%%s.jpg" title="'; long_text y
  printf '" />\n</image>\n</krpano>\n'; } >"$work/tile/hall.xml"

for exe in "$@"; do
  for case in script fields tile; do
    (cd "$work/$case" && /usr/bin/time -v "$exe" t.lst >"$work/out.txt" 2>"$work/time.txt") || {
      echo "long_lines.sh: $exe failed on the $case case" >&2; tail -3 "$work/out.txt" >&2; exit 1; }
    kib=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    case $case in
      script) what="a ${megabytes} MB caption in the script" ;;
      fields) what="script fields ${megabytes} MB apart, a number of ${megabytes} M digits" ;;
      tile) what="a ${megabytes} MB line in a tile XML" ;;
    esac
    echo "$exe, $what: peak $(awk -v k="$kib" 'BEGIN { printf "%.1f", k / 1024 }') MiB"
  done
done
