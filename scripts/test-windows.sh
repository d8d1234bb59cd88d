#!/usr/bin/env bash
# Builds the Windows program and its tests (preset windows-ci, or the preset
# given) and runs them under Wine. The build folder's Wine prefix is made
# afresh, so no run sees what an earlier one left in it, and one Wine
# server is kept up for the whole run and shut down at the end, also when
# something failed: Wine's services live as long as their server, and
# started with the prefix (output to /dev/null) rather than by a test they
# never hold a test's output open, on which CTest would wait.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-windows-ci}
jobs=$(nproc 2>/dev/null || echo 2)
build=build/$preset

cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"

export WINEPREFIX=$PWD/$build/wineprefix
export WINEDEBUG=-all
stop_wine() { timeout 30 wineserver -k >/dev/null 2>&1 || true; }
stop_wine
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
trap stop_wine EXIT
wineserver -p </dev/null >/dev/null 2>&1
"$build/wine-run" --prefix
# Every test has a time limit (the preset's default, or its own); this one
# is for the run as a whole.
timeout 1800 ctest --preset "$preset" -j "$jobs"
