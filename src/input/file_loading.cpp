#include "input/file_loading.hpp"

#include <atomic>
#include <climits>
#include <exception>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "input/header_walk.hpp"
#include "input/spot_loader.hpp"
#include "run/console.hpp"
#include "run/workers.hpp"

namespace {

// What a file loaded ahead of its turn leaves for its turn.
struct file_outcome {
    console held = holding_console();
    std::exception_ptr failure;
};

// Files first..last at the same time, each into its own outcome; files past
// a known failure are not started, as they are never reached in file order.
void load_side_by_side(const run_settings& s, spot_tables& t, int first, int last, std::vector<file_outcome>& outcome,
                       console& out) {
    const int count = last - first + 1;
    std::atomic<int> first_failed{INT_MAX};
    std::atomic<int> done{first - 1};
    parallel_for(s.threads, count, [&](int item, int worker) {
        const int h = first + item;
        if (h > first_failed.load()) return;
        file_outcome& mine = outcome[static_cast<std::size_t>(h)];
        try {
            byte_reader in = open_result_file(s.file_name(h));
            t.headers[static_cast<std::size_t>(h)] = header_walk(in, s.file_name(h), mine.held);
            load_spot_records(in, h, s, t, file_order::side_by_side);
        } catch (...) {
            mine.failure = std::current_exception();
            int seen = first_failed.load();
            while (h < seen && !first_failed.compare_exchange_weak(seen, h)) {}
        }
        ++done;
        // Only the calling thread draws on the console.
        if (worker == 0) show_progress_line(out, "loading file %d of %d", done.load(), t.file_count);
    });
}

// Each thread's heap keeps the read buffers of its files once they are
// freed; with many threads that adds up beside the tables, so it goes back.
void hand_back_reader_memory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// File h's held text, then its failure, if any, as it would have come.
void give_out(const file_outcome& file, console& out) {
    print_held(out, file.held);
    if (file.failure) std::rethrow_exception(file.failure);
}

}  // namespace

void load_files(const run_settings& s, spot_tables& t, console& out) {
    if (workers_for(s.threads, t.file_count) == 1) {
        for (int h = 1; h <= t.file_count; ++h) {
            byte_reader in = open_result_file(s.file_name(h));
            t.headers[static_cast<std::size_t>(h)] = header_walk(in, s.file_name(h), out);
            show_progress_line(out, "loading file %d of %d", h, t.file_count);
            load_spot_records(in, h, s, t);
        }
        return;
    }
    std::vector<file_outcome> outcome(static_cast<std::size_t>(t.file_count) + 1);
    for (file_outcome& file : outcome) file.held.command_line = out.command_line;
    int first = 1;
    if (s.check_layout) {
        // The others compare their positions with file 1's.
        load_side_by_side(s, t, 1, 1, outcome, out);
        give_out(outcome[1], out);
        first = 2;
    }
    load_side_by_side(s, t, first, t.file_count, outcome, out);
    hand_back_reader_memory();
    for (int h = first; h <= t.file_count; ++h) give_out(outcome[static_cast<std::size_t>(h)], out);
}
