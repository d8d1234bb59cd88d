#!/usr/bin/env bash
# Installs what is missing, checks the C++ layout against .clang-format,
# builds and runs every test: the warnings-as-errors build (unit, Qt
# offscreen and end-to-end tests under Xvfb), then the AddressSanitizer +
# UndefinedBehaviorSanitizer build of the tests, a short run of each fuzz
# target, then the 32-bit Windows build (mingw-w64, warnings as errors) with
# its tests under Wine (on a machine that runs no 32-bit programs, the 64-bit
# build's tests under 64-bit Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
scripts/check-format.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

scripts/fuzz.sh 10

scripts/test-windows.sh windows-ci
