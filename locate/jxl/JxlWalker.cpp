#include "locate/jxl/JxlWalker.h"

#include "locate/Fourcc.h"
#include "locate/Sink.h"
#include "locate/isobmff/BoxWalk.h"
#include "locate/isobmff/Boxes.h"

namespace {

void Unread(Sink& sink, const Box& b, const Carrier& c) {
    PositionFind f(FindKind::Unparsed, b.pos, false, FindWhy::BrotliUnread);
    f.len = b.end - b.pos;
    sink.Add(f, c);
}

void Exif(Sink& sink, const Box& b, const Carrier& c) {
    uint32_t offset = 0;
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    if (!be.U32(b.body, offset) || int64_t{offset} > b.end - b.body - 4) {
        PositionFind f(FindKind::ExifGps, b.pos, false, FindWhy::ItemUnreadable);
        f.len = b.end - b.pos;
        sink.Add(f, c);
        return;
    }
    sink.Tiff(b.body + 4 + offset, b.end, c);
}

}  // namespace

void WalkJxlContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    const int64_t end = whole.End();
    int64_t pos = whole.pos;
    for (Box b; pos < end && ReadBox(sink.File(), pos, end, b); pos = b.end) {
        const Carrier c = at.Then(BoxName(b.type));
        uint32_t inner = 0;
        if (b.Is(Fourcc("Exif")))
            Exif(sink, b, c);
        else if (b.Is(Fourcc("xml ")))
            sink.Xmp(b.Body(), b.Whole(), c);
        else if (b.Is(Fourcc("jbrd")))
            Unread(sink, b, c);
        else if (b.Is(Fourcc("brob")) && be.U32(b.body, inner) &&
                 OneOf(inner, {Fourcc("Exif"), Fourcc("xml "), Fourcc("jumb"), Fourcc("jbrd")}))
            Unread(sink, b, c);
        else if (b.Is(Fourcc("jumb")))
            sink.Opaque(b.Whole(), FindKind::Unparsed, FindWhy::ManifestHoldsPosition, FindWhy::ManifestHoldsPosition,
                        c);
        else if (!OneOf(b.type, {Fourcc("JXL "), Fourcc("ftyp"), Fourcc("jxlc"), Fourcc("jxlp"), Fourcc("jxll"),
                                  Fourcc("jxli")}))
            sink.Opaque(b.Whole(), FindKind::Unparsed, FindWhy::BoxesUnparsed, FindWhy::BoxesUnparsed, c);
    }
    if (pos < end)
        sink.Opaque({pos, end - pos}, FindKind::Unparsed, FindWhy::BoxesUnparsed, FindWhy::BoxesUnparsed,
                    at.Then("after the boxes"));
}
