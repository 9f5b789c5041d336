#!/usr/bin/env bash
# Installs what building and testing Tourwright needs, when it is missing
# (Debian 12): one line per package installed, nothing when all is there.
# TOURWRIGHT_SETUP_EXTRA adds packages (space-separated) that one tool
# needs, such as the packaging's lintian.
set -euo pipefail
source "$(dirname "$0")/setup-common.sh"
packages=(
  cmake
  g++
  make
  libgtest-dev
  libboost-dev
  libxml2-utils
  mandoc
  graphviz
)
if [[ "${TOURWRIGHT_SETUP_EXTRA:-}" != "" ]]; then
  read -r -a extra <<<"$TOURWRIGHT_SETUP_EXTRA"
  packages+=("${extra[@]}")
fi
setup_install setup "${packages[@]}"
