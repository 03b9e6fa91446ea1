// The RIFF walker (WebP, AVI, WAV) on any bytes: a file that starts as a
// RIFF is found alike at both depths (the walk reads no scans); every find
// lies inside the file; a file the locator says can be cleaned keeps the
// strip contract (StripContract.h), and the strip moves no chunk: the
// RIFF header and the top-level chunk headers keep their bytes.
#include "fuzz/FuzzCheck.h"
#include "fuzz/StripContract.h"
#include "locate/Containers.h"
#include "locate/Locator.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// The RIFF header and each top-level chunk header inside the RIFF's size
// (what follows it is data after the end, another container's to keep) as
// far as they parse: place, type and size, one after the other.
std::vector<int64_t> TopLevelChunks(const ByteReader& file) {
    std::vector<int64_t> out;
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    uint32_t type = 0, size = 0, riff = 0;
    le.U32(4, riff);
    const int64_t end = riff < 4 ? file.Length() : std::min(file.Length(), 8 + int64_t{riff});
    for (int64_t pos = 0; pos + 8 <= end && le.U32(pos, type) && le.U32(pos + 4, size);
         pos += 8 + int64_t{size} + (size & 1)) {
        out.insert(out.end(), {pos, type, size});
        if (pos == 0) size = 4;  // the form type, then the first chunk
    }
    return out;
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t len = static_cast<int64_t>(size);
    const ByteReader file(data, len);
    std::vector<uint8_t> out;
    if (!WalkAndStrip(data, size, Container::Riff, out)) return 0;
    if (RecogniseContainer(file, 0, len) == Container::Riff)
        FUZZ_CHECK(TopLevelChunks(file) == TopLevelChunks(ByteReader(out.data(), len)));
    return 0;
}
