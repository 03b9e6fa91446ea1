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

// Writes the runs in which `now` differs from `was` (both `len` bytes) into
// a file through read(pos, buf, n) and write(pos, buf, n), after checking
// that the file holds `was` at every one of them; false when it does not or
// a call fails. Nothing is written unless every run checked out.
template <typename Read, typename Write>
bool WriteChangedRuns(const uint8_t* was, const uint8_t* now, int64_t len, Read read, Write write) {
    const std::vector<ByteRun> runs = ChangedRuns(was, now, len);
    std::vector<uint8_t> check;
    for (const ByteRun& r : runs) {
        check.resize(static_cast<size_t>(r.len));
        if (!read(r.pos, check.data(), r.len) ||
            std::memcmp(check.data(), was + r.pos, static_cast<size_t>(r.len)) != 0)
            return false;
    }
    for (const ByteRun& r : runs)
        if (!write(r.pos, now + r.pos, r.len)) return false;
    return true;
}

}  // namespace plat
