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
xvfb_pid=
stop() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
stop
rm -rf "$WINEPREFIX" "$build/xvfb.display"
mkdir -p "$WINEPREFIX"
trap stop EXIT

# Wine's desktop takes the display of the process that starts it, and every
# later window lives on it: one Xvfb display, on a number the server picks,
# serves the whole run.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$build/xvfb.display" </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$build/xvfb.display" ] && break
  sleep 0.1
done
[ -s "$build/xvfb.display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$build/xvfb.display")

wineserver -p </dev/null >/dev/null 2>&1
"$build/wine-run" --prefix
# Every test has a time limit (the preset's default, or its own); this one
# is for the run as a whole.
timeout 1800 ctest --preset "$preset" -j "$jobs"
