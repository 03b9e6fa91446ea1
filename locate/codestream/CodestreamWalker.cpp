#include "locate/codestream/CodestreamWalker.h"

#include "exif/ByteReader.h"
#include "locate/Containers.h"
#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"

#include <cstring>
#include <string_view>

bool StartsBareCodestream(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= 4 ? file.Span(pos, 4) : nullptr;
    return p != nullptr && ((p[0] == 0xFF && p[1] == 0x0A) || std::memcmp(p, "\xFF\x4F\xFF\x51", 4) == 0);
}

void WalkCodestreamContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const Embedded e = FindEmbeddedContainer(sink.File(), whole.pos + 2, whole.End());
    const int64_t opaqueEnd = e.kind == Container::None ? whole.End() : e.pos;
    PositionFind f;
    if (OpaqueFind(sink.File(), {whole.pos, opaqueEnd - whole.pos}, FindKind::Unparsed,
                   FindWhy::CodestreamHoldsPosition, FindWhy::CodestreamHoldsPosition, sink.PlaceNames(), f, true))
        sink.Add(f, at.Then("codestream"));
    // Exif appended to a codestream has no box to say so: readers that look
    // for it anywhere would find the identifier and the TIFF header.
    const int64_t exif =
        FirstHit(sink.File(), whole.pos, opaqueEnd - whole.pos,
                 {std::string_view("Exif\0\0II*\0", 10), std::string_view("Exif\0\0MM\0*", 10)},
                 [&](int64_t hit, int) { return opaqueEnd - hit >= 14; });
    if (exif >= 0) sink.StrayTiff(exif + 6, opaqueEnd, at.Then("codestream"));
    if (e.kind != Container::None) sink.Nested(e.kind, {e.pos, whole.End() - e.pos}, at);
}
