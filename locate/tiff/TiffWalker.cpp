#include "locate/tiff/TiffWalker.h"

#include "locate/Opaque.h"
#include "locate/Sink.h"
#include "locate/payload/XmlGps.h"
#include "locate/psd/PsdWalker.h"
#include "locate/vrd/VrdWalker.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint16_t kTagRw2Jpeg = 0x002E;  // an RW2's JpgFromRaw, in its 0th IFD
constexpr uint16_t kTagCompression = 259, kTagStripOffsets = 273, kTagStripCounts = 279;
constexpr uint16_t kTagSubIfds = 330, kTagJpegOffset = 513, kTagJpegLength = 514, kTagXmp = 700;
constexpr uint16_t kTagImageResources = 34377;
constexpr uint16_t kTagExifIfd = 34665, kTagGpsIfd = 34853;
// Magic numbers: BigTIFF, Olympus ORF ("IIRO", "MMOR"; "IIRS"), Panasonic RW2, JPEG XR.
constexpr uint16_t kMagicBig = 43, kMagicOrf = 0x4F52, kMagicOrfS = 0x5352, kMagicRw2 = 0x0055, kMagicJxr = 0x01BC;
constexpr size_t kMaxIfds = 64;  // as many as the TIFF scan walks

int64_t Saturated(uint64_t v) {
    return v > uint64_t{INT64_MAX} ? INT64_MAX : static_cast<int64_t>(v);
}

// Bytes an IFD names and the path of IFDs that names them.
struct Named {
    ByteRange r;
    std::string path;
};

// The IFDs of one TIFF structure, walked for what they name besides GPS
// IFDs (which the TIFF scan takes apart): every read is bounded by the
// structure's range, each IFD is walked once, and at most kMaxIfds are.
class IfdWalk {
public:
    IfdWalk(const ByteReader& file, ByteRange whole, bool bigEndian, uint16_t magic, TiffLayout layout)
        : m_f(file, whole.pos, whole.len, bigEndian, layout), m_tiff(whole.pos), m_len(whole.len), m_magic(magic) {}

    const TiffFields& Fields() const { return m_f; }

    // The chain from the 0th IFD, then the IFDs they lead to.
    void Run(uint64_t ifd0) {
        const TiffLayout& l = m_f.Layout();
        structure.push_back({m_tiff, l.header});
        struct Todo {
            uint64_t off;
            std::string path;
            int chain;  // its place in the chain of IFDs; -1 for the others
        };
        std::vector<Todo> todo{{ifd0, "IFD0", 0}};
        std::vector<uint64_t> seen;
        int subIfds = 0;
        for (size_t i = 0; i < todo.size() && seen.size() < kMaxIfds; ++i) {
            const Todo t = todo[i];
            uint64_t count = 0;
            if (std::find(seen.begin(), seen.end(), t.off) != seen.end() || !m_f.Count(t.off, count)) continue;
            seen.push_back(t.off);
            const int64_t at = m_f.At(t.off);  // inside: its count was read
            structure.push_back({m_tiff + at, std::min(l.Table(count), m_len - at)});
            uint64_t compression = 0, strip = 0, stripLen = 0, jpeg = 0, jpegLen = 0;
            bool oneStrip = false, hasJpeg = false;
            for (uint64_t k = 0; k < count && k < TiffFields::kMaxEntries; ++k) {
                TiffEntry e;
                if (!m_f.Entry(t.off, k, e)) break;
                const uint64_t n = Number(e);
                switch (e.tag) {
                // Pointers are taken as the TIFF scan takes them: the value field as it stands.
                case kTagExifIfd: todo.push_back({e.value, t.path + " / Exif IFD", -1}); break;
                case kTagGpsIfd: gps.push_back({{m_f.FilePos(e.value), 0}, t.path}); break;
                case kTagSubIfds:
                    // A list of several is the structure's own bytes too: a
                    // part laid over it (an embedded JPEG) is no part to clean.
                    if (e.count > 1 && (!l.Big() || !e.InField(l)) && m_f.Inside(m_f.At(e.value), 4)) {
                        const int64_t list = l.Big() ? e.size : 4 * static_cast<int64_t>(e.count);
                        structure.push_back({m_tiff + m_f.At(e.value), std::min(list, m_len - m_f.At(e.value))});
                    }
                    for (uint64_t s = 0; s < e.count && s < kMaxIfds; ++s) {
                        uint64_t sub = 0;
                        if (!m_f.Element(e, s, sub)) break;
                        todo.push_back({sub, "SubIFD " + std::to_string(++subIfds), -1});
                    }
                    break;
                case kTagXmp:
                    // XMP is bytes (BYTE or UNDEFINED; some writers say ASCII).
                    if ((e.type == 1 || e.type == 2 || e.type == 7) && !e.InField(l))
                        xmp.push_back({{m_f.FilePos(e.value), e.size}, t.path});
                    break;
                case kTagImageResources:
                    // Photoshop's image resources, as a PSD holds them.
                    if (!e.InField(l))
                        resources.push_back({{m_f.FilePos(e.value), e.size}, t.path + " / image resources"});
                    break;
                case kTagRw2Jpeg:
                    if (m_magic == kMagicRw2 && (e.type == 1 || e.type == 7) && !e.InField(l))
                        jpegs.push_back({{m_f.FilePos(e.value), e.size}, t.path + " / JpgFromRaw"});
                    break;
                case kTagJpegOffset: jpeg = n, hasJpeg = true; break;
                case kTagJpegLength: jpegLen = n; break;
                case kTagCompression: compression = n; break;
                case kTagStripOffsets: strip = n, oneStrip = e.count == 1; break;
                case kTagStripCounts: stripLen = e.count == 1 ? n : 0; break;
                default: break;
                }
            }
            if (hasJpeg && jpegLen > 0)
                jpegs.push_back({{m_f.FilePos(jpeg), Saturated(jpegLen)}, t.path + " / JPEG preview"});
            // JPEG compression (old and new style, DNG's lossy JPEG) in one strip.
            if ((compression == 6 || compression == 7 || compression == 34892) && oneStrip && stripLen > 0)
                jpegs.push_back({{m_f.FilePos(strip), Saturated(stripLen)}, t.path + " / JPEG strip"});
            uint64_t next = 0;
            if (t.chain >= 0 && m_f.Next(t.off, count, next) && next != 0)
                todo.push_back({next, "IFD" + std::to_string(t.chain + 1), t.chain + 1});
        }
    }

    // A field's single number: a classic SHORT lies in the value field's
    // first two bytes (BigTIFF's entry read gives each type's number).
    uint64_t Number(const TiffEntry& e) const {
        uint16_t s = 0;
        if (!m_f.Layout().Big() && (e.type == 3 || e.type == 8) && m_f.U16(e.at + 8, s)) return s;
        return e.value;
    }

    // True when an SOI lies at TIFF offset `off`.
    bool StartsJpeg(int64_t off) const {
        uint8_t a = 0, b = 0;
        return m_f.U8(off, a) && m_f.U8(off + 1, b) && a == 0xFF && b == 0xD8;
    }

    // Bytes an IFD names, cut to the structure's range and where the next
    // of the structure's own bytes (the header, an IFD table) or the next
    // part (an XMP packet, image resources, an embedded JPEG) starts: parts
    // never share bytes, so that cleaning one cannot reach into another.
    // False when they start outside the range or among the structure's bytes.
    bool Clip(ByteRange& r) const {
        const int64_t end = m_tiff + m_len;
        if (r.pos < m_tiff || r.pos >= end) return false;
        r.len = std::min(r.len, end - r.pos);
        for (const ByteRange& s : structure) {
            if (r.pos >= s.pos && r.pos < s.End()) return false;
            if (s.pos > r.pos) r.len = std::min(r.len, s.pos - r.pos);
        }
        // Nor do they start inside the recipe data, which their own walk
        // cleans (and which such a part does not cut).
        if (InTrailer(r)) return false;
        r.len = NextPart(r.pos + 1, r.End()) - r.pos;
        return r.len > 0;
    }
    // Where the first part starting in [pos, end) starts; else end.
    int64_t NextPart(int64_t pos, int64_t end) const {
        for (const std::vector<Named>* parts : {&xmp, &resources, &jpegs, &trailer})
            for (const Named& n : *parts)
                if (n.r.pos >= pos && n.r.pos < end && !InTrailer(n.r) &&
                    (parts != &jpegs || StartsJpeg(n.r.pos - m_tiff)))
                    end = n.r.pos;
        return end;
    }
    // True when r starts inside the recipe data and is not the recipe data themselves.
    bool InTrailer(const ByteRange& r) const {
        return std::any_of(trailer.begin(), trailer.end(), [&](const Named& t) {
            return r.pos >= t.r.pos && r.pos < t.r.End() && !(r.pos == t.r.pos && r.len == t.r.len);
        });
    }
    bool StartsInStructure(const ByteRange& r) const {
        return std::any_of(structure.begin(), structure.end(),
                           [&](const ByteRange& s) { return r.pos >= s.pos && r.pos < s.End(); });
    }

    std::vector<ByteRange> structure;  // the header, the IFD tables and SubIFD lists (file ranges)
    std::vector<Named> gps;            // each GPS IFD pointer's target (r.pos) and the IFD holding it
    std::vector<Named> xmp, jpegs, resources;
    std::vector<Named> trailer;  // Canon's recipe data ending the file

private:
    TiffFields m_f;
    int64_t m_tiff, m_len;
    uint16_t m_magic;
};

}  // namespace

void WalkTiffContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& file = sink.File();
    if (whole.pos < 0 || whole.pos >= file.Length()) return;
    whole.len = std::min(whole.len, file.Length() - whole.pos);
    uint8_t b0 = 0, b1 = 0;
    const bool mm = file.U8(whole.pos, b0) && file.U8(whole.pos + 1, b1) && b0 == 'M' && b1 == 'M';
    const ByteReader r = file.WithOrder(mm ? ByteReader::kBigEndian : ByteReader::kLittleEndian);
    uint16_t magic = 0;
    r.U16(whole.pos + 2, magic);
    const TiffLayout layout = magic == kMagicBig ? kBigTiff : kClassicTiff;
    IfdWalk w(file, whole, mm, magic, layout);
    const TiffFields& fields = w.Fields();
    uint16_t offsetSize = 0, zero = 1;
    if (layout.Big() && !(fields.U16(4, offsetSize) && fields.U16(6, zero) && offsetSize == 8 && zero == 0)) {
        // A BigTIFF header of another offset size is a layout no reader takes.
        PositionFind f(FindKind::Container, whole.pos, false, FindWhy::NotTakenApart);
        f.container = Container::Tiff;
        f.wholeFile = whole.pos == 0 && whole.End() == file.Length();
        f.len = whole.len;
        sink.Add(f, at);
        return;
    }
    uint64_t ifd0 = 0, ifd0Count = 0;
    if (whole.len < layout.header || !fields.Offset(layout.header - layout.offset, ifd0) ||
        !fields.Count(ifd0, ifd0Count)) {
        // No reader gets further than the header; the bytes are not looked at.
        PositionFind f(FindKind::Container, whole.pos, false, FindWhy::TiffIfd0Outside);
        f.container = Container::Tiff;
        f.len = std::min(whole.len, layout.header);
        sink.Add(f, at);
        return;
    }
    w.Run(ifd0);

    // The GPS IFDs, each named by the IFD that points to it.
    std::vector<PositionFind>& finds = sink.Result().finds;
    const size_t first = finds.size(), tiffs = sink.Result().tiffs.size();
    TiffOptions opt;
    opt.magic = {kMagicOrf, kMagicOrfS, kMagicRw2, kMagicBig, kMagicJxr};
    opt.allIfds = true;
    sink.Tiff(whole.pos, whole.End(), at, opt);
    for (size_t i = first; i < finds.size(); ++i)
        for (const Named& g : w.gps)
            if (finds[i].kind == FindKind::ExifGps && finds[i].pos == g.r.pos) {
                finds[i].carrier = at.Then(g.path).path;
                break;
            }
    // What clearing the GPS IFDs writes: their tables and values.
    std::vector<ByteRange> gpsWrites;
    if (sink.Result().tiffs.size() > tiffs) {
        const std::vector<GpsIfdScan> gps = sink.Result().tiffs.back().gps;
        for (const GpsIfdScan& g : gps) {
            // Their tables are the structure's own too.
            if (!g.outsideSegment)
                w.structure.push_back({g.pos, std::min(layout.Table(static_cast<uint64_t>(g.inside)),
                                                       whole.End() - g.pos)});
            if (!g.outsideSegment) gpsWrites.push_back(w.structure.back());
            gpsWrites.insert(gpsWrites.end(), g.values.begin(), g.values.end());
        }
    }

    // Canon's recipe data, which its raw converter appends to a CR2 (and
    // writers to any TIFF), end the file: readers find them by its last
    // bytes. No other part may run into them.
    if (whole.End() == file.Length())
        if (const int64_t vrd = CanonVrdStart(file, whole.pos + layout.header, whole.End()); vrd >= 0)
            w.trailer.push_back({{vrd, whole.End() - vrd}, "recipe data"});

    // What starts inside the structure's own bytes is no packet a writer
    // put there: a find that cannot be removed when it may hold a position,
    // or, asked for, a place's name (as the part's own walk would tell once
    // a strip had moved the structure out of its way).
    auto add = [&](ByteRange r, const std::string& path, FindKind kind, Container container) {
        PositionFind f(kind, r.pos, false, FindWhy::TiffPartsOverlap);
        f.container = kind == FindKind::Container ? container : Container::None;
        f.len = std::min(r.len, whole.End() - r.pos);
        sink.Add(f, at.Then(path));
    };
    // Such a part found as `kind` when it holds a position's text, as a
    // place's name when it holds one of those; else nothing.
    // An XMP packet by the rule its own walk would read it with, which
    // takes more than the opaque one ("Latitude" alone).
    auto addHolding = [&](ByteRange r, const std::string& path, FindKind kind, Container container) {
        constexpr int64_t kMaxPacket = int64_t{64} << 20;
        const ByteRange cut{r.pos, std::min(r.len, whole.End() - r.pos)};
        PositionFind f;
        if (OpaqueFind(file, cut, kind, FindWhy::TiffPartsOverlap, FindWhy::TiffPartsOverlap, sink.PlaceNames(), f)) {
            add(r, path, f.kind, container);
        } else if (kind == FindKind::Xmp) {
            const uint8_t* p = cut.len <= kMaxPacket ? file.Span(cut.pos, cut.len) : nullptr;
            if (p == nullptr || MayHoldPosition(p, cut.len)) add(r, path, kind, container);
        }
    };
    // A part cut short where the structure's own bytes start (its count
    // too large, an IFD laid over it) keeps bytes that no walk takes apart
    // but readers still take as the part's: up to the next part, which its
    // own walk takes apart, they follow the opaque rule.
    auto cutShort = [&](const Named& part, ByteRange range, FindKind kind) {
        const int64_t end =
            w.NextPart(range.End(), part.r.len >= whole.End() - part.r.pos ? whole.End() : part.r.End());
        if (range.End() < end) addHolding({range.End(), end - range.End()}, part.path, kind, Container::None);
    };
    for (const Named& x : w.xmp) {
        ByteRange range = x.r;
        if (w.Clip(range)) {
            sink.Xmp(range, range, at.Then(x.path));
            cutShort(x, range, FindKind::Xmp);
        } else if (w.StartsInStructure(x.r)) {
            addHolding(x.r, x.path, FindKind::Xmp, Container::None);
        }
    }
    // Image resources: their Exif, XMP and thumbnails walked as a PSD's
    // (their IPTC place names are the TIFF scan's, with the IPTC field).
    for (const Named& r : w.resources) {
        ByteRange range = r.r;
        if (w.Clip(range)) {
            WalkImageResources(range, at.Then(r.path), sink, false);
            cutShort(r, range, FindKind::Unparsed);
        } else if (w.StartsInStructure(r.r))
            addHolding(r.r, r.path, FindKind::Unparsed, Container::None);
    }
    // Each embedded JPEG once, walked by the JPEG walker. Bytes after its
    // end are the TIFF's, never a trailer a cut may drop (a TIFF has no
    // end marker): what the JPEG walk says of one is taken back.
    std::vector<int64_t> walked;
    const int64_t trailer = sink.Result().trailer;
    for (const Named& j : w.jpegs) {
        if (std::find(walked.begin(), walked.end(), j.r.pos) != walked.end()) continue;
        if (!w.StartsJpeg(j.r.pos - whole.pos)) continue;
        walked.push_back(j.r.pos);
        ByteRange range = j.r;
        if (w.Clip(range)) {
            sink.Nested(Container::Jpeg, range, at.Then(j.path));
            sink.Result().trailer = trailer;
            cutShort(j, range, FindKind::Unparsed);
        } else if (w.StartsInStructure(j.r))
            add(j.r, j.path, FindKind::Container, Container::Jpeg);
    }
    // The recipe data, when the structure's own bytes and its other parts
    // keep out of them; else, holding a position's text (or, asked for, a
    // place's name), they cannot be cleaned.
    for (const Named& t : w.trailer) {
        ByteRange range = t.r;
        // A GPS IFD whose values run into them would change them when cleared.
        const bool written = std::any_of(gpsWrites.begin(), gpsWrites.end(), [&](const ByteRange& g) {
            return g.pos < t.r.End() && t.r.pos < g.End();
        });
        if (!written && w.Clip(range) && range.len == t.r.len) {
            sink.Nested(Container::CanonVrd, t.r, at.Then(t.path));
        } else {
            addHolding(t.r, t.path, FindKind::Container, Container::CanonVrd);
        }
    }
}
