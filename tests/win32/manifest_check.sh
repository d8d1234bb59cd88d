#!/bin/sh
# The manifest compiled into tikr.exe names only the processor the program
# is built for (x86 or amd64): Windows refuses a program whose manifest
# names another one.
# Usage: manifest_check.sh TIKR_EXE ARCHITECTURE
set -u
exe=${1:?tikr.exe}
arch=${2:?architecture}
found=$(grep -a -o 'processorArchitecture="[^"]*"' "$exe" | sort -u)
if [ "$found" != "processorArchitecture=\"$arch\"" ]; then
    echo "FAIL: the manifest names: ${found:-nothing}; expected $arch"
    exit 1
fi
echo "the manifest names $arch"
