#include "cli/Pool.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <functional>
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
    // Results wait in a ring; a worker takes a name only when its slot is
    // free. Whichever worker finds the next result to print ready prints it
    // and every ready one after it, one worker at a time, so no thread
    // waits just to print and workers sleep only when the ring is full.
    if (window == 0) window = 16 * threads;
    std::vector<Slot> ring(window);
    std::mutex m;
    std::condition_variable slotFree;
    size_t printed = 0;
    size_t waitingForSlot = 0;
    bool exhausted = false;
    bool printing = false;
    // With the lock held; returns with it held.
    auto printReady = [&](std::unique_lock<std::mutex>& lock) {
        std::vector<JobResult> batch;
        while (!printing && ring[printed % window].ready) {
            printing = true;
            batch.clear();
            for (Slot* slot = &ring[printed % window]; slot->ready; slot = &ring[printed % window]) {
                batch.push_back(std::move(slot->result));
                slot->ready = false;
                ++printed;
            }
            if (waitingForSlot > 0) slotFree.notify_all();
            lock.unlock();
            for (JobResult& r : batch) print(std::move(r));
            lock.lock();
            printing = false;
        }
    };
    // The calling thread is the first worker; the others start when a
    // second name turns up, so a batch of one file starts no thread.
    std::vector<std::thread> helpers;
    std::function<void(bool)> work = [&](bool caller) {
        std::unique_lock<std::mutex> lock(m);
        for (;;) {
            while (!exhausted && taken >= printed + window) {
                ++waitingForSlot;
                slotFree.wait(lock);
                --waitingForSlot;
            }
            std::string name;
            if (exhausted || !next(name)) {
                exhausted = true;
                slotFree.notify_all();
                return;
            }
            const size_t i = taken++;
            lock.unlock();
            if (caller && i == 1)
                for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work, false);
            JobResult r = job(i, name);
            lock.lock();
            ring[i % window].result = std::move(r);
            ring[i % window].ready = true;
            printReady(lock);
        }
    };
    work(true);
    for (std::thread& t : helpers) t.join();
    if (count != nullptr) *count = taken;
    return status;
}
