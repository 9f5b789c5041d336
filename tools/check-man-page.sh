#!/usr/bin/env bash
# The man page test: mandoc's lint finds nothing at warning level, and every
# option that `tourwright --help` names is documented in the man page.
#   bash tools/check-man-page.sh <tourwright executable> <man page>
set -euo pipefail
exe=$1
page=$2
command -v mandoc >/dev/null || { echo "mandoc is missing (bash tools/setup.sh installs it)"; exit 1; }
mandoc -T lint -W warning "$page"
# A program whose --help is not there yet has nothing to compare.
help=$("$exe" --help 2>/dev/null) || { echo "no --help: the option check is skipped"; exit 77; }
shown=$(MANWIDTH=100 mandoc -T ascii "$page" | col -b)
status=0
for option in $(grep -oE -- '(^|[^[:alnum:]-])--?[a-z][a-z-]*' <<<"$help" | grep -oE -- '--?[a-z-]+' | sort -u); do
  if ! grep -qE -- "(^|[^[:alnum:]-])$option([^[:alnum:]-]|$)" <<<"$shown"; then
    echo "--help names $option, which the man page does not document"
    status=1
  fi
done
exit $status
