#!/bin/sh
# Builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs every
# test against that build: leaks, out-of-bounds access and undefined
# behaviour fail the run. Then builds with ThreadSanitizer and runs the tests
# that use several threads (the pool, the threaded steps, every case at
# several thread counts, and the program end to end): a data race fails the run.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh test
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPOTWEAVE_SANITIZE=ON -DSPOTWEAVE_TESTS=ON -DSPOTWEAVE_WERROR=ON >/dev/null
cmake --build build-asan -j2
(cd build-asan &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j2 -O ctest.log </dev/null && sh ../scripts/no-skipped-tests.sh ctest.log)

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPOTWEAVE_TSAN=ON -DSPOTWEAVE_TESTS=ON -DSPOTWEAVE_WERROR=ON >/dev/null
cmake --build build-tsan -j2
cd build-tsan
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --output-on-failure -j2 -O ctest.log -R '^parallel_|^file_loading|thread_count|^cases/e2e' </dev/null
sh ../scripts/no-skipped-tests.sh ctest.log
