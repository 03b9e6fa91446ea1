// Patching a file in place through SysFile, the same on every system.
#include "platform/SysFile.h"

#include "platform/ChangedRuns.h"

namespace plat {

bool PatchChangedBytes(SysFile& f, const uint8_t* was, const uint8_t* now, int64_t len) {
    return f.Size() == len &&
           WriteChangedRuns(
               was, now, len, [&](int64_t pos, uint8_t* buf, int64_t n) { return f.ReadAt(pos, buf, n); },
               [&](int64_t pos, const uint8_t* buf, int64_t n) { return f.WriteAt(pos, buf, n); }) &&
           f.Flush();
}

}  // namespace plat
