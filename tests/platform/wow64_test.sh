#!/usr/bin/env bash
# The 32-bit launcher on 64-bit Windows: in a 64-bit Wine prefix of its own
# (made on first use), a probe program is put only into the real, 64-bit
# system folder, and the 32-bit test program must start it by its System32
# path (Win32ProcessLauncherWow64.*).
#
# Usage: wow64_test.sh <platform_tests.exe> <launch_probe.exe> <prefix folder>
# TIKR_WINE names the 32-bit Wine loader (default: wine).
set -uo pipefail
tests=${1:?platform_tests.exe}
probe=${2:?launch_probe.exe}
prefix=${3:?prefix folder}
wine=${TIKR_WINE:-wine}
wine64=$(command -v wine64 2>/dev/null || ls /usr/lib/wine/wine64 /usr/lib64/wine/wine64 2>/dev/null | head -n 1)
if [ -z "$wine64" ]; then echo "SKIP: no 64-bit Wine"; exit 77; fi
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
mkdir -p "$prefix" || exit 1
out=$(mktemp "${TMPDIR:-/tmp}/tikr-wow64.XXXXXX")
trap 'rm -f "$out"' EXIT
exec 9>"$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
  timeout 300 "$wine64" wineboot -i </dev/null >/dev/null 2>&1
fi
[ -d "$prefix/drive_c/windows/syswow64" ] || { echo "FAIL: the prefix is not a 64-bit one"; exit 1; }
cp "$probe" "$prefix/drive_c/windows/system32/tikr_wow64_probe.exe" || exit 1
rm -f "$prefix/drive_c/windows/syswow64/tikr_wow64_probe.exe"
timeout 240 "$wine" "$tests" --gtest_filter='Win32ProcessLauncherWow64.*' </dev/null >"$out" 2>&1
status=$?
timeout 30 wineserver -k </dev/null >/dev/null 2>&1
cat "$out"
[ "$status" -eq 0 ] || exit "$status"
grep -q '\[  SKIPPED \]' "$out" && { echo "FAIL: the test program did not run under WOW64"; exit 1; }
grep -q '\[       OK \]' "$out" || { echo "FAIL: no test ran"; exit 1; }
exit 0
