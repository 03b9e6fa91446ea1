// The system calls a check of a photo cannot do without, and nothing else:
// for each file named, open it, ask its size, read its first 4 KiB and its
// last 512 bytes, close it; on as many threads as check uses. The benches
// time it beside check and the peers, as the floor no reader of these
// files gets under on this machine.
//
//   tamlix_bench_reads FILE...      (prints the bytes read)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    std::atomic<int> next{1};
    std::atomic<long long> total{0};
    auto work = [&] {
        std::vector<char> buf(4096);
        for (int i = next++; i < argc; i = next++) {
            const int fd = open(argv[i], O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            if (fd < 0) continue;
            struct stat st {};
            if (fstat(fd, &st) == 0) {
                long long got = pread(fd, buf.data(), 4096, 0);
                got += pread(fd, buf.data(), 512, std::max<off_t>(0, st.st_size - 512));
                total += got;
            }
            close(fd);
        }
    };
    // As check: the calling thread and one more per core, at most eight.
    const unsigned threads = std::min(8u, std::max(1u, std::thread::hardware_concurrency()));
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers) t.join();
    std::printf("%lld\n", total.load());
    return 0;
}
