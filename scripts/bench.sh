#!/usr/bin/env bash
# Builds like scripts/build.sh, then runs the benchmark headless and prints its
# table, rallon-cli read's time and the time per device of rallon-cli provision
# and of the bench window
# (about a minute and a half). --xvfb: once more under Xvfb with the xcb platform
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
    bash scripts/setup.sh build
    cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
    cmake --build "$BUILD_DIR" -j"$(nproc)" --target rallon-bench rallon-sim rallon-cli
    dir="$BUILD_DIR"
else
    bash scripts/build.sh
    dir=build
fi
bench="$dir/tools/rallon-bench"

# rallon-cli read against the virtual device paced at 4800 baud both ways:
# median of 5 whole runs (process start included), against the line time of
# request and reply (113 + 117 octets with the CR, 10 bits each at 4800
# baud: 479.2 ms).
cli_read() {
    local sim_out pty times=() start end
    sim_out=$(mktemp)
    "$dir/rallon-sim" --pace >"$sim_out" &
    local sim=$!
    for _ in $(seq 50); do pty=$(head -n 1 "$sim_out"); [ -n "$pty" ] && break; sleep 0.1; done
    for _ in 1 2 3 4 5; do
        start=$(date +%s%N)
        "$dir/rallon-cli" read "$pty" >/dev/null || { kill "$sim"; rm -f "$sim_out"; return 1; }
        end=$(date +%s%N)
        times+=($(( (end - start) / 1000 )))
    done
    kill "$sim"; wait "$sim" 2>/dev/null; rm -f "$sim_out"
    local median
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
    awk -v us="$median" 'BEGIN {
        printf "rallon-cli read, median of 5: %.1f ms = %.3f x the line time of request and reply (479.2 ms),\n", us / 1000, us / 479167
        printf "  both paced by the virtual device: %.1f ms beyond it\n", us / 1000 - 479.167
    }'
}

echo
echo "== offscreen platform"
QT_QPA_PLATFORM=offscreen "$bench"

echo
echo "== command line"
cli_read

# rallon-cli provision, then the bench window, at a bench of five virtual
# devices, each unplugged as its line comes: time per device against the
# line time of its two exchanges, and the two runs' ledgers and devices.
echo
echo "== provisioning"
"$bench" --provision

if [ "$xvfb" -eq 1 ]; then
    bash scripts/setup.sh xvfb xauth
    echo
    echo "== xcb platform under Xvfb"
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$bench"
fi
