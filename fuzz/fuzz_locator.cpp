// The companion's thorough locator and stripping on any bytes: a file the
// locator says can be cleaned is stripped in a copy of the same length
// that a second walk finds clean, with no byte changed outside the
// segments the walk took apart; every find lies inside the file.
#include "exif/Locator.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The segment payloads of every picture the walk reaches from the start,
// and of every further picture a find names.
std::vector<ByteRange> SegmentPayloads(const ByteReader& r, const LocateResult& found) {
    std::vector<ByteRange> out;
    std::vector<int64_t> starts{0};
    for (const PositionFind& f : found.finds) starts.push_back(f.pos);
    for (int64_t start : starts)
        for (int64_t at = start; at >= 0 && at < r.Length();) {
            JpegPicture p;
            if (!WalkJpeg(r, at, r.Length(), p)) break;
            for (const JpegSegment& s : p.segments) out.push_back({s.payload, s.payloadLen});
            at = p.end;
        }
    return out;
}

bool Inside(const std::vector<ByteRange>& ranges, int64_t pos) {
    for (const ByteRange& b : ranges)
        if (pos >= b.pos && pos < b.pos + b.len) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t len = static_cast<int64_t>(size);
    const ByteReader file(data, len);
    LocateResult r;
    LocatePositions(file, r);
    for (const PositionFind& f : r.finds) FUZZ_CHECK(f.pos >= 0 && (f.pos < len || len == 0));
    FUZZ_CHECK(!DescribeFinds(r.finds).empty() || r.finds.empty());
    if (r.Clean() || !r.CanClean()) return 0;

    std::vector<uint8_t> out(data, data + size);
    FUZZ_CHECK(StripPositions(out.data(), len, r, {}));
    LocateResult again;
    LocatePositions(ByteReader(out.data(), len), again);
    FUZZ_CHECK(again.Clean());
    // Blocks that differ are looked at byte by byte.
    const std::vector<ByteRange> segments = SegmentPayloads(file, r);
    constexpr int64_t kBlock = 256;
    for (int64_t b = 0; b < len; b += kBlock) {
        const int64_t n = std::min(kBlock, len - b);
        if (std::memcmp(out.data() + b, data + b, static_cast<size_t>(n)) == 0) continue;
        for (int64_t i = b; i < b + n; ++i)
            if (out[static_cast<size_t>(i)] != data[i]) FUZZ_CHECK(Inside(segments, i));
    }
    return 0;
}
