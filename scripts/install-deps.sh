#!/bin/sh
# Installs what Tessary needs on Debian 12, as root; safe to run again.
#
#   sh scripts/install-deps.sh          building and running the Linux program
#   sh scripts/install-deps.sh --test   that, and what the tests, the benchmarks, the
#                                       fuzzers and the Windows build need
#
# A package mirror in the middle of a sync can serve an index that does not match its
# release file. The index list is fetched up to three times; an index that still
# fails is named and left out, and the packages come from what apt has. Packages are
# installed in groups: a group the program or the tests cannot do without stops the
# script with apt's reason, while 32-bit Wine (wine32:i386, whose libraries must match
# the 64-bit ones of the same suite) is optional: without it the i686 Windows build is
# not run under Wine, and its tests report themselves skipped.
set -eu
export DEBIAN_FRONTEND=noninteractive

with_tests=no
case "${1:-}" in
  --test) with_tests=yes ;;
  "") ;;
  *) echo "usage: sh scripts/install-deps.sh [--test]" >&2; exit 2 ;;
esac

say() { echo "install-deps: $*"; }

# apt-get update, up to three times; what still fails after that is named.
update_indexes() {
  log=$(mktemp)
  for try in 1 2 3; do
    if apt-get update -q >"$log" 2>&1 && ! grep -q '^[EW]: Failed to fetch' "$log"; then
      rm -f "$log"
      return 0
    fi
    [ "$try" = 3 ] || sleep $((try * 5))
  done
  grep -v '^[EW]: Failed to fetch' "$log" | grep '^[EW]:' >&2 || true
  sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)$/\1 (\2)/p' "$log" | while read -r failed; do
    say "the package index $failed failed after 3 tries; going on with the indexes apt has"
  done
  rm -f "$log"
}

# A group that must install: apt prints its reason, and the script stops.
install_group() {
  name=$1
  shift
  say "installing $name"
  if ! apt-get install -y -q --no-install-recommends "$@"; then
    say "could not install $name (apt's reason is above); stopping"
    exit 1
  fi
}

if [ "$with_tests" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  # 32-bit Wine comes from the i386 architecture.
  dpkg --add-architecture i386
fi
update_indexes

# file and dpkg-dev: CPack needs them to make the Debian package (scripts/package.sh).
install_group "the compiler and build tools" \
  build-essential g++ cmake make pkg-config ca-certificates file dpkg-dev
install_group "the window, picture and text libraries" \
  libsdl2-dev libsdl2-image-dev libx11-dev \
  libjpeg62-turbo-dev libpng-dev libgif-dev libwebp-dev libtiff-dev zlib1g-dev libheif-dev \
  libfreetype-dev libfontconfig-dev
install_group "the fonts" fonts-wqy-microhei fonts-wqy-zenhei fonts-dejavu-core

[ "$with_tests" = yes ] || exit 0

install_group "the test and benchmark libraries" \
  libgtest-dev libgmock-dev libbenchmark-dev libheif-examples
install_group "the fuzzers' compiler" clang-14 libclang-rt-14-dev
install_group "the display and desktop tools the tests drive" \
  xvfb xauth x11-utils xdotool imagemagick xfonts-base \
  debootstrap desktop-file-utils util-linux procps
install_group "the Windows build and 64-bit Wine" \
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 libz-mingw-w64-dev wine wine64 zip

say "installing 32-bit Wine (optional)"
# Never at the cost of a package already there: with the i386 libraries out of step,
# apt could otherwise remove 64-bit ones to make room.
if ! apt-get install -y -q --no-install-recommends --no-remove wine32:i386; then
  say "wine32:i386 cannot be installed (apt's reason is above): the 32-bit Windows build" \
    "is built but not run under Wine, and its comparison test reports itself skipped"
fi
