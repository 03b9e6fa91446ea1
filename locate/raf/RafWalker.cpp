#include "locate/raf/RafWalker.h"

#include "locate/Sink.h"

#include <algorithm>

namespace {

constexpr int64_t kJpegOffsetAt = 84;
constexpr int64_t kHeaderLen = 92;  // up to the JPEG's length

}  // namespace

void WalkRafContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    uint32_t offset = 0, length = 0;
    const bool read = be.U32(whole.pos + kJpegOffsetAt, offset) && be.U32(whole.pos + kJpegOffsetAt + 4, length);
    const ByteRange jpeg{whole.pos + offset, length};
    // The preview follows the header and lies inside the file; otherwise
    // the file is not taken apart.
    if (!read || offset < kHeaderLen || offset > whole.len || length > whole.len - offset || length < 4) {
        sink.NotTakenApart(whole, at);
        return;
    }
    sink.Opaque({whole.pos, std::min<int64_t>(offset, 4096)}, FindKind::Unparsed, FindWhy::StrayBytesHoldGps,
                FindWhy::StrayBytesHoldIso6709, at.Then("header"));
    // A preview that does not start as a JPEG (its SOI damaged) is not
    // taken apart: readers still find the Exif in it.
    const uint8_t* soi = be.Span(jpeg.pos, 2);
    if (soi == nullptr || soi[0] != 0xFF || soi[1] != 0xD8)
        sink.NotTakenApart(jpeg, at.Then("preview JPEG"));
    else
        sink.Nested(Container::Jpeg, jpeg, at.Then("preview JPEG"));
}
