// Loaded with LD_PRELOAD into the program under test: the allocation whose
// number (from 1, counted over every thread) is SPOTWEAVE_FAIL_ALLOCATION
// fails, every other one is served by the C library's own allocator. With
// SPOTWEAVE_COUNT_ALLOCATIONS set, the count is written to standard error at
// exit, so a test knows how many allocations a run makes.
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>

extern "C" void* __libc_malloc(std::size_t size);

namespace {

std::atomic<long> made{0};
long failing = -2;  // -2: not read yet, -1: none

long failing_allocation() {
    if (failing == -2) {
        const char* text = std::getenv("SPOTWEAVE_FAIL_ALLOCATION");
        failing = text != nullptr ? std::strtol(text, nullptr, 10) : -1;
    }
    return failing;
}

struct report_count {
    ~report_count() {
        if (std::getenv("SPOTWEAVE_COUNT_ALLOCATIONS") != nullptr)
            std::fprintf(stderr, "allocations: %ld\n", made.load());
    }
} at_exit;

}  // namespace

extern "C" void* malloc(std::size_t size) {
    const long number = ++made;
    if (number == failing_allocation()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}
