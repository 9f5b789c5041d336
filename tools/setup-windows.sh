#!/usr/bin/env bash
# Installs what cross-building Tourwright for Windows and testing it under
# Wine needs, when it is missing (Debian 12): the MinGW-w64 compilers (the
# -posix variants, whose threads GoogleTest needs), GoogleTest's sources (and
# its Linux libraries, for the preview test's client) and
# Wine for both word sizes (wine32 needs the i386 architecture).
# Set TOURWRIGHT_NO_WINE=1 to install only the compilers.
set -euo pipefail
packages=(cmake make g++ googletest libgtest-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix)
if [[ "${TOURWRIGHT_NO_WINE:-}" != "1" ]]; then
  packages+=(wine wine64 wine32:i386)
fi
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
if [[ "${TOURWRIGHT_NO_WINE:-}" != "1" ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  need_update=1
fi
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
# A mirror in the middle of a sync can fail one index (most often a
# foreign architecture's); the install below still finds what it needs in
# the others, so a failed update is retried and then let pass.
update_indexes() {
  local try
  for try in 1 2 3; do
    $sudo apt-get update -qq && return 0
    ((try < 3)) && sleep $((try * 10))
  done
  echo "setup-windows: apt-get update failed; using the package lists there are" >&2
}
if ((${#missing[@]})) || [[ "${need_update:-}" == 1 ]]; then
  update_indexes
fi
install() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" \
    "${missing[@]}" >/dev/null
}
if ((${#missing[@]})); then
  # The i386 libraries must match their amd64 twins version for version.
  # When one architecture's security index is missing, the candidates part
  # and the install fails; the release's own archive has both, so take the
  # versions from there.
  if ! install; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    echo "setup-windows: retrying with the versions of $codename's main archive" >&2
    install -t "$codename"
  fi
fi
