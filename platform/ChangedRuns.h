// The places where two versions of a file's bytes differ, as runs: what a
// patch writes. Runs closer than 16 bytes are joined, so a patch makes few
// writes.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

namespace plat {

struct ByteRun {
    int64_t pos, len;
};

inline std::vector<ByteRun> ChangedRuns(const uint8_t* was, const uint8_t* now, int64_t len) {
    std::vector<ByteRun> runs;
    if (was == now) return runs;
    constexpr int64_t kBlock = 4096;  // equal blocks are passed over whole
    for (int64_t i = 0; i < len; ++i) {
        if (i % kBlock == 0 && i + kBlock <= len &&
            std::memcmp(was + i, now + i, static_cast<size_t>(kBlock)) == 0) {
            i += kBlock - 1;
            continue;
        }
        if (was[i] == now[i]) continue;
        if (!runs.empty() && i - (runs.back().pos + runs.back().len) < 16)
            runs.back().len = i + 1 - runs.back().pos;
        else
            runs.push_back({i, 1});
    }
    return runs;
}

}  // namespace plat
