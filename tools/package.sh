#!/usr/bin/env bash
# Builds the packages into dist/, installing what is missing (Debian 12):
#   dist/tourwright_<version>_<arch>.deb   from a fresh Release tree (build-package/)
#   dist/tourwright-<version>-win64.zip    the Windows executables (build-win64/,
#   dist/tourwright-<version>-win32.zip    build-win32/, reused when already built)
# The .deb's program links the C and C++ runtimes dynamically, as Debian's
# policy wants, and its Depends comes from dpkg-shlibdeps. Each zip holds
# tourwright.exe, README.txt and LICENSE.txt (CR LF lines), the licences of
# the third-party parts inside the program (licences/), the example tour and
# the man page as tourwright.html. lintian checks the .deb; an error or a
# warning without an override (each with its reason) fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$SECONDS
TOURWRIGHT_SETUP_EXTRA="mandoc lintian dpkg-dev zip unzip" bash tools/setup.sh
version=$(sed -n 's/^project(tourwright VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
rm -rf dist build-package
mkdir -p dist

# Debian's hardening flags, as a Debian build of the package would use.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DTOURWRIGHT_TESTS=OFF -DTOURWRIGHT_STATIC=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-package -j"$(nproc)" >/dev/null
# As Debian's own strip step does: the compilers' names and versions are no
# part of the program.
objcopy --remove-section=.comment build-package/tourwright
(cd build-package && cpack -G DEB -B "$root/build-package/cpack" >/dev/null)
mv build-package/cpack/tourwright_"$version"_*.deb dist/
deb=$(ls dist/tourwright_"$version"_*.deb)
echo "$deb: $(stat -c %s "$deb") bytes"
# lintian exits non-zero on an error or a warning; notes are shown too
# (--show-overrides would count the overridden warnings as failures).
lintian --fail-on error,warning --display-info "$deb" | tee build-package/lintian.txt
# An override stays only while its tag applies.
if grep -E 'unused-override|mismatched-override' build-package/lintian.txt; then
  echo "package: a lintian override names a tag that does not apply" >&2
  exit 1
fi

# The Windows zips.
bash tools/build-windows.sh >/dev/null
manual=build-package/tourwright.html
mandoc -T html -O style=none docs/tourwright.1 >"$manual"
for size in 64 32; do
  name=tourwright-$version-win$size
  stage=build-package/$name
  mkdir -p "$stage/examples"
  cp "build-win$size/tourwright.exe" "$manual" "$stage/"
  sed 's/\r*$/\r/' README.md >"$stage/README.txt"
  sed 's/\r*$/\r/' LICENSE >"$stage/LICENSE.txt"
  if [[ -d build-package/licences ]]; then cp -r build-package/licences "$stage/"; fi
  cp -r examples/palace examples/west "$stage/examples/"
  rm -f "$stage/examples/palace/palace.xml" "$stage/examples/palace/palace.htm"
  (cd build-package && TZ=UTC zip -qrX "$root/dist/$name.zip" "$name")
  echo "dist/$name.zip: $(stat -c %s "dist/$name.zip") bytes"
done
echo "packages built in $((SECONDS - started))s"
