#!/bin/sh
# Builds and runs every test: the Windows builds (both architectures) and their unit
# tests under wine64, then the whole suite under AddressSanitizer and UBSan with the
# end-to-end tests of the Linux build and of the Windows builds under Wine, then the
# window thread and mouse queue tests again under ThreadSanitizer, then each
# libFuzzer target for a minute on its corpus (FUZZ_SECONDS to change that).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

# One Wine prefix per run, shared in turn by the Windows unit tests and the Wine
# end-to-end tests; the first test that needs it makes it.
rm -rf "$here/build-windows/wineprefix"
"$here/scripts/build-windows.sh"
cmake --build "$here/build-windows/x86_64" -j "$jobs"
ctest --test-dir "$here/build-windows/x86_64" --output-on-failure -j "$jobs"

"$here/scripts/build.sh" "$here/build-asan" -DTESSARY_SANITIZE=address,undefined -DTESSARY_BENCH=OFF \
  -DTESSARY_WINE_TESTS=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$here/build-asan" --output-on-failure -j "$jobs"
# CTest names a skipped case (the 32-bit one under Wine without 32-bit Wine) but not
# its reason, which GoogleTest printed into the test log.
awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 } /: Skipped$/ { reason = 1; next } /^\[  SKIPPED \]/ { reason = 0 }
  reason { print "run-tests: skipped " name ": " $0 }' "$here/build-asan/Testing/Temporary/LastTest.log"

# Only the window thread and mouse queue tests run under ThreadSanitizer, so only
# their programs are built there.
cmake -S "$here" -B "$here/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARY_SANITIZE=thread \
  -DTESSARY_BENCH=OFF >/dev/null
thread_tests=$(cd "$here/tests" && for f in */*queue*_test.cpp */*window*_test.cpp */*thread*_test.cpp; do
  [ -f "$f" ] && echo "${f%%/*}_$(basename "$f" .cpp)"; done | sort -u)
# shellcheck disable=SC2086
cmake --build "$here/build-tsan" -j "$jobs" --target $thread_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir "$here/build-tsan" --output-on-failure -L threads -j "$jobs"

# The selection engine's portable paths alone, held against the plain rules: only the
# differential test is built there.
cmake -S "$here" -B "$here/build-portable" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARY_PORTABLE_ONLY=ON \
  -DTESSARY_BENCH=OFF >/dev/null
cmake --build "$here/build-portable" -j "$jobs" --target selection_pipeline_differential_test
"$here/build-portable/tests/selection_pipeline_differential_test"

# The fuzz targets need clang, which `install-deps.sh --test` installs; without it this fails.
fuzz_seconds=${FUZZ_SECONDS:-60}
for target in picture_decode_fuzz snapshot_fuzz bmp_roundtrip_fuzz; do
  sh "$here/scripts/fuzz.sh" "$target" "$fuzz_seconds"
done
