#!/bin/sh
# The include check must fail on a wrong include: a copy of the tree with
# core/ including the toolkit-free window logic is planted and checked.
# Usage: planted_include_check.sh SOURCE_DIR
set -u
src=${1:?source directory}
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cp -R "$src/store" "$src/core" "$src/ui" "$work/" || exit 1
printf '#include "ui/window_port.h"\n' >"$work/core/planted.h"
out=$(sh "$src/tests/include_direction_check.sh" "$work")
if [ $? -ne 0 ] && echo "$out" | grep -q "core/planted.h:1 includes ui/window_port.h"; then
    echo "the planted include is found"
    exit 0
fi
echo "FAIL: the planted include was not found: $out"
exit 1
