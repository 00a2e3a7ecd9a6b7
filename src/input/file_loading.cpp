#include "input/file_loading.hpp"

#include <atomic>
#include <climits>
#include <exception>
#include <string>
#include <vector>

#include "input/header_walk.hpp"
#include "input/spot_loader.hpp"
#include "numeric/held_console.hpp"
#include "numeric/parallel_for.hpp"
#include "numeric/run_end.hpp"

namespace {

void load_file(int h, spot_tables& t, spot_texts texts) {
    byte_reader in = header_walk(h, t);
    load_spot_records(in, h, t, true, texts);
}

// What a file loaded ahead of its turn leaves for its turn.
struct file_outcome {
    std::string console;
    std::exception_ptr failure;
};

}  // namespace

void load_files(spot_tables& t) {
    const int workers = workers_for(t.file_count);
    if (workers == 1) {
        for (int h = 1; h <= t.file_count; ++h) load_file(h, t, spot_texts::every_file);
        return;
    }
    std::vector<file_outcome> outcome(static_cast<std::size_t>(t.file_count) + 1);
    std::atomic<int> first_failed{INT_MAX};
    parallel_for(t.file_count, workers, [&](int item, int) {
        const int h = item + 1;
        if (h > first_failed.load()) return;  // never reached in file order
        file_outcome& mine = outcome[static_cast<std::size_t>(h)];
        held_console hold(mine.console);
        try {
            load_file(h, t, spot_texts::last_file_only);
        } catch (...) {
            mine.failure = std::current_exception();
            int seen = first_failed.load();
            while (h < seen && !first_failed.compare_exchange_weak(seen, h)) {
            }
        }
    });
    for (int h = 1; h <= t.file_count; ++h) {
        const file_outcome& file = outcome[static_cast<std::size_t>(h)];
        print_held(file.console);
        if (!file.failure) continue;
        try {
            std::rethrow_exception(file.failure);
        } catch (const deferred_fatal& fatal) {
            numeric_fatal(fatal.message);
        }
    }
}
