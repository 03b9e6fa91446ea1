// The PNG walker on any bytes: a file that starts as a PNG is found alike
// at both depths (the walk reads no image data; a JNG's JPEG data, also in
// an MNG, is a picture whose scans only the thorough walk reads, as in a
// JPEG file, so those two are not held to it); every find starts inside
// the file; a file the locator says can be cleaned keeps the strip
// contract (StripContract.h), and the strip moves no chunk: the chunks keep
// their places, lengths and types, and every chunk whose CRC held before
// holds after.
#include "fuzz/FuzzCheck.h"
#include "fuzz/StripContract.h"
#include "locate/Containers.h"
#include "locate/Locator.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace {

struct ChunkAt {
    int64_t pos;
    uint32_t len, type;
    bool crcHolds;
    bool operator==(const ChunkAt&) const = default;
};

// The chunks after the signature, one after the other, up to IEND or the
// first that does not fit (what follows IEND may be another container).
std::vector<ChunkAt> Chunks(const uint8_t* p, int64_t len) {
    std::vector<ChunkAt> out;
    const ByteReader be(p, len, ByteReader::kBigEndian);
    for (int64_t pos = 8;;) {
        ChunkAt c{pos, 0, 0, false};
        uint32_t crc = 0;
        if (!be.U32(pos, c.len) || !be.U32(pos + 4, c.type) || !be.U32(pos + 8 + int64_t{c.len}, crc)) break;
        c.crcHolds = crc32(0, p + pos + 4, static_cast<uInt>(4 + int64_t{c.len})) == crc;
        out.push_back(c);
        if (c.type == 0x49454E44) break;  // IEND
        pos += 12 + int64_t{c.len};
    }
    return out;
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t len = static_cast<int64_t>(size);
    const ByteReader file(data, len);
    std::vector<uint8_t> out;
    const bool png = size > 0 && data[0] == 0x89;
    if (!WalkAndStrip(data, size, png ? Container::Png : Container::Unknown, out) || RecogniseContainer(file, 0, len) != Container::Png)
        return 0;
    const std::vector<ChunkAt> before = Chunks(data, len), after = Chunks(out.data(), len);
    FUZZ_CHECK(before.size() == after.size());
    for (size_t i = 0; i < before.size(); ++i) {
        FUZZ_CHECK(before[i].pos == after[i].pos && before[i].len == after[i].len && before[i].type == after[i].type);
        FUZZ_CHECK(after[i].crcHolds || !before[i].crcHolds);
    }
    return 0;
}
