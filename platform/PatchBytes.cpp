// Patching a file in place through SysFile, the same on every system.
#include "platform/SysFile.h"

#include <cstring>
#include <vector>

namespace plat {

bool PatchChangedBytes(SysFile& f, const uint8_t* was, const uint8_t* now, int64_t len) {
    if (f.Size() != len) return false;
    // Runs of changed bytes; runs closer than 16 bytes are joined.
    struct Run { int64_t pos, len; };
    std::vector<Run> runs;
    for (int64_t i = 0; i < len; ++i) {
        if (was[i] == now[i]) continue;
        if (!runs.empty() && i - (runs.back().pos + runs.back().len) < 16)
            runs.back().len = i + 1 - runs.back().pos;
        else
            runs.push_back({i, 1});
    }
    std::vector<uint8_t> check;
    for (const Run& r : runs) {
        check.resize(static_cast<size_t>(r.len));
        if (!f.ReadAt(r.pos, check.data(), r.len) ||
            std::memcmp(check.data(), was + r.pos, static_cast<size_t>(r.len)) != 0)
            return false;
    }
    for (const Run& r : runs)
        if (!f.WriteAt(r.pos, now + r.pos, r.len)) return false;
    return f.Flush();
}

}  // namespace plat
