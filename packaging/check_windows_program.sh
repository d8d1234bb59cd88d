#!/usr/bin/env bash
# Checks that the Windows program is what users get: a 32-bit PE program for
# the Windows GUI subsystem that imports only DLLs that come with Windows
# (no libstdc++, libgcc or winpthread DLLs to ship beside it).
# Usage: check_windows_program.sh OBJDUMP PROGRAM.exe
set -euo pipefail
objdump=$1 exe=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

headers=$("$objdump" -p "$exe")
grep -qE '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$headers" || fail "not PE32"
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
