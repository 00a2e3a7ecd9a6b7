// The run's worker threads: independent items (file pairs, genes, chunks of
// report lines, files) spread over the machine's cores. One thread runs every
// item on the calling thread in item order, the reference the other counts
// must match byte for byte.
#pragma once

#include <functional>

// The most threads a run uses: more would not make a run faster on any
// workstation, and each one holds a little memory.
constexpr int most_threads = 256;

// Threads a parallel step uses: the machine's cores (at most most_threads)
// unless set.
int thread_count();

// n >= 1 sets the count (at most most_threads); n < 1 goes back to the
// machine's cores.
void set_thread_count(int n);

// The machine's cores as the standard library reports them, at least 1.
int machine_cores();

// Threads a step of `count` items gets: min(thread_count(), count), at least 1.
int workers_for(int count);

// Runs work(item, worker) once for every item 0..count-1 on `workers` threads,
// the calling one included; `worker` (0..workers-1) names the thread's own
// scratch. Items are handed out in increasing order to whichever thread is
// free, so a later item may finish first. When items throw, the exception of
// the lowest such item is thrown here after every thread has stopped; a thread
// that cannot be started leaves its share to the others. With one worker the
// items run in order on the calling thread and nothing is deferred.
void parallel_for(int count, int workers, const std::function<void(int item, int worker)>& work);

// parallel_for over 1..count cut into ranges of `per` (the last one shorter):
// work(first, last, worker) for each, on workers_for(number of ranges) threads.
void parallel_ranges(int count, int per, const std::function<void(int first, int last, int worker)>& work);

// A range length for `count` items: at most `largest`, and small enough that
// every thread gets about four ranges, so small runs are shared out too.
int range_size(int count, int largest);

// Threads parallel_ranges uses for `count` in ranges of `per`.
int workers_for_ranges(int count, int per);

// True while a thread runs the items of a parallel_for of several threads:
// numeric_fatal then throws deferred_fatal instead of printing its banner, and
// parallel_for prints the banner of the lowest failing item, once.
bool fatal_is_deferred();

// The messages are texts of static lifetime, as every numeric_fatal message is.
struct deferred_fatal {
    const char* message;
};
