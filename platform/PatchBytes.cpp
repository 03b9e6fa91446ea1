// What SysFile's services make the same way on every system: patching a
// file in place, writing a new file whole.
#include "platform/SysFile.h"

namespace plat {

bool SysWriteFileSafely(const std::string& target, const uint8_t* data, int64_t len, bool flush) {
    SysNewFile f;
    return f.Write(target, data, len, flush) && f.Place();
}

bool PatchBytes(SysFile& f, const std::vector<BytePatch>& patches, int64_t len) {
    return f.Size() == len &&
           WritePatches(
               patches, [&](int64_t pos, uint8_t* buf, int64_t n) { return f.ReadAt(pos, buf, n); },
               [&](int64_t pos, const uint8_t* buf, int64_t n) { return f.WriteAt(pos, buf, n); }) &&
           f.Flush();
}

bool PatchChangedBytes(SysFile& f, const uint8_t* was, const uint8_t* now, int64_t len) {
    std::vector<BytePatch> patches;
    AddPatches(was, now, len, 0, patches);
    return PatchBytes(f, patches, len);
}

}  // namespace plat
