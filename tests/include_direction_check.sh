#!/bin/sh
# The layers depend one way: app -> ui/qt, ui/win32 -> ui -> core -> store,
# with instance/ (the instance guard's port) and platform/ (the operating
# systems' code behind the ports) below the code that uses their ports.
# Fails on an #include "layer/..." that runs against that direction, and on
# a layer's CMakeLists.txt that builds files of another folder.
# Usage: include_direction_check.sh SOURCE_DIR
set -u
src=${1:?source directory}
cd "$src" || exit 1

# The layers a file of each folder may include from (its own among them).
allowed() {
    case "$1" in
        store/*) echo "store" ;;
        core/*) echo "core store" ;;
        instance/*) echo "instance core store" ;;
        platform/*) echo "platform instance core store" ;;
        ui/qt/*) echo "ui/qt ui ui/res instance platform core store" ;;
        ui/win32/*) echo "ui/win32 ui ui/res instance platform core store" ;;
        ui/*) echo "ui ui/res instance core store" ;;
        *) echo "*" ;;
    esac
}

# The layer an included path belongs to.
layer_of() {
    case "$1" in
        ui/qt/*) echo ui/qt ;;
        ui/win32/*) echo ui/win32 ;;
        ui/res/*) echo ui/res ;;
        *) echo "${1%%/*}" ;;
    esac
}

wrong=$(find store core instance platform ui app -name '*.cpp' -o -name '*.h' 2>/dev/null | sort | while read -r file; do
    may=$(allowed "$file")
    [ "$may" = "*" ] && continue
    grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z0-9_]+/' "$file" |
        sed -E 's/^([0-9]+):.*"([^"]+)".*/\1 \2/' | while read -r line path; do
            case " $may " in
                *" $(layer_of "$path") "*) ;;
                *) echo "$file:$line includes $path" ;;
            esac
        done
done)
# Each layer's library builds the files of its own folder: the platform's
# files are built by platform/'s targets, never named from another layer.
built=$(for list in store/CMakeLists.txt core/CMakeLists.txt instance/CMakeLists.txt ui/CMakeLists.txt; do
    [ -f "$list" ] || continue
    grep -nE '^[^#]*(platform/|TIKR_OS|\.\./)' "$list" | sed "s|^|$list:|"
done)
if [ -n "$built" ]; then
    echo "FAIL: a layer builds files of another folder:"
    echo "$built"
    exit 1
fi
if [ -n "$wrong" ]; then
    echo "FAIL: includes against the direction of the layers:"
    echo "$wrong"
    exit 1
fi
echo "every include follows the direction of the layers"
