#!/usr/bin/env bash
# Installs the build into a scratch prefix and builds the Debian package,
# then checks that both hold the utility, its icon and its desktop entry.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/usr" >/dev/null
for f in usr/bin/rallon-config \
         usr/share/applications/rallon-config.desktop \
         usr/share/icons/hicolor/48x48/apps/rallon-config.png; do
    [ -s "$scratch/$f" ] || { echo "missing after install: $f"; exit 1; }
done
[ -x "$scratch/usr/bin/rallon-config" ] || { echo "rallon-config is not executable"; exit 1; }
header=$(head -c 24 "$scratch/usr/share/icons/hicolor/48x48/apps/rallon-config.png" | od -An -tx1 | tr -d ' \n')
[ "${header:0:16}" = "89504e470d0a1a0a" ] || { echo "icon is no PNG"; exit 1; }
# A PNG's width and height stand at offsets 16 and 20: 48 x 48.
[ "${header:32:16}" = "0000003000000030" ] || { echo "icon is not 48 x 48"; exit 1; }
grep -qx 'Exec=rallon-config' "$scratch/usr/share/applications/rallon-config.desktop"
grep -qx 'Icon=rallon-config' "$scratch/usr/share/applications/rallon-config.desktop"

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/pkg" >/dev/null)
deb=$(ls "$scratch"/pkg/*.deb)
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/rallon-config ./usr/share/applications/rallon-config.desktop \
         ./usr/share/icons/hicolor/48x48/apps/rallon-config.png; do
    grep -q " $f\$" <<<"$contents" || { echo "missing in package: $f"; exit 1; }
done
dpkg-deb -f "$deb" Depends | grep -q libqt6serialport6
echo "install and package: ok ($(basename "$deb"))"
