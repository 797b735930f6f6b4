#!/bin/sh
# Builds everything and runs every test: first the source formatting (it
# takes seconds), then the platform-free core natively (with
# AddressSanitizer/UBSan), then the 64-bit Windows build under Wine with an X
# display, then the 32-bit Windows build and the checks that stand in for
# running it (the machines here run no 32-bit code).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/check-format
jobs=$(nproc)

cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

cmake --preset mingw >/dev/null
cmake --build --preset mingw -j "$jobs"
scripts/with-display scripts/wine-session ctest --preset mingw -j "${KORVEXA_TEST_JOBS:-2}"

cmake --preset mingw-x86 >/dev/null
cmake --build --preset mingw-x86 -j "$jobs"
ctest --preset mingw-x86 -j "$jobs"
