#include "locate/jp2/Jp2Walker.h"

#include "locate/Containers.h"
#include "locate/Sink.h"
#include "locate/isobmff/BoxWalk.h"
#include "locate/isobmff/Boxes.h"
#include "locate/payload/IptcPlaces.h"
#include "locate/xml/XmlTextWalker.h"
#include "locate/xmp/XmpFileWalker.h"

#include <algorithm>

namespace {

constexpr uint8_t kExifUuid[16] = {'J', 'p', 'g', 'T', 'i', 'f', 'f', 'E', 'x', 'i', 'f', '-', '>', 'J', 'P', '2'};
// IPTC datasets, and Photoshop's image resources, as JP2 writers keep them.
constexpr uint8_t kIptcUuid[16] = {0x33, 0xC7, 0xA4, 0xD2, 0xB8, 0x1D, 0x47, 0x23,
                                   0xA0, 0xBA, 0xF1, 0xA3, 0xE0, 0x97, 0xAD, 0x38};
constexpr uint8_t kPhotoshopUuid[16] = {0x2C, 0x4C, 0x01, 0x00, 0x85, 0x04, 0x40, 0xB9,
                                        0xA0, 0x3E, 0x56, 0x21, 0x48, 0xD6, 0xDF, 0xEB};

void Opaque(Sink& sink, ByteRange r, const Carrier& c) {
    if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::BoxesUnparsed, FindWhy::BoxesUnparsed, c);
}

}  // namespace

void WalkJp2Container(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    const int64_t end = whole.End();
    int64_t pos = whole.pos;
    for (Box b; pos < end && ReadBox(f, pos, end, b); pos = b.end) {
        const Carrier c = at.Then(BoxName(b.type));
        if (b.Is(Fourcc("uuid")) && b.IsUuid(kExifUuid)) {
            const int64_t tiff = ExifTiffStart(f, b.body, b.end);
            sink.Tiff(tiff >= 0 ? tiff : b.body, b.end, c, ExifBlock());
        } else if (b.Is(Fourcc("uuid")) && (b.IsUuid(kIptcUuid) || b.IsUuid(kPhotoshopUuid))) {
            // A caption that names a coordinate, and places on request; with
            // neither, the box follows the opaque rule.
            const IptcScan x = b.IsUuid(kIptcUuid) ? ScanIptcDatasets(f, b.Body(), sink.PlaceNames())
                                                   : ScanIptcPlaces(f, b.Body(), {-1, 0}, sink.PlaceNames());
            if (x.finds.empty()) Opaque(sink, b.Whole(), c);
            else sink.AddPayload(x.finds, x.plan, c);
        } else if (b.Is(Fourcc("uuid")) && b.IsUuid(kXmpUuid)) {
            sink.Xmp(b.Body(), b.Whole(), c);
        } else if (b.Is(Fourcc("xml "))) {
            const int64_t n = std::min<int64_t>(b.end - b.body, 1024);
            const uint8_t* p = f.Span(b.body, n);
            // Other XML (JPX's own metadata, with its locations) is read
            // by the names of its elements.
            if (p != nullptr && StartsXmpPacket(p, n)) sink.Xmp(b.Body(), b.Whole(), c);
            else if (!WalkXmlText(b.Body(), c, sink)) Opaque(sink, b.Whole(), c);
        } else if (!OneOf(b.type, {Fourcc("jP  "), Fourcc("ftyp"), Fourcc("jp2h"), Fourcc("jp2c")})) {
            Opaque(sink, b.Whole(), c);
        }
    }
    Opaque(sink, {pos, end - pos}, at.Then("after the boxes"));
}
