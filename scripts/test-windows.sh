#!/usr/bin/env bash
# Builds the Windows program and its tests (preset windows-ci, or the preset
# given) and runs them under Wine. The build folder's Wine prefix is made
# afresh, so no run sees what an earlier one left in it, and one Wine
# server is kept up for the whole run (started with its output away from
# CTest, which would otherwise wait for Wine's services to end) and shut
# down at the end, also when something failed.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-windows-ci}
jobs=$(nproc 2>/dev/null || echo 2)
build=build/$preset

cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"

export WINEPREFIX=$PWD/$build/wineprefix
export WINEDEBUG=-all
timeout 30 wineserver -k >/dev/null 2>&1 || true
rm -rf "$WINEPREFIX"
"$build/wine-run" --prefix
stop_wine() { timeout 30 wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
wineserver -p </dev/null >/dev/null 2>&1
# Every test has a time limit (the presets' default, or its own); this one
# is for the run as a whole.
timeout 1800 ctest --preset "$preset" -j "$jobs"
