#!/bin/sh
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every
# test against that build: leaks, out-of-bounds access and undefined
# behaviour fail the run.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh test
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPOTWEAVE_SANITIZE=ON -DSPOTWEAVE_TESTS=ON -DSPOTWEAVE_WERROR=ON >/dev/null
cmake --build build-asan -j2
cd build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j2 </dev/null
