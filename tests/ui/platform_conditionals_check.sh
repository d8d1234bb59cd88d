#!/bin/sh
# The operating systems' code lives in platform/posix and platform/win32
# (and the two front ends): no operating-system conditional may appear in
# the toolkit-free layers, where the build, not the preprocessor, chooses.
# Usage: platform_conditionals_check.sh SOURCE_DIR
set -u
src=${1:?source directory}
cd "$src" || exit 1
pattern='^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif)\b.*(_WIN32|_WIN64|__linux__|__unix__|__APPLE__|_POSIX_VERSION|__MINGW32__|_MSC_VER)'
found=$(find core store ui instance app -path ui/qt -prune -o -path ui/win32 -prune -o \
    \( -name '*.cpp' -o -name '*.h' \) -print | xargs grep -nE "$pattern")
if [ -n "$found" ]; then
    echo "FAIL: operating-system conditionals outside platform/ and the front ends:"
    echo "$found"
    exit 1
fi
echo "no operating-system conditionals in the toolkit-free layers"
