#!/bin/sh
# Installs everything Tessary needs to build, run and test on Debian 12: the Linux
# build's compilers and libraries, and for the Windows build MinGW-w64 (both
# architectures, posix threads), Wine for 64 and 32 bits to run it and zip to pack it.
# Run as root; safe to run again.
set -eu
export DEBIAN_FRONTEND=noninteractive
# Wine for 32-bit programs comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -q
apt-get install -y -q --no-install-recommends \
    build-essential g++ cmake make pkg-config ca-certificates \
    libgtest-dev libgmock-dev libbenchmark-dev \
    libsdl2-dev libsdl2-image-dev \
    libfreetype-dev libfontconfig-dev \
    libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev libgif-dev libwebp-dev libtiff-dev \
    clang-14 libclang-rt-14-dev \
    fonts-wqy-microhei fonts-wqy-zenhei fonts-dejavu-core \
    xvfb xauth x11-utils xdotool imagemagick libx11-dev xfonts-base \
    libpng-dev dpkg-dev file debootstrap desktop-file-utils \
    util-linux procps \
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix \
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 \
    wine wine64 wine32:i386 zip
