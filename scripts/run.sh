#!/usr/bin/env bash
# Builds the utility and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
# The window needs a display; a remote shell without one has the command line.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "rallon-config needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set); without one, use build/rallon-cli (build/rallon-cli --help) against the device, or build/rallon-sim to try it" >&2
    exit 1
fi
exec build/rallon-config
