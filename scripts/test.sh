#!/bin/sh
# Builds everything and runs every test (unit and end-to-end).
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPOTWEAVE_TESTS=ON -DSPOTWEAVE_WERROR=ON >/dev/null
cmake --build build -j2
cd build
ctest --output-on-failure -j2 </dev/null
