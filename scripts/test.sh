#!/bin/sh
# Builds everything with warnings as errors and runs every test (unit and
# end-to-end). With SPOTWEAVE_NO_SKIPS=1 (as in CI) a skipped test fails the run.
#
#   sh scripts/test.sh          optimised, asserts off, default compiler, in build/
#   sh scripts/test.sh debug    GCC Debug build: the containers' bounds asserts on, in build-debug/;
#                               the comparisons with R (label r) are left to the optimised builds
#   sh scripts/test.sh clang    Clang, optimised, in build-clang/
set -e
cd "$(dirname "$0")/.."
only=""
case "${1:-}" in
    "") dir=build; settings="-DCMAKE_BUILD_TYPE=RelWithDebInfo" ;;
    debug) dir=build-debug; settings="-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=g++"; only="-LE r" ;;
    clang) dir=build-clang; settings="-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++" ;;
    *) echo "usage: sh scripts/test.sh [debug|clang]" >&2; exit 2 ;;
esac
sh scripts/install-deps.sh test ${1:-}
# shellcheck disable=SC2086
cmake -S . -B "$dir" $settings -DSPOTWEAVE_TESTS=ON -DSPOTWEAVE_WERROR=ON >/dev/null
cmake --build "$dir" -j2
cd "$dir"
# shellcheck disable=SC2086
ctest --output-on-failure -j2 -O ctest.log $only </dev/null
sh ../scripts/no-skipped-tests.sh ctest.log
