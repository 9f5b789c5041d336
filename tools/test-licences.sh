#!/usr/bin/env bash
# tools/gather-licences.sh on scratch trees: the project's stanza alone when
# nothing else ships inside the program, every third_party/ part's stanza
# and text when there are some, and a part without its licence files
# refused. The closing line counts the
# cases.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-licences-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
# case <description> <parts: name:files...> <expected status>
#      <stanzas expected in copyright, joined by |> <licence files expected>
case_() {
  local description=$1 parts=$2 status=$3 stanzas=$4 licences=$5
  local tree=$work/tree-$((passed + failed)) part name file got=0 problem=""
  mkdir -p "$tree/cmake/debian"
  cp "$root/LICENSE" "$tree/"
  cp "$root/cmake/debian/copyright.in" "$tree/cmake/debian/"
  for part in $parts; do
    name=${part%%:*}
    mkdir -p "$tree/third_party/$name"
    for file in $(tr , ' ' <<<"${part#*:}"); do
      [[ $file == LICENSE ]] && echo "$name licence text" >"$tree/third_party/$name/LICENSE"
      [[ $file == copyright || $file == copyright-without-text ]] &&
        printf 'Files: third_party/%s/*\nCopyright: 2020 %s authors\nLicense: Apache-2.0\n' \
          "$name" "$name" >"$tree/third_party/$name/copyright"
      [[ $file == copyright ]] && printf '\nLicense: Apache-2.0\n See /usr/share/common-licenses/Apache-2.0.\n' \
        >>"$tree/third_party/$name/copyright"
    done
  done
  bash tools/gather-licences.sh "$tree" "$tree/out" >"$tree/log" 2>&1 || got=$?
  if ((status == 0 ? got != 0 : got == 0)); then problem=" exit status $got: $(cat "$tree/log")"; fi
  if ((status == 0)); then
    local found
    found=$(grep '^Files:' "$tree/out/copyright" | paste -sd '|' || true)
    [[ $found == "$stanzas" ]] || problem+=" stanzas: $found"
    found=$( (cd "$tree/out/licences" 2>/dev/null && ls) | paste -sd ' ' || true)
    [[ $found == "$licences" ]] || problem+=" licences: $found"
    grep -q '^License: MIT$' "$tree/out/copyright" || problem+=" no MIT licence"
  elif ! grep -q "$stanzas" "$tree/log"; then
    problem+=" message: $(cat "$tree/log")"
  fi
  if [[ -z $problem ]]; then passed=$((passed + 1)); echo "  ok    $description"
  else failed=$((failed + 1)); echo "  FAIL  $description:$problem"; fi
}

case_ "no third-party part: the project's stanza alone" "" 0 "Files: *" ""
case_ "parts in third_party/: a stanza and a text each" \
  "viewer:LICENSE,copyright icons:LICENSE,copyright" 0 \
  "Files: *|Files: third_party/icons/*|Files: third_party/viewer/*" \
  "icons.txt viewer.txt"
case_ "a part without its copyright fragment is refused" "viewer:LICENSE" 1 \
  "third_party/viewer has no copyright" ""
case_ "a part whose licence has no License paragraph is refused" "viewer:LICENSE,copyright-without-text" 1 \
  "licence Apache-2.0 of \"Files: third_party/viewer/\*\" has no License paragraph" ""
echo "Licence checks:"
echo "$passed passed, $failed failed"
((failed == 0))
