#!/usr/bin/env bash
# Builds the utility and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec build/rallon-config
