// spotweave: merges GenePix result files into cor.txt, data.txt and merge.txt
// after a short console dialogue. Command-line arguments are not used.
#include <cstdio>
#include <cstdlib>

#include "driver/run.hpp"
#include "numeric/parallel_for.hpp"

int main() {
#ifdef SPOTWEAVE_PHASE_TIMES
    // The benchmark's probe build only: the thread count to time.
    if (const char* threads = std::getenv("SPOTWEAVE_PROBE_THREADS")) set_thread_count(std::atoi(threads));
#endif
    return run_spotweave(stdin);
}
