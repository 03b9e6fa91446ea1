// The JPEG walker and stripping on any bytes: the marker scan finds what a
// byte-by-byte look finds; a file the locator says can be cleaned keeps
// the strip contract (StripContract.h), with no byte changed outside the
// segments the walk took apart either (where every removable find lies in
// one: a container after a picture is its own walker's target's); every
// find lies inside the file; a file that is not a JPEG, of a container no
// walker takes apart, is one find that cannot be removed. A walk
// answered from the first walk's scan record finds what a fresh walk
// finds, after the strip and after an EOI is planted anywhere.
#include "locate/Locator.h"
#include "cli/FindText.h"
#include "locate/Containers.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/StripContract.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The segment payloads of every picture the walk reaches from the start,
// of every further picture a find names, and of every picture starting at
// an SOI (one nested in another container after the first, a RAF's preview).
std::vector<ByteRange> SegmentPayloads(const ByteReader& r, const LocateResult& found) {
    std::vector<ByteRange> out;
    std::vector<int64_t> starts{0};
    for (const PositionFind& f : found.finds) starts.push_back(f.pos);
    const uint8_t* d = r.Span(0, r.Length());
    for (int64_t i = 1; d != nullptr && i + 3 <= r.Length(); ++i)
        if (d[i] == 0xFF && d[i + 1] == 0xD8 && d[i + 2] == 0xFF) starts.push_back(i);
    for (int64_t start : starts)
        for (int64_t at = start; at >= 0 && at < r.Length();) {
            JpegPicture p;
            if (!WalkJpeg(r, at, r.Length(), p)) break;
            for (const JpegSegment& s : p.segments) out.push_back({s.payload, s.payloadLen});
            at = p.end;
        }
    return out;
}

// The next marker as the plain definition gives it, one byte at a time.
int64_t PlainNextMarker(const uint8_t* d, int64_t pos, int64_t bound, bool inScan) {
    for (int64_t i = std::max<int64_t>(pos, 0); i + 1 < bound; ++i)
        if (d[i] == 0xFF && d[i + 1] != 0x00 && d[i + 1] != 0xFF &&
            !(inScan && d[i + 1] >= 0xD0 && d[i + 1] <= 0xD7))
            return i;
    return -1;
}

bool SameWalk(const LocateResult& a, const LocateResult& b) {
    if (a.pictures != b.pictures || a.finds.size() != b.finds.size()) return false;
    for (size_t i = 0; i < a.finds.size(); ++i) {
        const PositionFind &x = a.finds[i], &y = b.finds[i];
        if (x.kind != y.kind || x.picture != y.picture || x.pos != y.pos ||
            x.removable != y.removable || x.segment != y.segment)
            return false;
    }
    return true;
}

// Walks `bytes` answered from `ends` (recorded on content differing only
// in `changed`) and afresh: both must agree.
void CheckReplay(const std::vector<uint8_t>& bytes, ScanEnds& ends, std::vector<ByteRange> changed) {
    const ByteReader r(bytes.data(), static_cast<int64_t>(bytes.size()));
    LocateResult fresh, replayed;
    LocatePositions(r, fresh);
    ends.Replay(std::move(changed));
    LocatePositions(r, replayed, LocateDepth::Thorough, nullptr, &ends);
    FUZZ_CHECK(SameWalk(fresh, replayed));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t len = static_cast<int64_t>(size);
    const ByteReader file(data, len);
    for (int64_t pos = 0; pos < std::min<int64_t>(len, 40); pos += 3)
        for (bool inScan : {false, true}) {
            const int64_t bound = len - (pos % 5);
            FUZZ_CHECK(NextJpegMarker(file, pos, bound, inScan) ==
                       (pos < bound ? PlainNextMarker(data, pos, bound, inScan) : -1));
        }
    LocateResult r;
    ScanEnds ends;
    LocatePositions(file, r, LocateDepth::Thorough, nullptr, &ends);
    if (len >= 2) {
        const int64_t at = (int64_t{data[len - 1]} << 8 | data[len - 2]) % (len - 1);
        std::vector<uint8_t> eoi(data, data + size);
        eoi[static_cast<size_t>(at)] = 0xFF;
        eoi[static_cast<size_t>(at) + 1] = 0xD9;
        CheckReplay(eoi, ends, {{at, 2}});
    }
    for (const PositionFind& f : r.finds) FUZZ_CHECK(f.pos >= 0 && (f.pos < len || len == 0));
    FUZZ_CHECK(!DescribeFinds(r.finds).empty() || r.finds.empty());
    const ContainerRow* row = ContainerRowOf(RecogniseContainer(file, 0, len));
    if (len >= 2 && !(data[0] == 0xFF && data[1] == 0xD8) && (row == nullptr || row->walk == nullptr))
        FUZZ_CHECK(r.finds.size() >= 1 && r.finds[0].kind == FindKind::Container && r.finds[0].wholeFile &&
                   !r.CanClean(true));

    std::vector<uint8_t> out;
    std::vector<ByteRange> changed;
    if (!CheckStripContract(data, size, r, out, changed)) return 0;
    const std::vector<ByteRange> segments = SegmentPayloads(file, r);
    // In a JPEG file (not a JPEG inside another container, such as a RAF's
    // preview), every change lies in a segment's payload.
    const bool jpeg = len >= 2 && data[0] == 0xFF && data[1] == 0xD8;
    const bool inSegments = jpeg && std::all_of(r.finds.begin(), r.finds.end(),
                                                [](const PositionFind& f) { return f.segment >= 0 || !f.removable; });
    for (const ByteRange& c : changed)
        for (int64_t i = c.pos; inSegments && i < c.End(); ++i) FUZZ_CHECK(InsideRanges(segments, i));
    CheckReplay(out, ends, changed);
    return 0;
}
