#!/bin/sh
# Builds Tessary into build/ and starts it from the working folder run/ (which holds
# the panel logo and receives the saved results) on the given picture, or on the
# bundled sample picture.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -gt 0 ]; then
  picture=$(realpath -- "$1")
else
  picture=$here/assets/sample.jpg
fi

"$here/scripts/build.sh" "$here/build" -DTESSARY_TESTS=OFF -DTESSARY_BENCH=OFF

mkdir -p "$here/run"
if [ -f "$here/assets/CORVALIS.jpg" ]; then
  cp "$here/assets/CORVALIS.jpg" "$here/run/CORVALIS.jpg"
fi
cd "$here/run"
exec "$here/build/Tessary.exe" "$picture"
