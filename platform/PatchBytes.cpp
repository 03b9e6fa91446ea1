// Patching a file in place through SysFile, the same on every system.
#include "platform/SysFile.h"

#include "platform/ChangedRuns.h"

#include <cstring>
#include <vector>

namespace plat {

bool PatchChangedBytes(SysFile& f, const uint8_t* was, const uint8_t* now, int64_t len) {
    if (f.Size() != len) return false;
    const std::vector<ByteRun> runs = ChangedRuns(was, now, len);
    std::vector<uint8_t> check;
    for (const ByteRun& r : runs) {
        check.resize(static_cast<size_t>(r.len));
        if (!f.ReadAt(r.pos, check.data(), r.len) ||
            std::memcmp(check.data(), was + r.pos, static_cast<size_t>(r.len)) != 0)
            return false;
    }
    for (const ByteRun& r : runs)
        if (!f.WriteAt(r.pos, now + r.pos, r.len)) return false;
    return f.Flush();
}

}  // namespace plat
