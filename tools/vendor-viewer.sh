#!/usr/bin/env bash
# Copies the panorama viewer that the preview page carries from npm into
# third_party/marzipano/: its one minified bundle, the full text of every
# licence inside it (the viewer's and those of the modules it bundles),
# and the stanza that debian/copyright takes for it. package-lock.json pins
# the version and the integrity hashes; to move to another version, change
# package.json, run `npm install --ignore-scripts`, then this script, and
# commit package*.json and third_party/. Builds need neither npm nor the
# network: third_party/ is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v npm >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq nodejs npm >/dev/null
fi
npm ci --ignore-scripts --no-audit --no-fund >/dev/null
modules=node_modules
version() { node -p "require('./$modules/$1/package.json').version"; }
dest=third_party/marzipano
rm -rf "$dest"
mkdir -p "$dest"
cp "$modules/marzipano/dist/marzipano.js" "$dest/marzipano.js"

# The bundle holds these modules as well (see its module table).
bundled=(bowser gl-matrix hammerjs minimal-event-emitter)
{
  echo "marzipano $(version marzipano): Apache License 2.0"
  echo
  cat "$modules/marzipano/LICENSE"
  for module in "${bundled[@]}"; do
    licence=$(ls "$modules/$module" | grep -i '^licen[cs]e' | head -n 1)
    echo
    echo "==================================================================="
    echo "$module $(version "$module"), bundled in marzipano.js:"
    echo
    cat "$modules/$module/$licence"
  done
} >"$dest/LICENSE"

cat >"$dest/copyright" <<STANZA
Files: third_party/marzipano/*
Copyright: 2016 Google Inc.
 2015 Dustin Diaz (bowser)
 2015-2020 Brandon Jones, Colin MacKenzie IV (gl-matrix)
 2011-2014 Jorik Tangelder (Eight Media) (hammerjs)
 Tiago Quelhas (minimal-event-emitter)
License: Apache-2.0 and Expat
Comment: marzipano $(version marzipano) from npm, one bundle that holds
 bowser $(version bowser), gl-matrix $(version gl-matrix), hammerjs $(version hammerjs)
 and minimal-event-emitter $(version minimal-event-emitter). bowser's licence adds a
 clause on its author's bug-reporting addresses; the full texts of all
 licences are in third_party/marzipano/LICENSE.

License: Apache-2.0
 On Debian systems, the full text of the Apache License, Version 2.0 can be
 found in /usr/share/common-licenses/Apache-2.0.

License: Expat
$(sed -e 's/\r$//' -e '1,/Copyright/d' "$modules/hammerjs/LICENSE.md" |
  sed -e '/./,$!d' -e 's/^[[:space:]]*$/./' -e 's/^/ /')
STANZA

{
  echo "Third-party files that the preview page carries; the build embeds them."
  echo
  echo "- marzipano/marzipano.js: marzipano $(version marzipano) from npm (pinned in"
  echo "  package-lock.json), licences in marzipano/LICENSE. Refresh: bash tools/vendor-viewer.sh"
} >third_party/README.md
echo "third_party/marzipano: $(wc -c <"$dest/marzipano.js") bytes of viewer, $(version marzipano)"
