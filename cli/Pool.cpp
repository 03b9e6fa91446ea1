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

unsigned PoolThreads() {
    return std::min(8u, std::max(1u, std::thread::hardware_concurrency()));
}

int RunInOrder(const NameSource& next, unsigned threads, const FileJob& job, size_t window,
               size_t* count) {
    int status = 0;
    auto print = [&](JobResult&& r) {
        if (r.finish) {
            auto finish = std::move(r.finish);
            finish(r);
        }
        if (!r.out.empty()) std::fwrite(r.out.data(), 1, r.out.size(), stdout);
        if (!r.err.empty()) {
            std::fflush(stdout);
            std::fwrite(r.err.data(), 1, r.err.size(), stderr);
        }
        status = std::max(status, r.status);
    };
    size_t taken = 0;
    if (threads <= 1) {
        for (std::string name; next(name); ++taken) print(job(taken, name));
        if (count != nullptr) *count = taken;
        return status;
    }
    // Results wait in a ring; a worker takes a name only when its slot is free.
    if (window == 0) window = 16 * threads;
    std::vector<Slot> ring(window);
    std::mutex m;
    std::condition_variable changed;
    size_t printed = 0;
    bool exhausted = false;
    auto work = [&] {
        for (;;) {
            size_t i;
            std::string name;
            {
                std::unique_lock<std::mutex> lock(m);
                changed.wait(lock, [&] { return exhausted || taken < printed + window; });
                if (exhausted) return;
                if (!next(name)) {
                    exhausted = true;
                    changed.notify_all();
                    return;
                }
                i = taken++;
            }
            JobResult r = job(i, name);
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
    for (;;) {
        JobResult r;
        {
            std::unique_lock<std::mutex> lock(m);
            Slot& slot = ring[printed % window];
            changed.wait(lock, [&] { return slot.ready || (exhausted && printed == taken); });
            if (!slot.ready) break;
            r = std::move(slot.result);
            slot.ready = false;
            ++printed;
        }
        changed.notify_all();
        print(std::move(r));
    }
    for (std::thread& t : pool) t.join();
    if (count != nullptr) *count = taken;
    return status;
}
