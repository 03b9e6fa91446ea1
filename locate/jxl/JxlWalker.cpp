#include "locate/jxl/JxlWalker.h"

#include "locate/Containers.h"
#include "locate/Fourcc.h"
#include "locate/Locator.h"
#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/isobmff/BoxWalk.h"
#include "locate/isobmff/Boxes.h"
#include "locate/payload/Brotli.h"
#include "locate/payload/IptcPlaces.h"
#include "locate/payload/TiffBlock.h"
#include "locate/payload/XmpGps.h"

#include <algorithm>
#include <string_view>

namespace {

void Unread(Sink& sink, const Box& b, const Carrier& c) {
    PositionFind f(FindKind::Unparsed, b.pos, false, FindWhy::BrotliUnread);
    f.len = b.end - b.pos;
    sink.Add(f, c);
}

// An Exif block whose offset to its TIFF header leads outside it.
PositionFind ExifUnreadable(int64_t at, int64_t len) {
    PositionFind f(FindKind::ExifGps, at, false, FindWhy::ItemUnreadable);
    f.len = len;
    return f;
}

void Exif(Sink& sink, const Box& b, const Carrier& c) {
    uint32_t offset = 0;
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    if (!be.U32(b.body, offset) || int64_t{offset} > b.end - b.body - 4) {
        sink.Add(ExifUnreadable(b.pos, b.end - b.pos), c);
        return;
    }
    sink.Tiff(b.body + 4 + offset, b.end, c, ExifBlock());
}

// A `brob` box: the type of the box it stands for, then that box's body
// compressed with Brotli. The body is read as the box's would be, and
// written back compressed at the stream's length.
void Brob(Sink& sink, const Box& b, uint32_t inner, const Carrier& c) {
    const bool places = sink.PlaceNames();
    const ContentMap stream({b.body + 4, b.end - b.body - 4});
    sink.Compressed(stream, Deflated::Brotli, 0, c,
                    [&](const ByteReader& x, std::vector<PositionFind>& finds, StripPlan& plan) {
                        const int64_t n = x.Length();
                        uint32_t offset = 0;
                        if (inner == Fourcc("Exif")) {
                            if (!x.WithOrder(ByteReader::kBigEndian).U32(0, offset) || int64_t{offset} > n - 4)
                                finds.push_back(ExifUnreadable(0, n));
                            else
                                ScanTiffBlock(x, 4 + int64_t{offset}, places, finds, plan);
                        } else if (inner == Fourcc("xml ")) {
                            XmpScan scan = ScanXmpContent(x, places);
                            finds = std::move(scan.finds);
                            plan = std::move(scan.plan);
                        } else {
                            // A manifest is signed; any other box is read by no rule.
                            const FindWhy why = inner == Fourcc("jumb") ? FindWhy::ManifestHoldsPosition
                                                                        : FindWhy::BoxesUnparsed;
                            PositionFind f;
                            if (OpaqueFind(x, {0, n}, FindKind::Unparsed, why, why, places, f)) finds.push_back(f);
                        }
                    });
}

// What the rebuild data's content holds that cannot be taken apart in
// place: a position's text (or with place names a place's, also as IPTC
// datasets), or a picture or clip in it (an MPF picture, a motion photo's
// clip after the picture's end) with a position of its own, looked through
// as a file of its own.
bool RebuildHolds(const ByteReader& x, bool places, PositionFind& f) {
    constexpr int kMaxPictures = 16;
    const int64_t n = x.Length();
    const FindWhy why = FindWhy::RebuildDataHoldsPosition;
    if (OpaqueFind(x, {0, n}, FindKind::Unparsed, why, why, places, f)) return true;
    // IPTC: place names, asked for, and captions naming a coordinate.
    const int64_t irb =
        FirstHit(x, 0, n, {std::string_view("Photoshop 3.0\0", 14)}, [](int64_t, int) { return true; });
    const IptcScan iptc = irb >= 0 ? ScanIptcPlaces(x, {irb + 14, n - irb - 14}, {-1, 0}, places) : IptcScan{};
    if (!iptc.finds.empty()) {
        const bool named = std::all_of(iptc.finds.begin(), iptc.finds.end(),
                                       [](const PositionFind& p) { return p.kind == FindKind::PlaceName; });
        f = named ? PositionFind(FindKind::PlaceName, 0, false, FindWhy::PlaceTextUnparsed)
                  : PositionFind(FindKind::Unparsed, 0, false, why);
        return true;
    }
    std::vector<int64_t> starts;
    FirstHit(x, 0, n, {std::string_view("\xFF\xD8\xFF", 3)}, [&](int64_t at, int) {
        starts.push_back(at);
        return static_cast<int>(starts.size()) >= kMaxPictures;
    });
    if (const Embedded e = FindEmbeddedContainer(x, 0, n); e.kind != Container::None) starts.push_back(e.pos);
    // Rebuild data nested too deep is not looked into further.
    bool held = false;
    for (int64_t at : starts) held = held || LocateHeldBytes(x.Span(at, n - at), n - at, places) > 0;
    if (held) f = PositionFind(FindKind::Unparsed, 0, false, why);
    return held;
}

// The data that rebuilds a transcoded JPEG: fields packed in bits (the
// markers, the Huffman codes), then, on a byte boundary, one Brotli stream
// that runs to the box's end and holds the segments the other boxes do
// not (APPn other than Exif and XMP, comments), the bytes between them and
// what followed the picture's end. That stream is found as the first place
// in the box's opening bytes where one decodes to exactly the end. Its
// content cannot be cleaned in place; where none decodes, the box is unread.
void Rebuild(Sink& sink, const Box& b, const Carrier& c) {
    constexpr int64_t kMaxFields = 64 * 1024, kMaxContent = int64_t{64} << 20, kBudget = int64_t{256} << 20;
    const int64_t n = b.end - b.body;
    const uint8_t* p = sink.File().Span(b.body, n);
    std::vector<uint8_t> content;
    int64_t spent = 0;
    for (int64_t at = 0; p != nullptr && at < std::min(n, kMaxFields) && spent < kBudget; ++at) {
        const bool whole = BrotliDecode(p + at, n - at, kMaxContent, content);
        spent += static_cast<int64_t>(content.size());
        if (!whole) continue;
        PositionFind f;
        if (RebuildHolds(ByteReader(content.data(), static_cast<int64_t>(content.size())), sink.PlaceNames(), f)) {
            f.pos = b.pos;
            f.len = b.end - b.pos;
            sink.Add(f, c);
        }
        return;
    }
    Unread(sink, b, c);
}

// A box no rule reads: opaque. One that starts as an Exif box does, a
// TIFF header in its first bytes, is an Exif box whose type is damaged:
// readers that look for a TIFF header still read it.
void UnknownBox(Sink& sink, const Box& b, const Carrier& c) {
    sink.Opaque(b.Whole(), FindKind::Unparsed, FindWhy::BoxesUnparsed, FindWhy::BoxesUnparsed, c);
    sink.StrayTiffIn(b.Body(), 16, c);
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
            Rebuild(sink, b, c);
        else if (b.Is(Fourcc("brob")) && be.U32(b.body, inner) && inner == Fourcc("jbrd"))
            Unread(sink, b, c);  // rebuild data compressed twice over
        else if (b.Is(Fourcc("brob")) && b.end - b.body >= 4)
            Brob(sink, b, inner, c);
        else if (b.Is(Fourcc("jumb")))
            sink.Opaque(b.Whole(), FindKind::Unparsed, FindWhy::ManifestHoldsPosition, FindWhy::ManifestHoldsPosition,
                        c);
        else if (!OneOf(b.type, {Fourcc("JXL "), Fourcc("ftyp"), Fourcc("jxlc"), Fourcc("jxlp"), Fourcc("jxll"),
                                  Fourcc("jxli")}))
            UnknownBox(sink, b, c);
    }
    if (pos < end)
        sink.Opaque({pos, end - pos}, FindKind::Unparsed, FindWhy::BoxesUnparsed, FindWhy::BoxesUnparsed,
                    at.Then("after the boxes"));
}
