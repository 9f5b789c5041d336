#!/usr/bin/env bash
# Installs what building and testing Tourwright needs, when it is missing
# (Debian 12). Safe to run again; does nothing when all is there.
set -euo pipefail
packages=(cmake g++ make libgtest-dev libxml2-utils mandoc graphviz)
packages+=(chromium fonts-nanum)  # the preview page's browser test, Korean glyphs in its screenshots
if [[ "${TOURWRIGHT_SETUP_EXTRA:-}" != "" ]]; then
  read -r -a extra <<<"$TOURWRIGHT_SETUP_EXTRA"
  packages+=("${extra[@]}")
fi
missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
