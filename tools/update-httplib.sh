#!/usr/bin/env bash
# Refreshes third_party/cpp-httplib/ from Debian's source package of the
# HTTP library (its single header with Debian's patches applied, and its
# licence). Debian's libcpp-httplib-dev ships the header split from its
# implementation, which lives in a shared library only: the tests' client,
# built for Linux and run against the Windows builds too, takes the whole
# header, so it is committed and a build needs no network. Uses apt-get with a private list of deb-src
# entries; changes nothing of the system's apt configuration.
#   bash tools/update-httplib.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(mktemp -d "${TMPDIR:-/tmp}/tourwright-httplib.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial"
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
cat >"$work/parts/source.sources" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename $codename-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $codename-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
apt=(apt-get -qq -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/parts"
  -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache")
"${apt[@]}" update
(cd "$work" && "${apt[@]}" source --download-only cpp-httplib >/dev/null 2>&1)
(cd "$work" && dpkg-source -x --no-check ./*.dsc unpacked >/dev/null)
mkdir -p third_party/cpp-httplib
cp "$work/unpacked/httplib.h" "$work/unpacked/LICENSE" third_party/cpp-httplib/
version=$(cd "$work" && ls ./*.dsc | sed 's|^\./cpp-httplib_||; s|\.dsc$||')
echo "third_party/cpp-httplib: Debian's cpp-httplib $version (from $root)"
