#!/usr/bin/env bash
# Builds the packages (tools/package.sh) and tries them as a user would:
#   - `cmake --install` of build/ into a scratch DESTDIR puts every file in
#     its place;
#   - the .deb, unpacked with dpkg-deb -x, holds the same files and the
#     licences, its program links the C and C++ runtimes dynamically and
#     its Depends names them, and it converts the example tour exactly as
#     build/tourwright does (which stays statically linked);
#   - both zips carry the licences; the 64-bit zip's tourwright.exe
#     converts the example tour under Wine, the outputs
#     differing from the Linux ones only in CR LF for LF.
# Expects build/ from tools/test.sh (builds it otherwise). The closing line
# counts the checks.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/setup-windows.sh
bash tools/package.sh
[[ -x build/tourwright ]] || bash tools/build.sh >/dev/null
version=$(sed -n 's/^project(tourwright VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-package.XXXXXX")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX=$work/prefix
unset DISPLAY WAYLAND_DISPLAY
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true; rm -rf "$work"' EXIT

passed=0
failed=0
check() {  # check <description> <command...>
  local description=$1
  shift
  if "$@"; then passed=$((passed + 1)); echo "  ok    $description"
  else failed=$((failed + 1)); echo "  FAIL  $description"; fi
}
installed=(bin/tourwright share/man/man1/tourwright.1.gz share/doc/tourwright/README.md
  share/doc/tourwright/robustness.md share/doc/tourwright/copyright
  share/doc/tourwright/examples/palace/palace.lst share/doc/tourwright/examples/palace/hall.xml
  share/doc/tourwright/examples/palace/court.xml)
has_files() {  # has_files <prefix folder>
  local file
  for file in "${installed[@]}"; do [[ -f $1/$file ]] || { echo "        missing: $file"; return 1; }; done
}
convert() {  # convert <folder> <program...>: the example tour converted in <folder>
  local folder=$1
  shift
  mkdir -p "$folder"
  cp examples/palace/palace.lst examples/palace/hall.xml examples/palace/court.xml "$folder/"
  (cd "$folder" && timeout 120 "$@" palace.lst >stdout.txt 2>/dev/null </dev/null)
}
same_outputs() {  # same_outputs <folder> <folder>
  cmp -s "$1/palace.xml" "$2/palace.xml" && cmp -s "$1/palace.htm" "$2/palace.htm"
}
same_but_line_ends() {  # same_but_line_ends <CR LF folder> <LF folder>
  local kind
  for kind in xml htm; do
    [[ $(grep -c $'\r$' "$1/palace.$kind") -eq $(wc -l <"$2/palace.$kind") ]] || return 1
    cmp -s <(sed 's/\r$//' "$1/palace.$kind") "$2/palace.$kind" || return 1
  done
}

DESTDIR=$work/destdir cmake --install build --prefix /opt/tourwright >/dev/null
check "cmake --install with DESTDIR and --prefix puts every file in place" \
  has_files "$work/destdir/opt/tourwright"

dpkg-deb -x dist/tourwright_"$version"_*.deb "$work/deb"
check ".deb holds the program, the man page and the documents under /usr" has_files "$work/deb/usr"
check "the .deb's copyright file is the MIT licence in the machine-readable format" \
  grep -qx 'License: MIT' "$work/deb/usr/share/doc/tourwright/copyright"
dynamic_runtimes() {  # dynamic_runtimes <executable>: needs the shared C and C++ runtimes
  local needed
  needed=$(readelf -d "$1" | grep NEEDED) || return 1
  grep -q 'libc\.so' <<<"$needed" && grep -q 'libstdc++\.so' <<<"$needed"
}
check "the packaged program links the C and C++ runtimes dynamically" dynamic_runtimes "$work/deb/usr/bin/tourwright"
depends=$(dpkg-deb -f dist/tourwright_"$version"_*.deb Depends)
names_runtimes() { grep -qE '(^|, )libc6( |,|$)' <<<"$1" && grep -qE '(^|, )libstdc\+\+6( |,|$)' <<<"$1"; }
check "the .deb's Depends names the C and C++ runtimes ($depends)" names_runtimes "$depends"
check "the standalone build stays static: no program interpreter, no shared library" \
  bash -c '! readelf -ld "$1" | grep -qE "INTERP|NEEDED"' - "$root/build/tourwright"
check "the man page in the .deb is clean under mandoc's lint" \
  mandoc -T lint -W warning "$work/deb/usr/share/man/man1/tourwright.1.gz"
convert "$work/build-run" "$root/build/tourwright"
convert "$work/deb-run" "$work/deb/usr/bin/tourwright"
check "the packaged program converts the example tour as the build does" \
  same_outputs "$work/deb-run" "$work/build-run"

unzip -q dist/tourwright-"$version"-win64.zip -d "$work/zip"
zipped=$work/zip/tourwright-$version-win64
check "the zip holds tourwright.exe, README.txt, the manual and the example tour" \
  test -f "$zipped/tourwright.exe" -a -f "$zipped/tourwright.html" -a -f "$zipped/examples/palace/palace.lst"
zips_carry_licences() {  # both zips hold LICENSE.txt and licences/ as the build gathered them
  local size listing name
  for size in 64 32; do
    listing=$(unzip -Z1 dist/tourwright-"$version"-win$size.zip)
    grep -qx "tourwright-$version-win$size/LICENSE.txt" <<<"$listing" || return 1
    for name in build-package/licences/*; do
      [[ -e $name ]] || continue
      grep -qx "tourwright-$version-win$size/licences/${name##*/}" <<<"$listing" || return 1
    done
  done
}
check "both zips carry LICENSE.txt and every third-party licence" zips_carry_licences
check "README.txt has CR LF line ends" \
  test "$(grep -c $'\r$' "$zipped/README.txt")" -eq "$(wc -l <"$zipped/README.txt")"
timeout 300 /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
convert "$work/zip-run" /usr/lib/wine/wine64 "$zipped/tourwright.exe" || true
check "the zipped 64-bit program converts the example tour under Wine as the build does, in CR LF" \
  same_but_line_ends "$work/zip-run" "$work/build-run"

echo "Package checks:"
echo "$passed passed, $failed failed"
((failed == 0))
