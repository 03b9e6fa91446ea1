#include "locate/insta360/Insta360Trailer.h"

#include "locate/Pieces.h"
#include "locate/Sink.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t kTail = 78;    // the last record's header ... the magic
constexpr int64_t kHeader = 6;   // a record's id and length
constexpr int64_t kLengthAt = 38;
constexpr char kMagic[] = "8db42d694ccc418790edff439fe026bf";
constexpr uint16_t kGpsRecord = 0x700, kPreviewRecord = 0x200;

}  // namespace

int64_t Insta360TrailerStart(const ByteReader& file, ByteRange r) {
    if (r.len < kTail) return -1;
    const int64_t tail = r.End() - kTail;
    const uint8_t* magic = file.Span(r.End() - 32, 32);
    uint32_t len = 0;
    if (magic == nullptr || std::memcmp(magic, kMagic, 32) != 0 || !file.U32(tail + kLengthAt, len)) return -1;
    if (len < kTail || len > r.len) return -1;
    return r.End() - len;
}

void WalkInsta360Trailer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& file = sink.File();
    // Each header, from the last record's on; a record whose data would
    // start before the trailer ends the chain, as it does for readers.
    int64_t header = whole.End() - kTail, reached = header;
    for (int n = 0; header >= whole.pos && n < 1 << 16; ++n) {
        uint16_t id = 0;
        uint32_t len = 0;
        if (!file.U16(header, id) || !file.U32(header + 2, len) || header - whole.pos < int64_t{len}) break;
        const ByteRange data{header - len, len};
        reached = data.pos;
        const bool holds = data.len > 0 && ForEachPiece(file, data.pos, data.len, 0, [](const uint8_t* p, int64_t, int64_t k) {
            return std::any_of(p, p + k, [](uint8_t b) { return b != 0; });
        });
        if (id == kGpsRecord && holds) {
            // Zeroed, no fix is valid ('A') any more: readers take none.
            PositionFind f(FindKind::TimedGps, data.pos, true);
            f.len = data.len;
            StripPlan plan;
            plan.Zero(data);
            sink.AddPayload({f}, plan, at.Then("GPS record"));
        } else if (id == kPreviewRecord && data.len > 0) {
            sink.Nested(Container::Jpeg, data, at.Then("preview"));
        }
        header = data.pos - kHeader;
        if (header >= whole.pos) reached = header;
    }
    if (reached > whole.pos)
        sink.Opaque({whole.pos, reached - whole.pos}, FindKind::AfterEnd, FindWhy::AfterEndHoldsGps,
                    FindWhy::AfterEndHoldsIso6709, at);
}
