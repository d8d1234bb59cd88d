#!/usr/bin/env bash
# Builds the Windows program and its tests (preset windows-ci, or the preset
# given) and runs them under Wine. The build folder's Wine prefix is made
# afresh, so no run sees what an earlier one left in it, and one Wine
# server is kept up for the whole run and shut down at the end, also when
# something failed: Wine's services live as long as their server, and
# started with the prefix (output to /dev/null) rather than by a test they
# never hold a test's output open, on which CTest would wait.
#
# The 32-bit program runs under 32-bit Wine, which needs a kernel that runs
# 32-bit x86 programs (scripts/can-run-32bit.sh tells). Where it cannot, the
# 32-bit build is still made, warnings as errors, and checked without
# running anything; the tests then run from the 64-bit build of the same
# sources (preset windows64 or windows64-ci) under 64-bit Wine.
# TIKR_WINDOWS_BITS=64 takes that way on any machine.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-windows-ci}
jobs=$(nproc 2>/dev/null || echo 2)

case "$preset" in
  windows64*) ;;
  *)
    if [ "${TIKR_WINDOWS_BITS:-}" = 64 ]; then
      why="TIKR_WINDOWS_BITS=64"
    elif ! why=$(scripts/can-run-32bit.sh); then
      why="this machine cannot run 32-bit programs: $why"
    elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
      why="32-bit Wine (wine32:i386) is not installed"
    else
      why=
    fi
    if [ -n "$why" ]; then
      echo "$why; build/$preset is built and checked without running it (nor its installer)," \
        "and the tests run from the 64-bit build of the same sources, build/${preset/windows/windows64}," \
        "under 64-bit Wine"
      cmake --preset "$preset" -DTIKR_WINE_TESTS=OFF
      cmake --build --preset "$preset" -j "$jobs"
      ctest --preset "$preset" -j "$jobs"
      preset=${preset/windows/windows64}
    fi
    ;;
esac

# The prefix kind matches the programs (the build's runner sets the same).
case "$preset" in
  windows64*)
    export WINEARCH=win64
    cmake --preset "$preset"
    ;;
  *)
    export WINEARCH=win32
    cmake --preset "$preset" -DTIKR_WINE_TESTS=ON
    ;;
esac
cmake --build --preset "$preset" -j "$jobs"
build=build/$preset

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
