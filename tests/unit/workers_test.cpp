// The pool runs every item once on at most the threads asked and reports the
// first failure in item order.
#include "run/workers.hpp"

#include <atomic>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "run/failure.hpp"

namespace {

const int thread_counts[] = {1, 2, 7};

}  // namespace

TEST(parallel_for, runs_every_item_once_on_at_most_the_threads_asked) {
    for (int workers : {1, 2, 7}) {
        for (int count : {0, 1, 5, 1000}) {
            std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
            std::atomic<int> highest_worker{0};
            parallel_for(workers, count, [&](int item, int worker) {
                ++runs[static_cast<std::size_t>(item)];
                int seen = highest_worker.load();
                while (worker > seen && !highest_worker.compare_exchange_weak(seen, worker)) {}
            });
            for (int item = 0; item < count; ++item)
                EXPECT_EQ(runs[static_cast<std::size_t>(item)].load(), 1) << workers << " " << count << " " << item;
            EXPECT_LT(highest_worker.load(), std::max(workers, 1));
        }
    }
}

TEST(parallel_for, the_lowest_failing_item_is_the_one_reported) {
    for (int workers : {1, 2, 7}) {
        try {
            parallel_for(workers, 200, [&](int item, int) {
                if (item == 37 || item == 150) throw std::runtime_error(std::to_string(item));
            });
            ADD_FAILURE() << "no failure came back";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "37") << workers;
        }
    }
}

TEST(parallel_for, a_numeric_error_on_a_thread_reaches_the_caller_once) {
    for (int workers : {1, 2, 7}) {
        try {
            parallel_for(workers, 64, [&](int item, int) {
                if (item % 9 == 4) numeric_fatal(item == 4 ? "first" : "later");
            });
            ADD_FAILURE() << "no failure came back";
        } catch (const run_failure& end) {
            EXPECT_EQ(end.status, 1) << workers;
            EXPECT_STREQ(end.numeric_error, "first") << workers;
        }
    }
}

TEST(parallel_for, a_step_inside_an_item_runs_on_that_thread_in_order) {
    std::atomic<int> out_of_order{0};
    parallel_for(4, 8, [&](int, int) {
        int next = 0;
        parallel_for(4, 50, [&](int item, int worker) {
            if (item != next++ || worker != 0) ++out_of_order;
        });
    });
    EXPECT_EQ(out_of_order.load(), 0);
}

TEST(parallel_for, ranges_cover_each_position_once) {
    for (int threads : thread_counts) {
        for (int count : {1, 3, 64, 1001}) {
            const int per = range_size(threads, count, 64);
            EXPECT_GE(per, 1);
            EXPECT_LE(per, 64);
            std::vector<std::atomic<int>> seen(static_cast<std::size_t>(count) + 1);
            parallel_ranges(threads, count, per, [&](int first, int last, int) {
                EXPECT_LE(last - first + 1, per);
                for (int i = first; i <= last; ++i) ++seen[static_cast<std::size_t>(i)];
            });
            for (int i = 1; i <= count; ++i)
                EXPECT_EQ(seen[static_cast<std::size_t>(i)].load(), 1) << count << " " << i;
        }
    }
}
