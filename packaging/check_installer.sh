#!/usr/bin/env bash
# Builds the Windows installer and checks it under Wine, in a Wine prefix
# of its own (made afresh, so the other tests' prefix is not disturbed):
# a default silent install puts tikr.exe, a Start-menu entry and the Run
# value "Tikr" (the quoted path of tikr.exe) in place, clears the Task
# Manager's disabled mark and removes an earlier installer's Startup
# shortcut; /NOSTARTUP leaves the Run value out; the uninstaller removes all
# of that, the value's disabled mark too, and leaves the user's profile
# file %APPDATA%\tikr.INI as it was.
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
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
approved_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run'
# value_of <key>: the line of the value Tikr under the key; fails without one.
value_of() { timeout 60 "$wine" reg query "$1" /v Tikr </dev/null 2>/dev/null | tr -d '\r' | grep -i 'Tikr'; }

users=$WINEPREFIX/drive_c/users/$(id -un)
instdir=$users/AppData/Local/Programs/Tikr
menu=$users/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs
profile=$users/AppData/Roaming/tikr.INI
[ -d "$users/AppData/Roaming" ] || fail "no AppData in the prefix: $(ls -R "$users" | head -20)"

run "$installer" /S /NOSTARTUP || fail "silent install with /NOSTARTUP failed"
[ -f "$instdir/tikr.exe" ] || fail "tikr.exe not installed: $(find "$users" -name '*.exe')"
[ -f "$instdir/Uninstall.exe" ] || fail "no uninstaller"
[ -f "$menu/Tikr.lnk" ] || fail "no Start-menu entry: $(find "$users" -name '*.lnk')"
value_of "$run_key" && fail "/NOSTARTUP wrote the Run value"

# An earlier installer's Startup shortcut and the Task Manager's mark.
startup_dir=$(find "$menu" -maxdepth 1 -type d -iname startup | head -n 1)
[ -n "$startup_dir" ] || { startup_dir=$menu/StartUp; mkdir -p "$startup_dir"; }
cp "$menu/Tikr.lnk" "$startup_dir/Tikr.lnk"
run reg add "$approved_key" /v Tikr /t REG_BINARY /d 030000000000000000000000 /f || fail "the mark could not be set"
run "$installer" /S || fail "silent install failed"
expected="\"$("$wine" winepath -w "$instdir" | tr -d '\r')\\tikr.exe\""
value_of "$run_key" | grep -qiF -- "$expected" || fail "the Run value is not $expected: $(value_of "$run_key")"
value_of "$approved_key" && fail "the Task Manager's mark was left: $(value_of "$approved_key")"
! startup_link || fail "the earlier Startup shortcut was left beside the Run value"
run reg add "$approved_key" /v Tikr /t REG_BINARY /d 030000000000000000000000 /f || fail "the mark could not be set"

printf '[Settings]\r\nNumApps=1\r\n[App1]\r\ntitle=kept\r\n' >"$profile"
cp "$profile" "$work/profile.before"
# _?= runs the uninstaller in place, so it has finished when wine returns.
run "$instdir/Uninstall.exe" /S "_?=$("$wine" winepath -w "$instdir")" || fail "silent uninstall failed"
[ ! -e "$instdir/tikr.exe" ] || fail "tikr.exe left behind"
[ ! -e "$menu/Tikr.lnk" ] || fail "Start-menu entry left behind"
! startup_link || fail "Startup shortcut left behind"
value_of "$run_key" && fail "the Run value was left behind"
value_of "$approved_key" && fail "the Task Manager's mark was left behind"
cmp -s "$profile" "$work/profile.before" || fail "the profile file was changed or removed"
echo "ok: $(basename "$installer") $(stat -c %s "$installer") bytes"
