#!/usr/bin/env bash
# Checks that the Windows program is what users get: a 32-bit PE program (or
# PE32+ for the 64-bit build) for the Windows GUI subsystem that imports only
# DLLs that come with Windows (no libstdc++, libgcc or winpthread DLLs to ship
# beside it). Runs nothing.
# Usage: check_windows_program.sh OBJDUMP PROGRAM.exe [PE32|PE32+]
set -euo pipefail
objdump=$1 exe=$2 kind=${3:-PE32}
fail() { echo "FAIL: $*" >&2; exit 1; }
case "$kind" in
  PE32) magic=010b ;;
  PE32+) magic=020b ;;
  *) fail "unknown kind $kind" ;;
esac

headers=$("$objdump" -p "$exe")
[ "$(awk '$1 == "Magic" { print $2, $3 }' <<<"$headers")" = "$magic ($kind)" ] ||
  fail "not $kind: $(grep '^Magic' <<<"$headers")"
grep -qE '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' <<<"$headers" ||
  fail "not a Windows GUI program: $(grep Subsystem <<<"$headers")"

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:lower:]' '[:upper:]' | sort -u)
[ -n "$dlls" ] || fail "no imports found"
system='ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL OLEAUT32.DLL
        SHELL32.DLL SHLWAPI.DLL USER32.DLL UXTHEME.DLL VERSION.DLL WS2_32.DLL'
for dll in $dlls; do
  grep -qw -- "$dll" <<<"$system" || fail "imports $dll, which is not a Windows system DLL"
done
echo "ok: $(basename "$exe") imports" $dlls
