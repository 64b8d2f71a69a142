#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and any named
# as arguments, when missing.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev
          libxcb1-dev xvfb xauth  # the splash window on X11, and its test under Xvfb
          fonts-dejavu-core fontconfig
          nlohmann-json3-dev  # rallon-cli's JSON document: a strict reader and an ordered writer
          clang-14 libclang-rt-14-dev  # the fuzz build: clang, libFuzzer and its sanitizers
          dpkg-dev file lintian appstream desktop-file-utils man-db  # the install check
          "$@")                        # extra packages a caller names

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
