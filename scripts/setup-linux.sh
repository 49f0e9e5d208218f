#!/usr/bin/env bash
# Installs what building, running and testing the Linux program needs, on
# Debian 12. Does nothing when everything is there already.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtk-3-dev libwebkit2gtk-4.1-dev libcurl4-openssl-dev libpng-dev zlib1g-dev
  libgtest-dev gdb
  python3 curl
  xvfb xauth openbox xdotool x11-utils imagemagick dbus-x11 at-spi2-core
  fonts-noto-cjk clang-format desktop-file-utils
  dpkg-dev file
)

bash "$(dirname "$0")/install_missing.sh" "${packages[@]}"
