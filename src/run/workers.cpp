#include "run/workers.hpp"

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Set while a thread runs items: a step inside an item runs there, in order.
thread_local bool inside_items = false;

// What the threads of one parallel_for share.
struct shared_items {
    int count;
    const std::function<void(int, int)>& work;
    std::atomic<int> next;
    std::atomic<int> lowest_failed;
    std::vector<std::exception_ptr> failure;  // per worker, with its item
    std::vector<int> failed_item;
};

void note_failure(shared_items& s, int item, int worker) {
    s.failure[static_cast<std::size_t>(worker)] = std::current_exception();
    s.failed_item[static_cast<std::size_t>(worker)] = item;
    int seen = s.lowest_failed.load();
    while (item < seen && !s.lowest_failed.compare_exchange_weak(seen, item)) {}
}

void take_items(shared_items& s, int worker) {
    const bool was_inside = inside_items;
    inside_items = true;
    for (;;) {
        const int item = s.next.fetch_add(1);
        // Items past a failure are not needed: the run ends with the failure.
        if (item >= s.count || item > s.lowest_failed.load()) break;
        try {
            s.work(item, worker);
        } catch (...) {
            note_failure(s, item, worker);
            break;
        }
    }
    inside_items = was_inside;
}

// Threads kept from one parallel step to the next, started when a step first
// needs them; thread w (from 1) takes part in each step of more than w
// workers, the calling thread being worker 0. Kept for the life of the
// process: idle threads wait on the pool and end with it.
class thread_pool {
public:
    // Runs take_items on up to `workers` threads; returns when every one is done.
    void run(shared_items& s, int workers) {
        const std::lock_guard<std::mutex> one_step_at_a_time(busy_);
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            start_threads(workers - 1);
            job_ = &s;
            job_workers_ = std::min(workers, static_cast<int>(threads_.size()) + 1);
            running_ = job_workers_ - 1;
            ++generation_;
        }
        wake_.notify_all();
        take_items(s, 0);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return running_ == 0; });
        job_ = nullptr;
    }

private:
    // A thread that cannot be started leaves its share to the others.
    void start_threads(int wanted) {
        while (static_cast<int>(threads_.size()) < wanted) {
            const int w = static_cast<int>(threads_.size()) + 1;
            try {
                threads_.emplace_back(&thread_pool::serve, this, w);
            } catch (const std::system_error&) {
                return;
            }
        }
    }

    void serve(int w) {
        unsigned long long seen = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return generation_ != seen && w < job_workers_; });
            seen = generation_;
            shared_items* job = job_;
            lock.unlock();
            take_items(*job, w);
            lock.lock();
            if (--running_ == 0) done_.notify_one();
        }
    }

    std::mutex busy_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::vector<std::thread> threads_;  // threads_[w - 1] is worker w
    shared_items* job_ = nullptr;
    int job_workers_ = 0;
    int running_ = 0;
    unsigned long long generation_ = 0;
};

thread_pool& pool() {
    static thread_pool* const threads = new thread_pool;  // never destroyed, see above
    return *threads;
}

}  // namespace

int machine_cores() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, static_cast<unsigned>(most_threads)));
}

int workers_for(int threads, int count) { return std::max(1, std::min(threads, count)); }

void parallel_for(int threads, int count, const std::function<void(int item, int worker)>& work) {
    if (count <= 0) return;
    const int workers = workers_for(threads, count);
    if (workers == 1 || inside_items) {
        for (int item = 0; item < count; ++item) work(item, 0);
        return;
    }
    shared_items s{count,
                   work,
                   {0},
                   {INT_MAX},
                   std::vector<std::exception_ptr>(static_cast<std::size_t>(workers)),
                   std::vector<int>(static_cast<std::size_t>(workers), INT_MAX)};
    pool().run(s, workers);
    const int failed = s.lowest_failed.load();
    if (failed == INT_MAX) return;
    for (std::size_t w = 0; w < s.failure.size(); ++w)
        if (s.failed_item[w] == failed) std::rethrow_exception(s.failure[w]);
}

namespace {
int ranges_of(int count, int per) { return count <= 0 ? 0 : (count - 1) / per + 1; }
}  // namespace

int range_size(int threads, int count, int largest) {
    const long long share = static_cast<long long>(std::max(1, threads)) * 4;
    return static_cast<int>(std::max(1LL, std::min<long long>(largest, (count + share - 1) / share)));
}

int workers_for_ranges(int threads, int count, int per) { return workers_for(threads, ranges_of(count, per)); }

void parallel_ranges(int threads, int count, int per,
                     const std::function<void(int first, int last, int worker)>& work) {
    parallel_for(threads, ranges_of(count, per), [&](int item, int worker) {
        const int first = item * per + 1;
        work(first, std::min(first + per - 1, count), worker);
    });
}
