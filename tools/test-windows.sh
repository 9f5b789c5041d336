#!/usr/bin/env bash
# Cross-builds Tourwright for Windows (build-win32/, build-win64/) and tests
# the Windows executables under Wine, installing what is missing (Debian 12):
#   - every unit test executable (*_tests.exe) of each word size;
#   - end-to-end runs of tourwright.exe: the example tour in every script
#     encoding, a missing tile XML, a missing script, paths with
#     backslashes, with a drive letter and with spaces split across
#     arguments, the usage text, CR LF console lines;
#   - the same tour converted on Linux (build/) and under Wine:
#     the outputs differ only in their line ends, and a script saved with
#     CR LF gives the same tour as one saved with LF;
#   - a tour in a Korean folder under a Korean name, with a Korean scene,
#     converted under an ANSI code page without Korean (1252), gives the
#     Linux outputs;
#   - the executables import nothing beyond the DLLs that come with Windows;
#   - the 64-bit --preview end to end over HTTP (the Linux test's client);
#   - on a console (a pseudo-terminal, which Wine takes for one) the
#     captions are shown in Unicode, not as code page bytes.
# Wine runs headless with a fresh prefix in a temporary folder. The closing
# line counts the end-to-end checks; the exit status is 1 when any unit
# test or check failed.
#
# A machine whose kernel runs no 32-bit code (Linux built without IA-32
# emulation, or booted with it off) cannot run Wine's 32-bit side: there
# only the 32-bit tourwright.exe is built, and inspected; its unit tests and
# runs are counted as skipped, with the reason.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
elapsed() { echo "[$((SECONDS - started))s] $*"; }

bash tools/setup-windows.sh
elapsed "tools installed"

# Can this machine run 32-bit x86 code? Wine's 32-bit loader is an i386
# Linux program. Where it cannot, the 32-bit unit tests are not built.
wine32_loader=/usr/lib/wine/wine
can_run_32bit() { "$wine32_loader" --version >/dev/null 2>&1; }
tests32=""
if can_run_32bit; then tests32=--tests; fi

bash tools/build-windows.sh --tests 64 >/dev/null
bash tools/build-windows.sh $tests32 32 >/dev/null
# The Linux reference is the Release tree tools/test.sh and tools/build.sh
# make: after them (as in CI) there is nothing left to build.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTOURWRIGHT_TESTS=ON >/dev/null
cmake --build build --target tourwright driver_tests -j"$(nproc)" >/dev/null
elapsed "built build-win32/, build-win64/ and build/"

work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-wine.XXXXXX")
export WINEDEBUG=-all
# No Mono or Gecko installers: the programs under test need neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine64_loader=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
stop_wine() {
  local prefix
  for prefix in "$work"/prefix-*; do
    [[ -d $prefix ]] && WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
  done
}
trap 'stop_wine; rm -rf "$work"' EXIT

passed=0
failed=0
skipped=0
pass() { passed=$((passed + 1)); echo "  ok    $*"; }
fail() { failed=$((failed + 1)); echo "  FAIL  $*"; }
skip() { skipped=$((skipped + 1)); echo "  skip  $*"; }
check() {  # check <description> <command...>
  local description=$1
  shift
  if "$@"; then pass "$description"; else fail "$description"; fi
}

# --- helpers -------------------------------------------------------------

# The example tour's tile XML files (every .xml beside the script but the
# tour XML itself).
mapfile -t tiles < <(cd examples/palace && ls -- *.xml | grep -vx palace.xml)

# The example tour, its scene script stored in the given encoding.
make_tour() {  # make_tour <folder> ansi|utf8|utf16be|utf16le|crlf
  local folder=$1 encoding=$2 script=$1/palace.lst
  mkdir -p "$folder"
  (cd examples/palace && cp -- "${tiles[@]}" "$folder/")
  case "$encoding" in
    ansi) cp examples/palace/palace.lst "$script" ;;
    crlf) sed 's/$/\r/' examples/palace/palace.lst >"$script" ;;
    utf8) { printf '\xEF\xBB\xBF'; iconv -f CP949 -t UTF-8 examples/palace/palace.lst; } >"$script" ;;
    utf16be) { printf '\xFE\xFF'; iconv -f CP949 -t UTF-16BE examples/palace/palace.lst; } >"$script" ;;
    utf16le) { printf '\xFF\xFE'; iconv -f CP949 -t UTF-16LE examples/palace/palace.lst; } >"$script" ;;
  esac
}

# The example tour named in Korean in a Korean folder: its second scene
# named in Korean in the script (code page text), its tile XML named in
# UTF-8 as the file system names it.
korean_tour=$'\xEA\xB6\x81\xEA\xB6\x90'
korean_scene=$'\xEB\x8F\x99\xEA\xB6\x81'
make_korean_tour() {  # make_korean_tour <folder>: the tour in <folder>/<korean_tour>
  local tour=$1/$korean_tour
  mkdir -p "$tour"
  cp examples/palace/hall.xml "$tour/"
  cp examples/palace/court.xml "$tour/$korean_scene.xml"
  LC_ALL=C sed 's/court/\xB5\xBF\xB1\xC3/g' examples/palace/palace.lst >"$tour/$korean_tour.lst"
}

# Wine takes the Windows locale, and with it the ANSI code page, from the
# Unix locale: C.UTF-8 gives en-US and code page 1252, and lets the Korean
# names of the command line and the file system through as UTF-8.
korean_runs_locale=C.UTF-8
ansi_code_page_is_1252() {  # ansi_code_page_is_1252 <loader> <prefix>
  LC_ALL=$korean_runs_locale WINEPREFIX=$2 timeout 60 "$1" reg query \
    'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null |
    grep -qE 'ACP +REG_SZ +1252'
}

# Runs a Windows executable in a folder: sets status, and leaves its
# standard output and error in $work/out and $work/err. A run that hangs is
# ended after two minutes (status 124).
run_exe() {  # run_exe <loader> <prefix> <folder> <exe> [arguments...]
  local loader=$1 prefix=$2 folder=$3 exe=$4
  shift 4
  status=0
  (cd "$folder" && WINEPREFIX=$prefix timeout 120 "$loader" "$exe" "$@" \
    >"$work/out" 2>"$work/err" </dev/null) || status=$?
}

# The last run ended with <status> and printed each text (a line of its
# own or part of one).
ran() {  # ran <status> [text...]
  if [[ $status != "$1" ]]; then
    # What the run said, so that a failure here can be understood from the log.
    echo "        exit status $status, expected $1; the run's last lines:"
    tail -n 5 "$work/out" "$work/err" | sed 's/^/          /'
    return 1
  fi
  shift
  local text
  for text in "$@"; do
    grep -qF -- "$text" "$work/out" || { echo "        missing: ${text%$'\r'}"; return 1; }
  done
}
lacks() { ! grep -qF -- "$1" "$work/out"; }  # the last run printed no such text
usage_only() {
  [[ $status == 2 ]] && cmp -s "$work/out" <(printf '\r\nUsage: Tourwright <Vantry Scene Script> \r\n')
}
starts_with_bom() { [[ $(head -c 3 "$1" | od -An -tx1 | tr -d ' ') == efbbbf ]]; }
same_tour() {  # same_tour <folder> <folder>: the same palace.xml and palace.htm
  cmp -s "$1/palace.xml" "$2/palace.xml" && cmp -s "$1/palace.htm" "$2/palace.htm"
}
crlf_only() {  # every line feed of the file comes after a carriage return
  [[ $(tr -cd '\n' <"$1" | wc -c) -gt 0 && $(grep -c $'\r$' "$1") -eq $(tr -cd '\n' <"$1" | wc -c) ]]
}
lf_only() { ! grep -q $'\r' "$1"; }
same_but_line_ends() {  # same_but_line_ends <CR LF file> <LF file>
  crlf_only "$1" && lf_only "$2" && cmp -s <(sed 's/\r$//' "$1") "$2"
}
only_files() {  # only_files <folder> [name...]: the folder holds exactly these
  local folder=$1 expected="" found
  shift
  (($#)) && expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
  found=$(cd "$folder" && ls -A | sort | tr '\n' ' ')
  [[ $found == "$expected" ]] || { echo "        found: $found"; return 1; }
}
imports_only_system_dlls() {  # imports_only_system_dlls <objdump> <exe> <format>
  local dump
  dump=$("$1" -p "$2") || return 1
  grep -q "file format $3" <<<"$dump" || return 1
  ! grep 'DLL Name:' <<<"$dump" | awk '{print tolower($3)}' |
    grep -vxE 'kernel32\.dll|msvcrt\.dll|user32\.dll|advapi32\.dll|shell32\.dll|ws2_32\.dll|mswsock\.dll'
}

# --- the Linux reference -------------------------------------------------

linux_exe=$root/build/tourwright
make_tour "$work/linux-lf" ansi
make_tour "$work/linux-crlf" crlf
linux_run() { (cd "$1" && "$linux_exe" palace.lst >/dev/null); }
echo "== Linux reference: $linux_exe"
check "Linux: the example tour converts" linux_run "$work/linux-lf"
check "Linux: the example tour saved with CR LF converts" linux_run "$work/linux-crlf"
check "Linux: a CR LF script gives the same tour as an LF script" \
  same_tour "$work/linux-crlf" "$work/linux-lf"
make_korean_tour "$work/linux-korean"
linux_korean="$work/linux-korean/$korean_tour"
linux_korean_run() {
  (cd "$work/linux-korean" && "$linux_exe" "$korean_tour/$korean_tour.lst" >/dev/null) &&
    grep -qF "<xmlscript name=\"$korean_tour.xml\"/>" "$linux_korean/$korean_tour.xml"
}
check "Linux: the Korean-named tour converts and names itself in UTF-8" linux_korean_run

unit_passed=0
unit_failed=0

# --- one word size -------------------------------------------------------

test_word_size() {  # test_word_size 32|64
  local size=$1
  local build=$root/build-win$size tag=win$size loader prefix exe objdump format
  if [[ $size == 64 ]]; then
    loader=$wine64_loader objdump=x86_64-w64-mingw32-objdump format=pei-x86-64
  else
    loader=$wine32_loader objdump=i686-w64-mingw32-objdump format=pei-i386
  fi
  exe=$build/tourwright.exe
  echo "== $tag: $(stat -c %s "$exe") bytes, $exe"
  check "$tag: tourwright.exe is $format and imports only system DLLs" \
    imports_only_system_dlls "$objdump" "$exe" "$format"

  if [[ $size == 32 ]] && ! can_run_32bit; then
    echo "  this kernel runs no 32-bit code: the 32-bit unit tests and runs are skipped"
    skip "$tag: unit tests"
    skip "$tag: end-to-end runs"
    return
  fi

  prefix=$work/prefix-$tag
  mkdir -p "$prefix"
  if [[ $size == 32 ]]; then
    WINEARCH=win32 WINEPREFIX=$prefix timeout 300 "$loader" wineboot --init >/dev/null 2>&1 || true
  else
    WINEARCH=win64 WINEPREFIX=$prefix timeout 300 "$loader" wineboot --init >/dev/null 2>&1 || true
  fi
  # One server for the whole run instead of one per program started.
  WINEPREFIX=$prefix "$wineserver" -p 2>/dev/null || true
  elapsed "$tag: Wine prefix ready"

  # Unit tests. They run from the build folder (its drive is the one that
  # holds the source tree, which some tests read).
  local test_exe name log exit_status count_passed count_failed
  for test_exe in "$build"/*_tests.exe; do
    name=$(basename "$test_exe")
    log=$work/$tag-$name.log
    exit_status=0
    (cd "$build" && WINEPREFIX=$prefix timeout 900 "$loader" "$name" --gtest_brief=1 \
      >"$log" 2>&1 </dev/null) || exit_status=$?
    sed -i 's/\r$//' "$log"  # the console's CR LF
    count_passed=$(grep -oE '^\[  PASSED  \] [0-9]+' "$log" | grep -oE '[0-9]+$' || true)
    count_failed=$(grep -cE '^\[  FAILED  \] [^ ]+ \([0-9]+ ms\)$' "$log" || true)
    # A program that crashed or printed no summary counts as one failure.
    if [[ $exit_status != 0 && $count_failed == 0 ]] || [[ -z $count_passed ]]; then
      count_failed=$((count_failed + 1))
    fi
    unit_passed=$((unit_passed + ${count_passed:-0}))
    unit_failed=$((unit_failed + count_failed))
    if ((count_failed)); then
      echo "  UNIT  $tag $name: ${count_passed:-0} passed, $count_failed failed (exit status $exit_status)"
      grep -E '^\[  FAILED  \]|Failure$' "$log" | head -n 40 | sed 's/^/        /'
    else
      echo "  unit  $tag $name: $count_passed passed"
    fi
  done
  elapsed "$tag: unit tests done"

  local dir encoding code kind
  # The example tour in every script encoding; each gives the same tour.
  for encoding in ansi utf8 utf16be utf16le crlf; do
    dir=$work/$tag-$encoding
    make_tour "$dir" "$encoding"
    run_exe "$loader" "$prefix" "$dir" "$exe" palace.lst
    case "$encoding" in ansi | crlf) code=0 ;; utf8) code=1 ;; utf16be) code=2 ;; utf16le) code=3 ;; esac
    check "$tag: $encoding script: exit 0, encoding $code, both outputs announced" \
      ran 0 "Text Encoding of LST file: $code " $'.\\palace.htm has been Created.\r' \
      $'.\\palace.xml has been Created.\r'
    check "$tag: $encoding script: tour XML and page written, no scratch file left" \
      only_files "$dir" "${tiles[@]}" palace.lst palace.xml palace.htm
    check "$tag: $encoding script: tour XML starts with the byte-order mark" \
      starts_with_bom "$dir/palace.xml"
    if [[ $encoding == ansi ]]; then
      check "$tag: every console line ends in CR LF" crlf_only "$work/out"
      check "$tag: console names the files with backslashes" \
        ran 0 $'List file: .\\palace.lst\r' $'XML  file: .\\palace.xml\r' $'HTML File: .\\palace.htm\r'
    else
      check "$tag: $encoding script gives the same tour as the ANSI script" \
        same_tour "$dir" "$work/$tag-ansi"
    fi
  done

  # Linux and Windows outputs differ only in their line ends.
  for kind in xml htm; do
    check "$tag: palace.$kind differs from the Linux one only in CR LF for LF" \
      same_but_line_ends "$work/$tag-ansi/palace.$kind" "$work/linux-lf/palace.$kind"
    check "$tag: CR LF script on Windows, LF script on Linux: palace.$kind the same but line ends" \
      same_but_line_ends "$work/$tag-crlf/palace.$kind" "$work/linux-lf/palace.$kind"
  done

  # A missing tile XML stops the run after the listing.
  dir=$work/$tag-missing-tile
  make_tour "$dir" ansi
  rm "$dir/court.xml"
  run_exe "$loader" "$prefix" "$dir" "$exe" palace.lst
  check "$tag: missing tile XML: exit 1 and the open error names it" \
    ran 1 $'Xml Source File Open Error: .\\court.xml\r'
  local tile left=()
  for tile in "${tiles[@]}"; do
    if [[ $tile != court.xml ]]; then left+=("$tile"); fi
  done
  check "$tag: missing tile XML: .tmp stays, no page, no tour XML" \
    only_files "$dir" "${left[@]}" palace.lst palace.tmp

  # A missing script.
  dir=$work/$tag-missing-script
  mkdir -p "$dir"
  run_exe "$loader" "$prefix" "$dir" "$exe" 'tours\nosuch.lst'
  check "$tag: missing script: exit 1, the not-found line with the whole path" \
    ran 1 $'Lst File "tours\\nosuch.lst" Not Found!\r'
  check "$tag: missing script: no file made" only_files "$dir"

  # Backslashes, a forward slash, a drive letter, spaces split across
  # arguments.
  dir=$work/$tag-paths
  make_tour "$dir/tours/palace" ansi
  run_exe "$loader" "$prefix" "$dir" "$exe" 'tours\palace\palace.lst'
  check "$tag: backslash path: exit 0, paths formed with backslashes" \
    ran 0 $'XML  file: tours\\palace\\palace.xml\r'
  check "$tag: backslash path: the tour beside the script" \
    same_tour "$dir/tours/palace" "$work/$tag-ansi"

  rm -f "$dir/tours/palace/palace.xml" "$dir/tours/palace/palace.htm"
  run_exe "$loader" "$prefix" "$dir" "$exe" 'tours/palace'
  check "$tag: project folder typed with a slash reads tours\\palace\\palace.lst" \
    ran 0 $'List file: tours\\palace\\palace.lst\r'
  check "$tag: project folder: the tour in the folder" \
    same_tour "$dir/tours/palace" "$work/$tag-ansi"

  local absolute="Z:${dir//\//\\}\\tours\\palace\\palace.txt"
  rm -f "$dir/tours/palace/palace.xml" "$dir/tours/palace/palace.htm"
  run_exe "$loader" "$prefix" "$work" "$exe" "$absolute"
  check "$tag: drive-letter path with another extension reads the .lst" \
    ran 0 "List file: ${absolute%.txt}.lst"$'\r'
  check "$tag: drive-letter path: the tour beside the script" \
    same_tour "$dir/tours/palace" "$work/$tag-ansi"

  make_tour "$dir/My Tours/palace" ansi
  run_exe "$loader" "$prefix" "$dir" "$exe" 'My' 'Tours\palace\palace.lst'
  check "$tag: path with a space given as two arguments is joined" \
    ran 0 $'List file: My Tours\\palace\\palace.lst\r'
  check "$tag: path with a space: the tour beside the script" \
    same_tour "$dir/My Tours/palace" "$work/$tag-ansi"

  # On a console the listing goes through the wide-character interface, which
  # Wine shows on a UTF-8 terminal as UTF-8.
  dir=$work/$tag-console
  make_tour "$dir" ansi
  (cd "$dir" && WINEPREFIX=$prefix LC_ALL=C.UTF-8 timeout 120 script -qec "$loader '$exe' palace.lst" \
    /dev/null >"$work/out" 2>&1 </dev/null) && status=0 || status=$?
  check "$tag: on a console the captions read in Unicode" ran 0 $'\xEA\xB7\xBC\xEC\xA0\x95\xEC\xA0\x84'
  check "$tag: on a console no code page caption is left" lacks $'\xB1\xD9\xC1\xA4\xC0\xFC'
  # The Korean-named tour under code page 1252: the command line arrives in
  # UTF-16 and files are reached by their Unicode names; the console shows
  # the paths in the ANSI code page, as a narrow command line gave them.
  dir=$work/$tag-korean
  make_korean_tour "$dir"
  check "$tag: Wine's ANSI code page is 1252 for the Korean runs" \
    ansi_code_page_is_1252 "$loader" "$prefix"
  LC_ALL=$korean_runs_locale run_exe "$loader" "$prefix" "$dir" "$exe" "$korean_tour\\$korean_tour.lst"
  check "$tag: Korean folder and name: exit 0, paths shown in code page 1252" \
    ran 0 $'List file: ??\\??.lst\r' $'??\\??.xml has been Created.\r'
  check "$tag: Korean folder and name: tour XML and page beside the script, no scratch file" \
    only_files "$dir/$korean_tour" hall.xml "$korean_scene.xml" "$korean_tour.lst" \
    "$korean_tour.xml" "$korean_tour.htm"
  for kind in xml htm; do
    check "$tag: Korean folder and name: .$kind the Linux one but line ends" \
      same_but_line_ends "$dir/$korean_tour/$korean_tour.$kind" "$linux_korean/$korean_tour.$kind"
  done

  # The preview end to end, the Linux test's client against the Windows
  # server; Wine turns SIGINT into the console's Ctrl-C (SIGTERM it takes
  # for a kill).
  if [[ $size == 64 ]]; then
    preview_end_to_end() {
      WINEPREFIX=$prefix TOURWRIGHT_PREVIEW_LAUNCHER=$loader TOURWRIGHT_PREVIEW_EXE=$exe \
        TOURWRIGHT_PREVIEW_SIGNAL=INT timeout 300 "$root/build/driver_tests" \
        --gtest_filter='PreviewEndToEnd.*' >"$work/preview.log" 2>&1 ||
        { grep -E 'Failure|Expected|Which is|FAILED' "$work/preview.log" | head -n 20 | sed 's/^/        /'; return 1; }
    }
    check "$tag: --preview serves the tour over HTTP, refuses what lies outside, ends on Ctrl-C" \
      preview_end_to_end
  fi

  # No argument: the usage text alone, as CR LF lines.
  run_exe "$loader" "$prefix" "$work" "$exe"
  check "$tag: no argument: exit 2 and only the usage text" \
    usage_only
  elapsed "$tag: end-to-end runs done"
}

test_word_size 64
test_word_size 32

echo "Wine unit tests: $unit_passed passed, $unit_failed failed"
elapsed "finished"
echo "Wine end-to-end checks:"
if ((skipped)); then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
((failed == 0 && unit_failed == 0))
