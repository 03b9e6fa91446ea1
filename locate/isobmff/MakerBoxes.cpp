// Cameras' own boxes in a clip's `udta`: Nikon's NCDT (header, tags,
// thumbnail and preview JPEGs), whose tags (`NCTG`) hold the GPS fields of
// cameras that know their position (built-in receivers, a phone's link);
// Pentax's PENT, laid out at fixed offsets; and any other box no rule
// reads, in which the first TIFF structure (Ricoh's RMKN, a thumbnail
// JPEG's Exif) is scanned as one.
#include "locate/Containers.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/isobmff/BoxWalk.h"
#include "locate/payload/TiffScan.h"

#include <cstring>

namespace {

// NCTG's GPS fields are the GPS IFD's tags, numbered 0x0120xxxx.
constexpr uint32_t kNikonGpsTags = 0x0120;

}  // namespace

void WalkNikonTags(BoxWalk& w, const Box& b, const Carrier& c) {
    // Records: a tag (32 bits), an Exif field type and a count (16 bits
    // each), then the value, big-endian as the clip.
    const ByteReader be = w.file.WithOrder(ByteReader::kBigEndian);
    StripPlan plan;
    PositionFind found(FindKind::Location, -1, true);
    int64_t p = b.body;
    for (uint32_t tag = 0; b.end - p >= 8 && be.U32(p, tag);) {
        uint16_t type = 0, count = 0;
        be.U16(p + 4, type);
        be.U16(p + 6, count);
        const int64_t unit = TiffUnitSize(type);
        if (unit == 0 || unit * count > b.end - p - 8) break;
        const ByteRange value{p + 8, unit * count};
        // A GPS field becomes a field no reader knows (tag 0), its value
        // zeros: the records after it stay where they are.
        if (tag >> 16 == kNikonGpsTags) {
            if (found.pos < 0) found.pos = p;
            found.len = value.End() - found.pos;
            plan.Zero({p, 4});
            plan.Zero(value);
        }
        p = value.End();
    }
    if (p < b.end) {
        // Records that cannot be followed may hold GPS fields.
        PositionFind f(FindKind::Location, p, false, FindWhy::LocationUnreadable);
        f.len = b.end - p;
        w.sink.Add(f, c);
    }
    if (found.pos >= 0) w.sink.AddPayload({found}, plan, c);
}

void WalkPentaxBox(BoxWalk& w, const Box& b, const Carrier& c) {
    // From the body: make, model and exposure; at 0xC7 "GPS_" and the GPS
    // version; 0xCF to 0x14D the GPS fields (references, latitude,
    // longitude, altitude, time, satellites, status, datum, date); a
    // preview JPEG from 0x7D3. The GPS fields are zeroed; the rest is
    // read as bytes no rule knows, the preview as a JPEG.
    constexpr int64_t kGps = 0xC7, kFields = 0xCF, kEnd = 0x14D, kPreview = 0x7D3;
    const uint8_t* sig = b.end - b.body >= kEnd ? w.file.Span(b.body + kGps, 4) : nullptr;
    if (sig == nullptr || std::memcmp(sig, "GPS_", 4) != 0) {
        w.Opaque(b.Whole(), c);
        return;
    }
    w.Opaque({b.pos, b.body + kGps - b.pos}, c);
    const ByteRange fields{b.body + kFields, kEnd - kFields};
    if (!Blank(w.file, fields.pos, fields.len)) {
        PositionFind f(FindKind::Location, fields.pos, true);
        f.len = fields.len;
        StripPlan plan;
        plan.Zero(fields);
        w.sink.AddPayload({f}, plan, c);
    }
    const int64_t preview = b.body + kPreview;
    const uint8_t* soi = b.end - preview >= 2 ? w.file.Span(preview, 2) : nullptr;
    const bool jpeg = soi != nullptr && soi[0] == 0xFF && soi[1] == 0xD8;
    const int64_t rest = jpeg ? preview : b.end;
    if (rest > fields.End()) w.Opaque({fields.End(), rest - fields.End()}, c);
    if (jpeg) w.sink.Nested(Container::Jpeg, {preview, b.end - preview}, c.Then("preview"));
}

void ScanTiffInBox(BoxWalk& w, const Box& b, const Carrier& c) {
    // One structure per box: a second one could lie inside the first's
    // tables, where clearing one would change what the other reads.
    if (const int64_t tiff = FindTiffHeader(w.file, b.body, b.end); tiff >= 0) w.sink.Tiff(tiff, b.end, c);
}
