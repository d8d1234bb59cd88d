#!/usr/bin/env bash
# Runs a command (a Windows program through Wine) with a private X display:
# Wine creates no window without one. Xvfb picks a free display number, so
# parallel runs never collide; the server ends with the command.
#
# Usage: with_display.sh <command...>
set -uo pipefail

if ! command -v Xvfb >/dev/null 2>&1; then
  if [ "${CI:-}" = "true" ]; then echo "FAIL: Xvfb is not installed"; exit 1; fi
  echo "SKIP: Xvfb is not installed"
  exit 77
fi

dir=$(mktemp -d "/tmp/tikr-display.XXXXXX")
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

for _ in $(seq 150); do
  [ -s "$dir/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$dir/display" ]; then
  echo "FAIL: no X server could be started"
  cat "$dir/xvfb.log"
  exit 1
fi
export DISPLAY=":$(head -n 1 "$dir/display")"
# Wine's own services, started by the first program on a new display, live
# on after it: they must not hold the caller's output (CTest would wait for
# them), so the output goes through a file.
"$@" >"$dir/output" 2>&1 </dev/null
status=$?
cat "$dir/output"
exit $status
