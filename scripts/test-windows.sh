#!/bin/sh
# Cross-compiles spotweave.exe with MinGW-w64 and runs the end-to-end cases
# and the command-line checks against it under wine (installs both when
# missing). The cases on real result files read them from SPOTWEAVE_REALDATA
# (default ../shared/realdata).
set -e
cd "$(dirname "$0")/.."
need=""
command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || need="$need g++-mingw-w64-x86-64-posix"
command -v wine >/dev/null 2>&1 || need="$need wine64"
command -v cmake >/dev/null 2>&1 || need="$need cmake make"
[ -f /usr/include/CLI/CLI.hpp ] || need="$need libcli11-dev"
if [ -n "$need" ]; then
    if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $need
fi
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DSPOTWEAVE_TESTS=OFF -DSPOTWEAVE_WERROR=ON >/dev/null
cmake --build build-windows -j2
sh tests/e2e/run_cases_wine.sh build-windows/spotweave.exe "${SPOTWEAVE_REALDATA:-../shared/realdata}" </dev/null
# The Linux program of the README's build, when there is one, for the page comparison.
linux=""
[ -x build/spotweave ] && linux=build/spotweave
sh tests/e2e/command_line_wine.sh build-windows/spotweave.exe $linux </dev/null
