#!/bin/sh
# Builds the Debian package dist/tessary_<version>_amd64.deb: a release build in
# build-package/, installed under /usr, packed by CPack with the dependencies that
# dpkg-shlibdeps finds for the program's libraries and the CJK font.
# Needs what scripts/install-deps.sh installs (the first set).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-package"
"$here/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTESSARY_TESTS=OFF -DTESSARY_BENCH=OFF
rm -f "$build"/tessary_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
mkdir -p "$here/dist"
for deb in "$build"/tessary_*.deb; do
  [ -f "$deb" ] || { echo "package: CPack made no package" >&2; exit 1; }
  cp "$deb" "$here/dist/"
  echo "$here/dist/$(basename "$deb")"
done
