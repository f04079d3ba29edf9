#!/bin/sh
# Configures and builds Tessary into $1 (default: build), passing further arguments
# to CMake.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
[ $# -gt 0 ] && shift
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
