// The TIFF walker (TIFF and the raw files built on it, with the JPEGs they
// embed) on any bytes: every find lies inside the file; a TIFF file the
// locator says can be cleaned keeps the strip contract (StripContract.h),
// and the strip moves no IFD: the header and the 0th IFD's table keep
// their bytes (a BigTIFF's in its 64-bit layout).
#include "fuzz/FuzzCheck.h"
#include "fuzz/StripContract.h"
#include "locate/Containers.h"
#include "locate/Locator.h"
#include "locate/payload/TiffScan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The header and the 0th IFD's table (count, entries, next offset), cut
// to the file, in the header's layout (classic TIFF or BigTIFF).
struct Head {
    ByteRange header, ifd0;
};
Head HeadAndIfd0(const ByteReader& file) {
    uint8_t b0 = 0;
    uint16_t magic = 0;
    file.U8(0, b0);
    const ByteReader r = file.WithOrder(b0 == 'M' ? ByteReader::kBigEndian : ByteReader::kLittleEndian);
    r.U16(2, magic);
    const TiffLayout l = magic == 43 ? kBigTiff : kClassicTiff;
    const TiffFields f(file, 0, file.Length(), b0 == 'M', l);
    const Head none{{0, std::min(l.header, file.Length())}, {0, 0}};
    uint64_t ifd0 = 0, count = 0;
    if (!f.Offset(l.header - l.offset, ifd0) || !f.Count(ifd0, count)) return none;
    const auto at = static_cast<int64_t>(ifd0);  // inside: its count was read
    return {none.header, {at, std::min(file.Length() - at, l.Table(count))}};
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
    const Head head = HeadAndIfd0(file);
    FUZZ_CHECK(std::memcmp(out.data(), data, static_cast<size_t>(head.header.len)) == 0);
    const ByteRange ifd0 = head.ifd0;
    if (ifd0.len > 0)
        FUZZ_CHECK(std::memcmp(out.data() + ifd0.pos, data + ifd0.pos, static_cast<size_t>(ifd0.len)) == 0);
    return 0;
}
