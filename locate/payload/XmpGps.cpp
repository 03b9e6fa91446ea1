#include "locate/payload/XmpGps.h"

#include "locate/payload/XmlGps.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int64_t kGuidLen = 32;
constexpr char kRootFill[] = "<x/>";  // what stays of a position that was the root element

void AddDoc(XmpScan& s, const XmpDoc& d, const XmlGpsResult& x, std::vector<int64_t> guidPos) {
    const int map = s.plan.AddMap(d.map);
    for (const XmlGpsResult::Prop& prop : x.props) {
        GpsFind f;
        f.kind = d.extended ? (prop.element ? GpsFind::kExtendedXmpElement : GpsFind::kExtendedXmpAttribute)
                            : (prop.element ? GpsFind::kXmpElement : GpsFind::kXmpAttribute);
        f.pos = d.map.FilePos(prop.off);
        f.len = prop.len;
        f.removable = true;
        s.finds.push_back(f);
        s.plan.fills.push_back({map, prop.off, prop.len, ' ', prop.root ? kRootFill : ""});
    }
    if (!guidPos.empty()) s.plan.fixUps.push_back({StripFixUp::kMd5Guid, map, std::move(guidPos)});
}

void Unreadable(XmpScan& s, GpsFind::Kind kind, ByteRange where) {
    GpsFind f;
    f.kind = kind;
    f.pos = where.pos;
    f.len = where.len;
    f.removable = false;
    s.finds.push_back(f);
}

}  // namespace

bool XmpScan::Removable() const {
    return std::all_of(finds.begin(), finds.end(), [](const GpsFind& f) { return f.removable; });
}

XmpScan ScanXmpDocs(const ByteReader& file, const std::vector<XmpDoc>& docs, bool guidNamed) {
    XmpScan s;
    struct GuidRef {
        std::string guid;
        int64_t pos;
    };
    std::vector<GuidRef> refs;  // HasExtendedXMP values of the documents read so far
    std::vector<uint8_t> joined;

    for (const XmpDoc& d : docs) {
        const GpsFind::Kind unparsed = d.extended ? GpsFind::kExtendedXmpUnparsed : GpsFind::kXmpUnparsed;
        if (d.broken) {
            if (d.brokenMayHoldGps) Unreadable(s, unparsed, d.reportAt);
            continue;
        }
        // A document in one piece is read where it lies.
        const int64_t n = d.map.Length();
        const uint8_t* p = nullptr;
        if (d.map.Pieces().size() == 1)
            p = file.Span(d.map.Pieces()[0].filePos[0], n);
        else if (d.map.Gather(file, joined))
            p = joined.data();
        if (p == nullptr || n <= 0) continue;
        // A position's name holds "GPS" as it stands in the packet: without
        // it, a packet matters only for the extended XMP it names.
        const bool mayHoldGps = MayHoldGps(p, n);
        if (!d.extended && !guidNamed && !mayHoldGps) continue;
        XmlGpsResult x = ScanXmlForGps(p, n);
        if (!x.parsed) {
            if (mayHoldGps) Unreadable(s, unparsed, d.reportAt);
            continue;
        }
        if (!d.extended)
            for (int64_t off : x.guidOffsets)
                refs.push_back({std::string(reinterpret_cast<const char*>(p + off), kGuidLen), d.map.FilePos(off)});
        if (x.props.empty()) continue;
        std::vector<int64_t> guidPos;
        if (!d.guid.empty()) {
            guidPos = d.guidPos;
            for (const GuidRef& ref : refs)
                if (ref.guid == d.guid) guidPos.push_back(ref.pos);
        }
        AddDoc(s, d, x, std::move(guidPos));
    }
    s.writes = s.plan.Ranges();
    return s;
}

bool StripXmp(uint8_t* buf, int64_t len, const XmpScan& scan) {
    return scan.Removable() && scan.plan.Apply(buf, len);
}
