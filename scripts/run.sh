#!/usr/bin/env bash
# Builds the utility and starts it. Without a display it says so in one line,
# naming build/rallon-cli and build/rallon-sim, and ends with 1.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec build/rallon-config
