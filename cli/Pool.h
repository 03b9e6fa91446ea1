// Running one job per file on both cores while printing the results in
// argument order: a small pool of threads, and at most a window of results
// waiting to be printed, so memory is bounded by the pool, not the batch.
#pragma once
#include <cstddef>
#include <functional>
#include <string>

struct JobResult {
    std::string out;   // for standard output
    std::string err;   // for standard error
    int status = 0;    // the exit status this file asks for
};

// Runs job(i) for every i below n, each on one of up to `threads` threads
// (and each thread only ever runs its own jobs one at a time), prints each
// result as soon as all before it are printed, and returns the highest status.
int RunInOrder(size_t n, unsigned threads, const std::function<JobResult(size_t)>& job);

// The number of threads for a batch of n files: one per core, at most 8.
unsigned PoolThreads(size_t n);
