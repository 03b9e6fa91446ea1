#include "locate/payload/XmpGps.h"

#include "locate/Pieces.h"
#include "locate/payload/Base64.h"
#include "locate/payload/XmlGps.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int64_t kGuidLen = 32;
constexpr char kRootFill[] = "<x/>";  // what stays of a position that was the root element

void AddProps(XmpScan& s, const XmpDoc& d, const XmlGpsResult& x) {
    const int map = s.plan.AddMap(d.map);
    for (const XmlGpsResult::Prop& prop : x.props) {
        const FindKind kind = prop.place ? FindKind::PlaceName : d.extended ? FindKind::ExtendedXmp : FindKind::Xmp;
        PositionFind f(kind, d.map.FilePos(prop.off), true);
        f.len = prop.len;
        f.element = prop.element;
        s.finds.push_back(f);
        s.plan.fills.push_back({map, prop.off, prop.len, ' ', prop.root ? kRootFill : ""});
    }
}

// A document that cannot be read and may hold a position: by default one
// that cannot be parsed or put together.
void Unreadable(XmpScan& s, const XmpDoc& d, FindWhy why = FindWhy::None) {
    if (why == FindWhy::None) why = d.extended ? FindWhy::ExtendedXmpUnassembled : FindWhy::XmpUnparsed;
    const FindKind kind = why == FindWhy::XmpPlaceUnparsed ? FindKind::PlaceName
                          : d.extended                      ? FindKind::ExtendedXmp
                                                            : FindKind::Xmp;
    PositionFind f(kind, d.reportAt.pos, false, why);
    f.len = d.reportAt.len;
    s.finds.push_back(f);
}

// The base64 text of each picture a value of the n-byte document holds:
// from its first characters to the quote or '<' that ends the value. A
// start inside a value already taken is that value's (each byte is looked
// at once per kind of start).
std::vector<ByteRange> HeldPictureTexts(const uint8_t* p, int64_t n) {
    std::vector<ByteRange> out;
    for (std::string_view start : {std::string_view("/9j/"), std::string_view("iVBORw0KGgo")}) {
        int64_t taken = 0;
        for (const uint8_t* hit = FindBytes(p, n, start); hit != nullptr;
             hit = FindBytes(hit + 1, n - (hit + 1 - p), start)) {
            int64_t from = hit - p, before = from - 1;
            if (from < taken) continue;
            while (before >= 0 && (p[before] == ' ' || p[before] == '\t' || p[before] == '\n' || p[before] == '\r'))
                --before;
            if (before < 0 || (p[before] != '"' && p[before] != '\'' && p[before] != '>')) continue;
            int64_t end = from;
            while (end < n && p[end] != '"' && p[end] != '\'' && p[end] != '<') ++end;
            out.push_back({from, end - from});
            taken = end;
        }
    }
    return out;
}

// Walks the pictures document d (its n bytes at p) holds as base64 text,
// outside the properties x blanks whole; true when it added a find.
bool HeldPictures(XmpScan& s, const XmpDoc& d, const uint8_t* p, int64_t n, const XmlGpsResult& x,
                  const HeldPictureScan& scan) {
    bool added = false;
    for (const ByteRange& r : HeldPictureTexts(p, n)) {
        const bool inProp = std::any_of(x.props.begin(), x.props.end(), [&](const XmlGpsResult::Prop& q) {
            return r.pos < q.off + q.len && q.off < r.End();
        });
        if (!inProp && StartsHeldPicture(p + r.pos, r.len)) added |= HeldPicture(p, n, d.map, r, scan, s.finds, s.plan);
    }
    return added;
}

}  // namespace

bool XmpScan::Removable() const {
    return std::all_of(finds.begin(), finds.end(), [](const PositionFind& f) { return f.removable; });
}

XmpScan ScanXmpDocs(const ByteReader& file, const std::vector<XmpDoc>& docs, bool guidNamed,
                    bool placeNames, const HeldPictureScan* held) {
    XmpScan s;
    struct GuidRef {
        std::string guid;
        int64_t pos;
    };
    std::vector<GuidRef> refs;  // HasExtendedXMP values of the documents read so far
    std::vector<uint8_t> joined;

    for (const XmpDoc& d : docs) {
        if (d.broken) {
            if (d.brokenMayHoldGps) Unreadable(s, d);
            continue;
        }
        // A document in one piece is read where it lies.
        const int64_t n = d.map.Length();
        const uint8_t* p = nullptr;
        if (d.map.Pieces().size() == 1)
            p = file.Span(d.map.Pieces()[0].filePos[0], n);
        else if (d.map.Gather(file, joined))
            p = joined.data();
        if (n <= 0) continue;
        // Bytes that cannot be read may hold anything.
        if (p == nullptr) {
            Unreadable(s, d, FindWhy::ItemUnreadable);
            continue;
        }
        // A position's name holds "GPS" as it stands in the packet, and a
        // caption naming a coordinate its words: without either, a packet
        // matters only for the extended XMP it names.
        // Place names have no such mark: asked for, every packet is parsed.
        const bool mayHold = MayHoldPosition(p, n);
        XmlGpsResult x;
        if (d.extended || guidNamed || mayHold || placeNames) {
            x = ScanXmlForGps(p, n, placeNames);
            if (!x.parsed) {
                if (mayHold) Unreadable(s, d);
                else if (placeNames && MayHoldPlace(p, n)) Unreadable(s, d, FindWhy::XmpPlaceUnparsed);
                x = {};
            }
            if (!d.extended)
                for (int64_t off : x.guidOffsets)
                    refs.push_back(
                        {std::string(reinterpret_cast<const char*>(p + off), kGuidLen), d.map.FilePos(off)});
        }
        if (!x.props.empty()) AddProps(s, d, x);
        const bool pictures = held != nullptr && HeldPictures(s, d, p, n, x, *held);
        if ((x.props.empty() && !pictures) || d.guid.empty()) continue;
        // A document named by its MD5 is named anew.
        std::vector<int64_t> guidPos = d.guidPos;
        for (const GuidRef& ref : refs)
            if (ref.guid == d.guid) guidPos.push_back(ref.pos);
        if (!guidPos.empty()) s.plan.fixUps.push_back({StripFixUp::kMd5Guid, s.plan.AddMap(d.map), std::move(guidPos)});
    }
    s.writes = s.plan.Ranges();
    return s;
}

XmpScan ScanXmpContent(const ByteReader& content, bool placeNames) {
    XmpDoc doc;
    doc.map = ContentMap({0, content.Length()});
    doc.reportAt = {0, content.Length()};
    return ScanXmpDocs(content, {doc}, false, placeNames);
}

bool StripXmp(uint8_t* buf, int64_t len, const XmpScan& scan) {
    return scan.Removable() && scan.plan.Apply(buf, len);
}
