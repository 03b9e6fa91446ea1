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
    // Work that must happen in argument order (writing files, where a later
    // file may depend on an earlier one): run just before the result is
    // printed, one result at a time, and free to change it.
    std::function<void(JobResult&)> finish;
};

// Gives the next file name; false when there is none left. Called by one
// thread at a time.
using NameSource = std::function<bool(std::string&)>;
// The job for the i-th name (counted from 0).
using FileJob = std::function<JobResult(size_t i, const std::string& name)>;

// Runs the job for every name `next` gives, each on one of up to `threads`
// threads (each thread runs its jobs one at a time), prints each result as
// soon as all before it are printed, and returns the highest status. At
// most `window` results wait to be printed (0: 16 per thread). `count`
// receives the number of names.
int RunInOrder(const NameSource& next, unsigned threads, const FileJob& job, size_t window = 0,
               size_t* count = nullptr);

// The number of threads for a batch: one per core, at most 8.
unsigned PoolThreads();
