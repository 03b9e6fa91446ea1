#include "locate/mrw/MrwWalker.h"

#include "exif/ByteReader.h"
#include "locate/Fourcc.h"
#include "locate/Sink.h"
#include "locate/isobmff/BoxWalk.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int64_t kHeader = 8;  // a name and a length

}  // namespace

bool StartsMrw(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kHeader ? file.Span(pos, 4) : nullptr;
    return p != nullptr && (std::memcmp(p, "\0MRM", 4) == 0 || std::memcmp(p, "\0MRI", 4) == 0);
}

void WalkMrwContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& file = sink.File();
    uint8_t order = 0;
    file.U8(whole.pos + 3, order);
    const ByteReader r = file.WithOrder(order == 'M' ? ByteReader::kBigEndian : ByteReader::kLittleEndian);
    uint32_t length = 0;
    r.U32(whole.pos + 4, length);
    // The blocks end where the raw data starts; a length past the file is cut to it.
    const int64_t end = std::min(whole.End(), whole.pos + kHeader + int64_t{length});
    int64_t pos = whole.pos + kHeader;
    uint32_t len = 0;
    for (; end - pos >= kHeader && r.U32(pos + 4, len) && int64_t{len} <= end - pos - kHeader;
         pos += kHeader + int64_t{len}) {
        uint32_t name = 0;
        file.WithOrder(ByteReader::kBigEndian).U32(pos, name);
        const std::string step = "block " + BoxName(name).substr(1);  // after the name's leading zero
        const ByteRange data{pos + kHeader, int64_t{len}};
        if (name == Fourcc("\0TTW"))
            sink.Tiff(data.pos, data.End(), at.Then(step));
        else
            sink.Opaque({pos, kHeader + data.len}, FindKind::Unparsed, FindWhy::ChunksUnparsed,
                        FindWhy::ChunksUnparsed, at.Then(step));
    }
    if (pos < end)
        sink.Opaque({pos, end - pos}, FindKind::Unparsed, FindWhy::ChunksUnparsed, FindWhy::ChunksUnparsed,
                    at.Then("after the blocks"));
}
