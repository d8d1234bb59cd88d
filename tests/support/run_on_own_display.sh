#!/usr/bin/env bash
# Runs a Windows test program under Wine on an X display and in a Wine prefix
# of its own. Wine creates no window without a display, and a prefix's
# desktop keeps the display of the program that started it: tests of the
# prefix shared by the other suites, started without a display, would leave
# this one unable to make windows. The prefix is made on first use and its
# Wine server is stopped after each run, so that no later run meets a desktop
# of a display that is gone. Output goes through a file: Wine's services
# would otherwise hold the caller's output open.
#
# Usage: run_on_own_display.sh <prefix folder> <program.exe> [args...]
# TIKR_WINE names the Wine loader for the program (default: wine); WINEARCH,
# when set, the kind of prefix to make.
set -uo pipefail

prefix=${1:?prefix folder}
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
export TIKR_WINE=${TIKR_WINE:-wine}
mkdir -p "$prefix" || exit 1
out=$(mktemp "${TMPDIR:-/tmp}/tikr-wine-output.XXXXXX")
trap 'rm -f "$out"' EXIT

# One run at a time per prefix.
exec 9>"$prefix.lock"
flock 9
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 "$TIKR_WINE" wineboot -i </dev/null >/dev/null 2>&1
  fi
  timeout 240 "$TIKR_WINE" "$@" </dev/null >"'"$out"'" 2>&1
  status=$?
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1
  exit $status' run "$@"
status=$?
cat "$out"
exit $status
