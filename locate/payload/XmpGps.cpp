#include "locate/payload/XmpGps.h"

#include "locate/jpeg/ExtendedXmp.h"
#include "locate/payload/Md5.h"
#include "locate/payload/XmlGps.h"
#include "platform/ChangedRuns.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int64_t kGuidLen = 32;
constexpr char kRootFill[] = "<x/>";  // what stays of a position that was the root element

using Piece = XmpScan::Piece;

// Calls f(filePos, contentOff, n) for each stretch of [off, off+len) that a
// piece holds, once per place the piece is kept.
template <class F>
void ForEachPlace(const std::vector<Piece>& pieces, int64_t off, int64_t len, F f) {
    for (const Piece& piece : pieces) {
        int64_t from = std::max(off, piece.off);
        int64_t to = std::min(off + len, piece.off + piece.len);
        if (from >= to) continue;
        for (int64_t pos : piece.filePos) f(pos + (from - piece.off), from, to - from);
    }
}

int64_t FilePosOf(const std::vector<Piece>& pieces, int64_t off) {
    int64_t found = -1;
    ForEachPlace(pieces, off, 1, [&](int64_t pos, int64_t, int64_t) {
        if (found < 0) found = pos;
    });
    return found;
}

void AddDoc(XmpScan& s, XmpScan::Doc doc, const XmlGpsResult& x, bool extended) {
    for (const XmlGpsResult::Prop& prop : x.props) {
        GpsFind f;
        f.kind = extended ? (prop.element ? GpsFind::kExtendedXmpElement : GpsFind::kExtendedXmpAttribute)
                          : (prop.element ? GpsFind::kXmpElement : GpsFind::kXmpAttribute);
        f.pos = FilePosOf(doc.pieces, prop.off);
        f.len = prop.len;
        f.removable = true;
        s.finds.push_back(f);
        doc.edits.push_back({prop.off, prop.len, prop.root});
    }
    s.docs.push_back(std::move(doc));
}

void Unreadable(XmpScan& s, GpsFind::Kind kind, ByteRange where) {
    GpsFind f;
    f.kind = kind;
    f.pos = where.pos;
    f.len = where.len;
    f.removable = false;
    s.finds.push_back(f);
}

std::vector<ByteRange> Writes(const std::vector<XmpScan::Doc>& docs) {
    std::vector<ByteRange> w;
    for (const XmpScan::Doc& d : docs) {
        for (const XmpScan::Edit& e : d.edits)
            ForEachPlace(d.pieces, e.off, e.len, [&](int64_t pos, int64_t, int64_t n) { w.push_back({pos, n}); });
        for (int64_t pos : d.guidPos) w.push_back({pos, kGuidLen});
    }
    return plat::JoinRanges(std::move(w));
}

bool Inside(int64_t pos, int64_t n, int64_t len) { return pos >= 0 && n >= 0 && n <= len && pos <= len - n; }

}  // namespace

bool XmpScan::Removable() const {
    return std::all_of(finds.begin(), finds.end(), [](const GpsFind& f) { return f.removable; });
}

XmpScan ScanXmp(const ByteReader& file, const std::vector<ByteRange>& mainPackets,
                const std::vector<ByteRange>& extensionSegments) {
    XmpScan s;
    struct GuidRef {
        std::string guid;
        int64_t pos;
    };
    std::vector<GuidRef> refs;  // HasExtendedXMP values of the main packets

    for (const ByteRange& r : mainPackets) {
        const uint8_t* p = file.Span(r.pos, r.len);
        if (!p || r.len <= 0) continue;
        // A position's name holds "GPS" as it stands in the packet: without
        // it, a packet matters only for the extended XMP it names.
        const bool mayHoldGps = MayHoldGps(p, r.len);
        if (extensionSegments.empty() && !mayHoldGps) continue;
        XmlGpsResult x = ScanXmlForGps(p, r.len);
        if (!x.parsed) {
            if (mayHoldGps) Unreadable(s, GpsFind::kXmpUnparsed, r);
            continue;
        }
        for (int64_t off : x.guidOffsets)
            refs.push_back({std::string(reinterpret_cast<const char*>(p + off), kGuidLen), r.pos + off});
        if (x.props.empty()) continue;
        XmpScan::Doc doc;
        doc.contentLen = r.len;
        doc.pieces.push_back({0, r.len, {r.pos}});
        AddDoc(s, std::move(doc), x, false);
    }

    for (ExtendedXmpGroup& g : AssembleExtendedXmp(file, extensionSegments)) {
        if (!g.assembled) {
            if (g.mayHoldGps) Unreadable(s, GpsFind::kExtendedXmpUnparsed, g.first);
            continue;
        }
        const int64_t n = static_cast<int64_t>(g.content.size());
        XmlGpsResult x = ScanXmlForGps(g.content.data(), n);
        if (!x.parsed) {
            if (MayHoldGps(g.content.data(), n)) Unreadable(s, GpsFind::kExtendedXmpUnparsed, g.first);
            continue;
        }
        if (x.props.empty()) continue;
        XmpScan::Doc doc;
        doc.contentLen = n;
        doc.pieces = std::move(g.pieces);
        doc.guidPos = g.guidPos;
        for (const GuidRef& ref : refs)
            if (ref.guid == g.guid) doc.guidPos.push_back(ref.pos);
        AddDoc(s, std::move(doc), x, true);
    }
    s.writes = Writes(s.docs);
    return s;
}

bool StripXmp(uint8_t* buf, int64_t len, const XmpScan& scan) {
    if (!scan.Removable()) return false;
    if (scan.docs.empty()) return true;
    if (!buf) return false;
    for (const XmpScan::Doc& d : scan.docs) {
        for (const Piece& piece : d.pieces)
            for (int64_t pos : piece.filePos)
                if (!Inside(pos, piece.len, len)) return false;
        for (int64_t pos : d.guidPos)
            if (!Inside(pos, kGuidLen, len)) return false;
    }

    for (const XmpScan::Doc& d : scan.docs) {
        for (const XmpScan::Edit& e : d.edits) {
            ForEachPlace(d.pieces, e.off, e.len, [&](int64_t pos, int64_t off, int64_t n) {
                for (int64_t k = 0; k < n; ++k) {
                    int64_t at = off + k - e.off;
                    buf[pos + k] = e.root && at < 4 ? static_cast<uint8_t>(kRootFill[at]) : ' ';
                }
            });
        }
        if (d.guidPos.empty()) continue;
        Md5 md5;
        for (const Piece& piece : d.pieces) md5.Update(buf + piece.filePos[0], piece.len);
        char hex[kGuidLen];
        md5.FinalHex(hex);
        for (int64_t pos : d.guidPos) std::memcpy(buf + pos, hex, kGuidLen);
    }
    return true;
}
