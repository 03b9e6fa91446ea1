#include "cli/Pool.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Slot {
    JobResult result;
    bool ready = false;
};

}  // namespace

unsigned PoolThreads(size_t n) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<size_t>({cores, 8, std::max<size_t>(n, 1)}));
}

int RunInOrder(size_t n, unsigned threads, const std::function<JobResult(size_t)>& job) {
    int status = 0;
    auto print = [&](const JobResult& r) {
        if (!r.out.empty()) std::fwrite(r.out.data(), 1, r.out.size(), stdout);
        if (!r.err.empty()) {
            std::fflush(stdout);
            std::fwrite(r.err.data(), 1, r.err.size(), stderr);
        }
        status = std::max(status, r.status);
    };
    if (threads <= 1 || n <= 1) {
        for (size_t i = 0; i < n; ++i) print(job(i));
        return status;
    }
    // Results wait in a ring; a worker takes file i only when its slot is free.
    const size_t window = 16 * threads;
    std::vector<Slot> ring(window);
    std::mutex m;
    std::condition_variable changed;
    size_t next = 0, printed = 0;
    auto work = [&] {
        for (;;) {
            size_t i;
            {
                std::unique_lock<std::mutex> lock(m);
                changed.wait(lock, [&] { return next >= n || next < printed + window; });
                if (next >= n) return;
                i = next++;
            }
            JobResult r = job(i);
            {
                std::lock_guard<std::mutex> lock(m);
                ring[i % window].result = std::move(r);
                ring[i % window].ready = true;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    while (printed < n) {
        JobResult r;
        {
            std::unique_lock<std::mutex> lock(m);
            changed.wait(lock, [&] { return ring[printed % window].ready; });
            r = std::move(ring[printed % window].result);
            ring[printed % window].ready = false;
            ++printed;
        }
        changed.notify_all();
        print(r);
    }
    for (std::thread& t : pool) t.join();
    return status;
}
