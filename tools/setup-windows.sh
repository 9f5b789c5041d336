#!/usr/bin/env bash
# Installs what cross-building Tourwright for Windows and testing it under
# Wine needs, when it is missing (Debian 12): the MinGW-w64 compilers (the
# -posix variants, whose threads GoogleTest needs), GoogleTest's sources
# (and its Linux libraries, for the preview test's client), the Boost
# headers the preview server is built on, and Wine for
# both word sizes (wine32 needs the i386 architecture). One line per package installed, nothing when all is there.
# Set TOURWRIGHT_NO_WINE=1 to install only what the build needs.
set -euo pipefail
source "$(dirname "$0")/setup-common.sh"
packages=(
  cmake
  make
  g++
  googletest
  g++-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix
  libgtest-dev
  libboost-dev
)
wine_packages=(
  wine
  wine64
  wine32:i386
)
if [[ "${TOURWRIGHT_NO_WINE:-}" != "1" ]]; then
  packages+=("${wine_packages[@]}")
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "setup-windows: adding the i386 architecture"
    "${setup_sudo[@]}" dpkg --add-architecture i386
  fi
fi
setup_install_options=(--no-install-recommends)
setup_install setup-windows "${packages[@]}"
