#!/bin/sh
# Compiles every toolkit-free header of the window logic, the scheduling core
# and the store after <windows.h> and the shell and common-control headers a
# Windows front end includes: a name of ours that the platform defines as a
# macro fails here.
# Usage: windows_headers_check.sh SOURCE_DIR [COMPILER]
# Exits 77 (skipped) when the compiler is not installed.
set -u
src=${1:?source directory}
cxx=${2:-i686-w64-mingw32-g++-posix}
command -v "$cxx" >/dev/null 2>&1 || { echo "$cxx not found: skipped"; exit 77; }
cd "$src" || exit 1
{
    printf '#include <windows.h>\n#include <shellapi.h>\n#include <commctrl.h>\n'
    for header in ui/*.h ui/res/*.h core/*.h store/*.h; do
        [ -f "$header" ] && printf '#include "%s"\n' "$header"
    done
} | "$cxx" -std=c++20 -I. -x c++ -fsyntax-only - || { echo "FAIL: a header does not compile after <windows.h>"; exit 1; }
echo "every header compiles after <windows.h>"
