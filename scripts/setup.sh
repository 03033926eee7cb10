#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need; only what
# is missing, so a second run returns at once.
set -euo pipefail

packages=(
  cmake g++ ninja-build pkg-config
  libsdl2-dev python3-glad libpng-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth libgl1-mesa-dri xdotool imagemagick libx11-dev
  # The formatting check and the API reference.
  clang-format doxygen
  # The Windows build: MinGW-w64 with zlib, GoogleTest's sources, Wine to run it.
  g++-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine64
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
