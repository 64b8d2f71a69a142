#!/usr/bin/env bash
# Builds like scripts/build.sh, then runs the benchmark headless and prints its
# table (about a minute). --xvfb: once more under Xvfb with the xcb platform
# (installs xvfb and xauth when missing). BUILD_DIR=dir: configure and build
# there instead of build/.
set -euo pipefail
cd "$(dirname "$0")/.."

xvfb=0
for arg in "$@"; do
    case "$arg" in
        --xvfb) xvfb=1 ;;
        *) echo "usage: scripts/bench.sh [--xvfb]" >&2; exit 2 ;;
    esac
done

if [ -n "${BUILD_DIR:-}" ]; then
    bash scripts/setup.sh
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
    cmake --build "$BUILD_DIR" -j"$(nproc)" --target rallon-bench
    dir="$BUILD_DIR"
else
    bash scripts/build.sh
    dir=build
fi
bench="$dir/tools/rallon-bench"

echo
echo "== offscreen platform"
QT_QPA_PLATFORM=offscreen "$bench"

if [ "$xvfb" -eq 1 ]; then
    bash scripts/setup.sh xvfb xauth
    echo
    echo "== xcb platform under Xvfb"
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$bench"
fi
