#!/bin/sh
# Builds one libFuzzer target (fuzz/<TARGET>.cpp) with clang, ASan and UBSan into
# build-fuzz and runs it for SECONDS on its corpus, fuzz/corpus/<TARGET>/. What it
# finds goes to build-fuzz/findings/<TARGET>/: new inputs to new/ (worth adding to
# the corpus when they reach new code), crash, timeout and out-of-memory reproducers
# beside it. Usage: sh scripts/fuzz.sh TARGET SECONDS
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?usage: fuzz.sh TARGET SECONDS}
seconds=${2:?usage: fuzz.sh TARGET SECONDS}
clang=$(command -v clang++-14 || command -v clang++ || true)
if [ -z "$clang" ]; then
  echo "fuzz.sh: clang++ is needed (sh scripts/install-deps.sh --test installs clang-14)" >&2
  exit 1
fi
cc=$(command -v clang-14 || command -v clang)
build=${FUZZ_BUILD:-"$here/build-fuzz"}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$clang" \
  -DTESSARY_FUZZ=ON -DTESSARY_SANITIZE=address,undefined -DTESSARY_TESTS=OFF -DTESSARY_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "$target"
corpus="$here/fuzz/corpus/$target"
mkdir -p "$corpus"
findings="$build/findings/$target"
mkdir -p "$findings/new"
cd "$findings"
ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=64 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=512 -timeout=10 -max_len=65536 \
  -print_final_stats=1 "$findings/new" "$corpus"
