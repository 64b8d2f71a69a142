#!/usr/bin/env bash
# Installs the Debian packages of the groups named, when missing:
#   build  what the utility, rallon-cli and rallon-sim need to build and run
#   test   the suite's extras: Xvfb for the splash window's X11 check,
#          PostgreSQL for the server ledger's tests, and the install
#          check's packaging and lint tools
#   fuzz   this release's clang with its libFuzzer and sanitizer runtime
#   windows  the MinGW-w64 cross-compilers and what scripts/windows.sh uses
# Any other argument is a package name. No arguments: all three groups.
# `setup.sh --clang-version` prints the clang version the fuzz group installs:
# the one this release's `clang` package depends on (14 on Debian 12, 19 on 13).
set -euo pipefail

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
updated=0
update() {
    [ "$updated" -eq 1 ] || "${sudo[@]}" apt-get update -qq
    updated=1
}

# Sets clang to the version the release's clang package depends on.
find_clang() {
    local depends='s/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p'
    clang=$(apt-cache depends clang 2>/dev/null | sed -n "$depends" | head -n 1)
    if [ -z "$clang" ]; then
        update
        clang=$(apt-cache depends clang | sed -n "$depends" | head -n 1)
    fi
    [ -n "$clang" ] || { echo "setup.sh: no clang-N among the clang package's dependencies" >&2; exit 1; }
}

if [ "${1:-}" = --clang-version ]; then
    find_clang
    echo "$clang"
    exit 0
fi

[ $# -gt 0 ] || set -- build test fuzz
packages=()
for arg in "$@"; do
    case "$arg" in
        build) packages+=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev libgl-dev
                          libxcb1-dev  # the splash window on X11, and the start's display check
                          fonts-dejavu-core fontconfig  # the windows' font
                          nlohmann-json3-dev  # rallon-cli's JSON document: a strict reader and an ordered writer
                          libpq-dev) ;;  # the ledger on a PostgreSQL server
        test) packages+=(xvfb xauth
                         postgresql  # initdb and pg_ctl for the server ledger's throwaway cluster
                         dpkg-dev file lintian appstream desktop-file-utils man-db) ;;
        windows) packages+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix ninja-build
                            dpkg-dev xz-utils zip unzip groff-base  # qt6-base's source; the zip; man pages as text
                            wixl msitools  # the installer (MSI), and reading its tables back
                            libpq-dev) ;;  # names the PostgreSQL source libpq for Windows is built from
        fuzz) find_clang
              packages+=("clang-$clang" "libclang-rt-$clang-dev") ;;
        *) packages+=("$arg") ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
