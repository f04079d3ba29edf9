#!/bin/sh
# Installs everything Tessary needs to build, run and test on Debian 12.
# Run as root; safe to run again.
set -eu
export DEBIAN_FRONTEND=noninteractive
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
    util-linux procps
