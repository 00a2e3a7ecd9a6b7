#include "run/failure.hpp"

#include <cstdio>

#include "run/workers.hpp"

void numeric_fatal(const char* message) {
    if (fatal_is_deferred()) throw deferred_fatal{message};
    std::fflush(stdout);
    std::fputs("Numerical Recipes run-time error...\n", stderr);
    std::fprintf(stderr, "%s\n", message);
    std::fputs("...now exiting to system...\n", stderr);
    std::fflush(stderr);
    throw run_end{1, false};
}
