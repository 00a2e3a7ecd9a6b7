// The run's worker threads: independent items (file pairs, genes, chunks of
// report lines, files) spread over up to `threads` threads, the count coming
// with each call. One thread runs every item on the calling thread in item
// order, the reference the other counts must match byte for byte.
#pragma once

#include <functional>

// The most threads a run uses: more would not make a run faster on any
// workstation, and each one holds a little memory.
constexpr int most_threads = 256;

// The machine's cores as the standard library reports them, 1 to most_threads.
int machine_cores();

// Threads a step of `count` items gets: min(threads, count), at least 1.
int workers_for(int threads, int count);

// Runs work(item, worker) once for every item 0..count-1 on
// workers_for(threads, count) threads, the calling one included; `worker`
// (0..workers-1) names the thread's own scratch. Items are handed out in
// increasing order to whichever thread is free, so a later item may finish
// first. When items throw, the exception of the lowest such item is thrown
// here after every thread has stopped; a thread that cannot be started leaves
// its share to the others. With one worker, or inside an item of another
// parallel_for, the items run in order on the calling thread.
void parallel_for(int threads, int count, const std::function<void(int item, int worker)>& work);

// parallel_for over 1..count cut into ranges of `per` (the last one shorter):
// work(first, last, worker) for each.
void parallel_ranges(int threads, int count, int per, const std::function<void(int first, int last, int worker)>& work);

// A range length for `count` items: at most `largest`, and small enough that
// every thread gets about four ranges, so small runs are shared out too.
int range_size(int threads, int count, int largest);

// Threads parallel_ranges uses for `count` in ranges of `per`.
int workers_for_ranges(int threads, int count, int per);
