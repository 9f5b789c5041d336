#!/usr/bin/env bash
# Checks that the layers read bottom-up: a unit of src/<layer>/ includes
# headers of its own layer and of the layers below it, never above.
# Order: platform, encoding, script, tour, preview, driver. Exits 1 and names each
# offending include otherwise.
set -euo pipefail
cd "$(dirname "$0")/../src"
layers=(platform encoding script tour preview driver)
rank() {
  local i
  for i in "${!layers[@]}"; do
    [[ "${layers[$i]}" == "$1" ]] && { echo "$i"; return; }
  done
  echo -1
}
status=0
for layer in "${layers[@]}"; do
  own=$(rank "$layer")
  for file in "$layer"/*.h "$layer"/*.cpp "$layer"/*.inc; do
    [[ -e "$file" ]] || continue
    while IFS= read -r included; do
      target=${included%%/*}
      [[ "$included" == */* ]] || continue
      other=$(rank "$target")
      if ((other < 0)); then
        continue  # a header outside the layers (test_support.h)
      fi
      if ((other > own)); then
        echo "src/$file includes $included: layer $target sits above $layer" >&2
        status=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
  done
done
if ((status == 0)); then
  echo "layers: every include points to its own layer or one below"
fi
exit "$status"
