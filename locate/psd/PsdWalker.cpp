#include "locate/psd/PsdWalker.h"

#include "locate/Containers.h"
#include "locate/Fourcc.h"
#include "locate/Sink.h"
#include "locate/psd/PsdLayers.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int64_t kHeaderLen = 26;
constexpr int64_t kThumbnailHeader = 28;  // format, size, bit depth ... before the JPEG
constexpr uint16_t kIptc = 0x0404, kThumbnailOld = 0x0409, kThumbnail = 0x040C, kExif = 0x0422, kExif3 = 0x0423,
                   kXmp = 0x0424, kIptcDigest = 0x0425;

bool ResourceSignature(uint32_t sig) {
    return OneOf(sig, {Fourcc("8BIM"), Fourcc("PHUT"), Fourcc("DCSR"), Fourcc("AgHg"), Fourcc("MeSa")});
}

void Unexplained(Sink& sink, ByteRange r, const Carrier& c) {
    if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::ResourcesUnparsed, FindWhy::ResourcesUnparsed, c);
}

void Resource(Sink& sink, uint16_t id, ByteRange data, const Carrier& c) {
    switch (id) {
    case kExif: sink.Tiff(data.pos, data.End(), c, ExifBlock()); return;
    case kExif3:  // seldom seen; a TIFF structure when it starts like one
        if (data.len >= 8 && TiffHeaderAt(sink.File(), data.pos))
            sink.Tiff(data.pos, data.End(), c);
        else
            Unexplained(sink, data, c);
        return;
    case kXmp: sink.Xmp(data, data, c); return;
    case kThumbnail:
    case kThumbnailOld:
        if (data.len > kThumbnailHeader)
            sink.Nested(Container::Jpeg, {data.pos + kThumbnailHeader, data.len - kThumbnailHeader}, c);
        return;
    case kIptc:
    case kIptcDigest: return;  // read with the whole block below
    default: Unexplained(sink, data, c);
    }
}

}  // namespace

void WalkImageResources(ByteRange resources, const Carrier& list, Sink& sink, bool iptcPlaces) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    int64_t p = resources.pos;
    while (resources.End() - p >= 12) {
        uint32_t sig = 0, size = 0;
        uint16_t id = 0;
        uint8_t nameLen = 0;
        if (!be.U32(p, sig) || !ResourceSignature(sig) || !be.U16(p + 4, id) || !be.U8(p + 6, nameLen)) break;
        const int64_t sizeAt = p + 6 + ((1 + int64_t{nameLen} + 1) & ~int64_t{1});  // the name padded to even
        if (sizeAt + 4 > resources.End() || !be.U32(sizeAt, size) || int64_t{size} > resources.End() - sizeAt - 4)
            break;
        const ByteRange data{sizeAt + 4, size};
        char name[8];
        std::snprintf(name, sizeof name, "0x%04X", id);
        Resource(sink, id, data, list.Then(name));
        p = std::min(resources.End(), data.End() + (size & 1));
    }
    Unexplained(sink, {p, resources.End() - p}, list);
    if (iptcPlaces) sink.IptcPlaces(resources, list);
}

void WalkPsdContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    uint32_t modeLen = 0, resourcesLen = 0;
    bool read = whole.len >= kHeaderLen + 4 && be.U32(whole.pos + kHeaderLen, modeLen);
    const int64_t resourcesAt = whole.pos + kHeaderLen + 4 + int64_t{modeLen};
    read = read && resourcesAt + 4 <= whole.End() && be.U32(resourcesAt, resourcesLen) &&
           int64_t{resourcesLen} <= whole.End() - resourcesAt - 4;
    if (!read) {
        // The sections do not fit the file: it is not taken apart.
        sink.NotTakenApart(whole, at);
        return;
    }
    const ByteRange resources{resourcesAt + 4, resourcesLen};
    WalkImageResources(resources, at.Then("image resources"), sink, true);
    uint8_t version = 1;
    be.U8(whole.pos + 5, version);
    WalkPsdLayerSection(resources.End(), whole.End(), version == 2, at, sink);
}
