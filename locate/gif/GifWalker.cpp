#include "locate/gif/GifWalker.h"

#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Sink.h"
#include "locate/payload/XmlGps.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kScreenEnd = 13;          // header and screen descriptor
constexpr int64_t kLandingZone = 257;       // 0x01, 0xFF, 0xFE ... 0x00
constexpr int64_t kMaxJoined = int64_t{16} << 20;  // text of an extension that is read whole
constexpr char kXmpApp[] = "XMP DataXMP";

// A colour table's length from a packed field: 3 bytes per colour.
int64_t ColourTable(uint8_t packed) { return (packed & 0x80) != 0 ? 3 * (int64_t{2} << (packed & 7)) : 0; }

// Follows the sub-blocks from `pos` to the zero length that ends them;
// false when they run past `end`. `pieces` gets each sub-block's data.
bool SubBlocks(const ByteReader& f, int64_t pos, int64_t end, int64_t& terminator, ContentMap* pieces) {
    for (uint8_t n = 0;; pos += 1 + n) {
        if (pos >= end || !f.U8(pos, n)) return false;
        if (n == 0) {
            terminator = pos;
            return true;
        }
        if (pieces != nullptr) pieces->Append(pos + 1, n);
    }
}

bool LandingZoneAt(const ByteReader& f, int64_t pos) {
    const uint8_t* z = f.Span(pos, kLandingZone);
    if (z == nullptr || z[0] != 0x01) return false;
    for (int64_t i = 1; i < kLandingZone; ++i)
        if (z[i] != 256 - i) return false;
    return true;
}

// An extension's text (its sub-blocks joined, or its bytes as they lie
// when too long to join) against the opaque rule.
void OpaqueExtension(Sink& sink, ByteRange ext, const ContentMap& text, const Carrier& c) {
    OpaqueText t = OpaqueText::None;
    std::vector<uint8_t> joined;
    if (text.Length() <= kMaxJoined && text.Gather(sink.File(), joined))
        t = OpaqueHolds(ByteReader(joined.data(), static_cast<int64_t>(joined.size())), 0,
                        static_cast<int64_t>(joined.size()));
    else
        t = OpaqueHolds(sink.File(), ext.pos, ext.len);
    if (t == OpaqueText::None) return;
    PositionFind f(FindKind::Unparsed, ext.pos, false, FindWhy::BlocksUnparsed);
    f.len = ext.len;
    sink.Add(f, c);
}

// A comment extension whose text (its sub-blocks joined) names a
// coordinate ("Lat: 35.6586 Lon: 139.7454"): blanked with spaces, the
// sub-blocks' lengths kept. False when it names none.
bool CommentExtension(Sink& sink, ByteRange ext, const ContentMap& text, const Carrier& c) {
    std::vector<uint8_t> joined;
    return !text.Empty() && text.Length() <= kMaxJoined && text.Gather(sink.File(), joined) &&
           AddTextValue(sink, text, ext, joined, "comment", ' ', c);
}

// The raw XMP of an "XMP DataXMP" extension, its data in [data, terminator).
void XmpExtension(Sink& sink, ByteRange ext, int64_t data, int64_t terminator, const Carrier& c) {
    // The zone is read first: bringing it may give the packet's pages back.
    const int64_t zone = terminator - kLandingZone;
    const uint8_t* packet =
        zone > data && LandingZoneAt(sink.File(), zone) ? sink.File().Span(data, zone - data) : nullptr;
    if (packet != nullptr && std::memchr(packet, 0, static_cast<size_t>(zone - data)) == nullptr) {
        sink.Xmp({data, zone - data}, {data, zone - data}, c);
        return;
    }
    // Without its zone (damaged, or the blocks end elsewhere) or holding a
    // NUL, readers still take the packet: a position's text, or what may
    // name one in a packet that does not parse (DJI's "drone-dji:GpsLatitude",
    // a caption naming a coordinate), is a find that cannot be removed.
    if (sink.Opaque(ext, FindKind::Xmp, FindWhy::XmpUnparsed, FindWhy::XmpUnparsed, c)) return;
    const uint8_t* p = ext.len <= kMaxJoined ? sink.File().Span(ext.pos, ext.len) : nullptr;
    if (p != nullptr && MayHoldPosition(p, ext.len)) {
        PositionFind f(FindKind::Xmp, ext.pos, false, FindWhy::XmpUnparsed);
        f.len = ext.len;
        sink.Add(f, c);
    }
}

}  // namespace

void WalkGifContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    const int64_t end = whole.End();
    uint8_t packed = 0;
    if (!f.U8(whole.pos + 10, packed) || whole.len < kScreenEnd) {
        sink.NotTakenApart(whole, at);
        return;
    }
    int64_t pos = whole.pos + kScreenEnd + ColourTable(packed);
    int extension = 0;
    uint8_t kind = 0;
    while (pos < end && f.U8(pos, kind)) {
        int64_t terminator = -1;
        if (kind == 0x3B) {  // the trailer
            if (pos + 1 < end) sink.AfterEnd({pos + 1, end - pos - 1}, end == f.Length(), at);
            return;
        }
        if (kind == 0x2C) {  // a picture: descriptor, colour table, code size, data
            uint8_t local = 0;
            if (!f.U8(pos + 9, local) || !SubBlocks(f, pos + 10 + ColourTable(local) + 1, end, terminator, nullptr))
                break;
            pos = terminator + 1;
            continue;
        }
        if (kind != 0x21) break;
        uint8_t label = 0, idLen = 0;
        ContentMap text;
        if (!f.U8(pos + 1, label) || !SubBlocks(f, pos + 2, end, terminator, &text)) break;
        const ByteRange ext{pos, terminator + 1 - pos};
        const Carrier c = at.Then("extension #" + std::to_string(++extension));
        const uint8_t* id = f.U8(pos + 2, idLen) && idLen == 11 ? f.Span(pos + 3, 11) : nullptr;
        // The chain just followed ran through the XMP's own bytes as lengths.
        if (label == 0xFF && id != nullptr && std::memcmp(id, kXmpApp, 11) == 0)
            XmpExtension(sink, ext, pos + 14, terminator, c);
        // Graphic control blocks hold four bytes of timing and transparency.
        else if (label != 0xF9 && !(label == 0xFE && CommentExtension(sink, ext, text, c)))
            OpaqueExtension(sink, ext, text, c);
        pos = terminator + 1;
    }
    // A truncated picture ends where its bytes do; anything else no block
    // explains follows the opaque rule.
    if (pos < end)
        sink.Opaque({pos, end - pos}, FindKind::Unparsed, FindWhy::BlocksUnparsed, FindWhy::BlocksUnparsed, at);
}
