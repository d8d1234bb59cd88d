#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the warnings-as-
# errors build (unit, Qt offscreen and end-to-end tests under Xvfb), then
# the AddressSanitizer + UndefinedBehaviorSanitizer build of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset ci
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

scripts/fuzz.sh 10
