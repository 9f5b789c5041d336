#!/usr/bin/env bash
# Gathers the licences of everything that ships inside the program:
#   <out>/copyright            debian/copyright in the machine-readable
#                              (DEP-5) format: the project's stanza, then
#                              every third_party/<name>/copyright fragment
#   <out>/licences/<name>.txt  the full licence of each third-party part
#                              (third_party/<name>/LICENSE); no folder when
#                              there is none
#
#   bash tools/gather-licences.sh <source folder> <out folder>
#
# Each third_party/<name>/ folder must hold both LICENSE (the full text) and
# copyright (its Files: stanzas, with a License paragraph where the licence
# is not in /usr/share/common-licenses).
set -euo pipefail
source=$1
out=$2
mkdir -p "$out"
rm -rf "$out/licences"
mkdir "$out/licences"

# A licence text as a DEP-5 field's continuation lines.
as_field_text() { sed -e 's/^$/./' -e 's/^/ /'; }

{
  cat "$source/cmake/debian/copyright.in"
  # The project's licence text inline, so that a fragment may bring a
  # License paragraph of the same name.
  echo "License: MIT"
  sed -n '/^Permission/,$p' "$source/LICENSE" | as_field_text
} >"$out/copyright.new"

shopt -s nullglob
for part in "$source"/third_party/*/; do
  name=$(basename "$part")
  for file in LICENSE copyright; do
    [[ -f $part/$file ]] || { echo "gather-licences: third_party/$name has no $file" >&2; exit 1; }
  done
  { echo; sed -e '$a\' "$part/copyright"; } >>"$out/copyright.new"
  cp "$part/LICENSE" "$out/licences/$name.txt"
done

# The machine-readable format's own rules, which lintian does not check in
# a binary package: every Files paragraph has a Copyright and a License, and
# a licence named without its text has a License paragraph of its own.
awk -v RS= -F '\n' '
  /^Files:/ {
    copyright = license = 0
    for (i = 1; i <= NF; i++) {
      if ($i ~ /^Copyright:/) copyright = 1
      if ($i ~ /^License:/) { license = 1; name = $i; sub(/^License: */, "", name)
        # A licence expression ("Apache-2.0 and Expat") names each of its licences.
        if (i == NF || $(i + 1) !~ /^ /) {
          n = split(name, names, / +(and|or) +/)
          for (k = 1; k <= n; k++) needed[names[k]] = $1
        } }
    }
    if (!copyright || !license) { print "gather-licences: no Copyright or License in \"" $1 "\""; bad = 1 }
    next
  }
  /^License:/ { name = $1; sub(/^License: */, "", name); given[name] = 1 }
  END {
    for (name in needed) if (!(name in given)) {
      print "gather-licences: licence " name " of \"" needed[name] "\" has no License paragraph"; bad = 1 }
    exit bad
  }' "$out/copyright.new" >&2
mv "$out/copyright.new" "$out/copyright"
# No folder at all when nothing but the program itself ships.
rmdir "$out/licences" 2>/dev/null || true
