// Where a run's time goes, for the benchmark's probe build
// (-DSPOTWEAVE_PHASE_TIMES=ON): one line per phase on standard error. In the
// normal build it does nothing and prints nothing.
#pragma once

#ifdef SPOTWEAVE_PHASE_TIMES
#include <chrono>
#include <cstdio>

class phase_clock {
public:
    void mark(const char* phase) {
        const auto now = std::chrono::steady_clock::now();
        std::fprintf(stderr, "phase %-12s %8.3f s\n", phase, std::chrono::duration<double>(now - last_).count());
        last_ = now;
    }

private:
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};
#else
class phase_clock {
public:
    void mark(const char*) {}
};
#endif
