#include "locate/gzip/GzipWalker.h"

#include "locate/Containers.h"
#include "locate/Repack.h"
#include "locate/Sink.h"
#include "locate/payload/Deflate.h"


#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kMaxContent = int64_t{64} << 20;  // as other compressed metadata
// The compressed bytes looked at: a larger stream (an archive of gigabytes)
// is not inflated, and so not brought into memory.
constexpr int64_t kMaxStream = int64_t{32} << 20;
constexpr uint8_t kExtra = 4, kName = 8, kComment = 16, kHeaderCrc = 2, kReserved = 0xE0;

// Where the deflate stream starts, past the optional header fields; -1
// when they reach `end` (a stream takes at least a byte).
int64_t StreamStart(const ByteReader& f, int64_t pos, int64_t end, uint8_t flags) {
    int64_t at = pos + 10;
    uint16_t extra = 0;
    if ((flags & kExtra) != 0) at = f.WithOrder(ByteReader::kLittleEndian).U16(at, extra) ? at + 2 + extra : -1;
    for (uint8_t text : {kName, kComment}) {
        if (at < 0 || (flags & text) == 0) continue;
        const int64_t n = end - at;
        const uint8_t* p = n > 0 ? f.Span(at, n) : nullptr;
        const void* nul = p != nullptr ? std::memchr(p, 0, static_cast<size_t>(n)) : nullptr;
        at = nul != nullptr ? at + (static_cast<const uint8_t*>(nul) - p) + 1 : -1;
    }
    if (at >= 0 && (flags & kHeaderCrc) != 0) at += 2;
    return at >= 0 && at < end ? at : -1;
}

}  // namespace

bool StartsGzip(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= 10 ? file.Span(pos, 10) : nullptr;
    return p != nullptr && p[0] == 0x1F && p[1] == 0x8B && p[2] == 8 && (p[3] & kReserved) == 0;
}

void WalkGzipContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    const int64_t end = whole.End();
    uint8_t flags = 0;
    const int64_t data = f.U8(whole.pos + 3, flags) ? StreamStart(f, whole.pos, end, flags) : -1;
    if (data < 0) {
        sink.NotTakenApart(whole, at);
        return;
    }
    if (data > whole.pos + 10)
        sink.Opaque({whole.pos + 10, data - whole.pos - 10}, FindKind::Unparsed, FindWhy::CompressedUnreadable,
                    FindWhy::CompressedUnreadable, at.Then("gzip header"));
    const Carrier c = at.Then("gzip content");
    std::vector<uint8_t> content;
    int64_t used = 0;
    const int64_t window = std::min(end - data, kMaxStream);
    const uint8_t* stream = f.Span(data, window);
    const bool inflated = stream != nullptr && Inflate(stream, window, Deflated::Raw, kMaxContent, content, &used) &&
                          end - data - used >= 8;
    uint32_t crc = 0, size = 0;
    const ByteReader le = f.WithOrder(ByteReader::kLittleEndian);
    const bool whole8 = inflated && le.U32(data + used, crc) && le.U32(data + used + 4, size) &&
                        crc == Crc32Of(content) && size == static_cast<uint32_t>(content.size());
    LocateResult inner;
    const bool walked = whole8 && LocateHeld(ByteReader(content.data(), static_cast<int64_t>(content.size())),
                                             sink.PlaceNames(), inner);
    // Compressed data hides any text: content that cannot be read whole,
    // or of no known format (a tar archive, a text), leaves the file as
    // unknown as it was.
    if (!walked || (inner.finds.size() == 1 && inner.finds[0].wholeFile)) {
        sink.NotTakenApart(whole, at);
        return;
    }
    Repacked re;
    const bool removable = !inner.finds.empty() && inner.CanClean();
    const bool fits = removable && RepackHeld(content, inner, used, re);
    // The content's offsets name no file byte: each is reported at the stream.
    sink.AddHeld(std::move(inner.finds), [&](const PositionFind&) { return ByteRange{data, used}; }, c,
                 removable && !fits ? FindWhy::CompressedDoesNotFit : FindWhy::None);
    if (fits) {
        StripPlan plan;
        plan.fills.push_back({plan.AddMap(ContentMap({data, used})), 0, used, 0, re.stream});
        plan.fills.push_back({plan.AddMap(ContentMap({data + used, 8})), 0, 8, 0,
                              Le32Text(re.crc) + Le32Text(static_cast<uint32_t>(re.size))});
        sink.Result().plan.Append(plan);
    }
    if (data + used + 8 < end) sink.AfterEnd({data + used + 8, end - data - used - 8}, end == f.Length(), at);
}
