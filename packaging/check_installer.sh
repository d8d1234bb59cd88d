#!/usr/bin/env bash
# Builds the Windows installer and checks it under Wine, in a Wine prefix
# of its own (made afresh, so the other tests' prefix is not disturbed):
# a default silent install puts tikr.exe and a Start-menu entry in place
# and no Startup shortcut; /STARTUP adds the Startup shortcut; the
# uninstaller removes all of that and leaves the user's profile file
# %APPDATA%\tikr.INI as it was.
# Usage: check_installer.sh BUILD_DIR VERSION [run|build-only]
# build-only (for a build that runs no Windows programs) makes the installer
# and checks its kind without running it. TIKR_WINE names the Wine loader
# (default: wine); WINEARCH, when set, the kind of prefix to make.
set -euo pipefail
build=$(cd "$1" && pwd) version=$2 mode=${3:-run}
wine=${TIKR_WINE:-wine}
work=$build/package-check/nsis
rm -rf "$work"
mkdir -p "$work/prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G NSIS -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
installer=$work/tikr-$version-win32.exe
[ -f "$installer" ] || fail "no $installer; made: $(ls "$work")"
file -b "$installer" | grep -q '^PE32 executable (GUI) Intel 80386' ||
  fail "not a 32-bit Windows GUI program: $(file -b "$installer")"
if [ "$mode" = build-only ]; then
  echo "ok: $(basename "$installer") $(stat -c %s "$installer") bytes, built only: this build runs no Windows programs"
  exit 0
fi

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
# One server for the whole check, with its (and Wine's services') output
# away from CTest; ended on every way out.
trap 'timeout 30 wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p </dev/null >/dev/null 2>&1
timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot failed"
# Wine spells the folder "StartUp".
startup_link() { [ -n "$(find "$menu" -maxdepth 2 -ipath '*/startup/tikr.lnk')" ]; }
run() { timeout 120 "$wine" "$@" </dev/null >>"$work/wine.log" 2>&1; }

users=$WINEPREFIX/drive_c/users/$(id -un)
instdir=$users/AppData/Local/Programs/Tikr
menu=$users/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs
profile=$users/AppData/Roaming/tikr.INI
[ -d "$users/AppData/Roaming" ] || fail "no AppData in the prefix: $(ls -R "$users" | head -20)"

run "$installer" /S || fail "silent install failed"
[ -f "$instdir/tikr.exe" ] || fail "tikr.exe not installed: $(find "$users" -name '*.exe')"
[ -f "$instdir/Uninstall.exe" ] || fail "no uninstaller"
[ -f "$menu/Tikr.lnk" ] || fail "no Start-menu entry: $(find "$users" -name '*.lnk')"
! startup_link || fail "Startup shortcut made without being asked for"

run "$installer" /S /STARTUP || fail "silent install with /STARTUP failed"
startup_link || fail "/STARTUP made no Startup shortcut: $(find "$users" -name '*.lnk')"

printf '[Settings]\r\nNumApps=1\r\n[App1]\r\ntitle=kept\r\n' >"$profile"
cp "$profile" "$work/profile.before"
# _?= runs the uninstaller in place, so it has finished when wine returns.
run "$instdir/Uninstall.exe" /S "_?=$("$wine" winepath -w "$instdir")" || fail "silent uninstall failed"
[ ! -e "$instdir/tikr.exe" ] || fail "tikr.exe left behind"
[ ! -e "$menu/Tikr.lnk" ] || fail "Start-menu entry left behind"
! startup_link || fail "Startup shortcut left behind"
cmp -s "$profile" "$work/profile.before" || fail "the profile file was changed or removed"
echo "ok: $(basename "$installer") $(stat -c %s "$installer") bytes"
