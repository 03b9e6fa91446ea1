// The TIFF walker (TIFF and the raw files built on it, with the JPEGs they
// embed) on any bytes: every find lies inside the file; a TIFF file the
// locator says can be cleaned keeps the strip contract (StripContract.h),
// and the strip moves no IFD: the header and the 0th IFD's table keep
// their bytes.
#include "fuzz/FuzzCheck.h"
#include "fuzz/StripContract.h"
#include "locate/Containers.h"
#include "locate/Locator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The header and the 0th IFD's table (count, entries, next offset), cut
// to the file.
ByteRange HeadAndIfd0(const ByteReader& file) {
    uint8_t b0 = 0;
    uint32_t ifd0 = 0;
    uint16_t count = 0;
    file.U8(0, b0);
    const ByteReader r = file.WithOrder(b0 == 'M' ? ByteReader::kBigEndian : ByteReader::kLittleEndian);
    if (!r.U32(4, ifd0) || !r.U16(ifd0, count)) return {0, std::min<int64_t>(8, file.Length())};
    const int64_t end = std::min(file.Length(), int64_t{ifd0} + 2 + 12 * int64_t{count} + 4);
    return {int64_t{ifd0}, end - int64_t{ifd0}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t len = static_cast<int64_t>(size);
    const ByteReader file(data, len);
    const LocateOptions opt = OptionsOf(size);
    LocateResult r;
    LocatePositions(file, r, LocateDepth::Thorough, nullptr, nullptr, opt);
    for (const PositionFind& f : r.finds)
        FUZZ_CHECK(f.pos >= 0 && f.len >= 0 && (f.pos < len || len == 0) && f.len <= len - f.pos);

    // Other containers' contracts are their own targets' to check.
    if (RecogniseContainer(file, 0, len) != Container::Tiff) return 0;
    std::vector<uint8_t> out;
    std::vector<ByteRange> changed;
    if (!CheckStripContract(data, size, r, out, changed, opt)) return 0;
    // A GPS IFD that shares bytes with the 0th IFD cannot be removed: the
    // strip leaves both the header and that table as they were.
    FUZZ_CHECK(len < 8 || std::memcmp(out.data(), data, 8) == 0);
    const ByteRange ifd0 = HeadAndIfd0(file);
    if (ifd0.len > 0)
        FUZZ_CHECK(std::memcmp(out.data() + ifd0.pos, data + ifd0.pos, static_cast<size_t>(ifd0.len)) == 0);
    return 0;
}
