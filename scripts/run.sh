#!/usr/bin/env bash
# Installs what is missing, builds Tikr and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake --preset release
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)" --target tikr
exec build/release/app/tikr "$@"
