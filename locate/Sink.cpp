#include "locate/Sink.h"

#include "locate/Containers.h"
#include "locate/Opaque.h"
#include "locate/insta360/Insta360Trailer.h"
#include "locate/payload/FlirGps.h"
#include "locate/payload/IptcPlaces.h"
#include "locate/payload/MakerNotePlaces.h"
#include "locate/payload/TiffTexts.h"

#include <algorithm>

namespace {

// A GPS IFD outside its block is read by the window, which takes offsets
// from the whole file: it counts when its first entry there has a value.
bool OutsideIfdHoldsPosition(const ByteReader& file, const TiffScan& t, const GpsIfdScan& g) {
    const TiffFields all(file, 0, file.Length(), t.bigEndian, t.layout);
    uint64_t count = 0;
    uint16_t type = 0;
    return g.pos >= 0 && all.Count(static_cast<uint64_t>(g.pos), count) && count > 0 &&
           all.U16(g.pos + t.layout.count + 2, type) && TiffUnitSize(type, t.layout.Big()) != 0;
}

}  // namespace

void Sink::Add(PositionFind f, const Carrier& c) {
    f.picture = c.picture;
    f.carrier = c.path;
    m_out.finds.push_back(std::move(f));
}

void Sink::Tiff(int64_t tiff, int64_t end, const Carrier& c, const TiffOptions& opt) {
    TiffScan t;
    if (!ScanTiff(m_file, tiff, end, t, opt)) return;
    AddTiff(std::move(t), c);
    TextPositions(m_file, m_out.tiffs.back(), c);
    TiffIptcPlaces(m_file, m_out.tiffs.back(), c);
    if (m_opt.placeNames) {
        MakerNotePlaces(m_file, m_out.tiffs.back(), c);
    }
    // A whole TIFF file's walker walks its embedded JPEGs itself.
    if (!opt.allIfds) Thumbnails(m_out.tiffs.back(), m_file, c);
}

void Sink::Tiff(const ContentMap& content, int64_t tiff, const Carrier& c, const TiffOptions& opt) {
    // One piece is the file's own range; pieces are put together first.
    if (content.Pieces().size() == 1) {
        const int64_t at = content.Pieces()[0].filePos[0];
        Tiff(at + tiff, at + content.Length(), c, opt);
        return;
    }
    std::vector<uint8_t> bytes;
    TiffScan t;
    if (!content.Gather(m_file, bytes) ||
        !ScanTiff(ByteReader(bytes.data(), static_cast<int64_t>(bytes.size())), tiff,
                  static_cast<int64_t>(bytes.size()), t, opt))
        return;
    t.content = content;
    AddTiff(std::move(t), c);
    const ByteReader read(bytes.data(), static_cast<int64_t>(bytes.size()));
    TextPositions(read, m_out.tiffs.back(), c);
    TiffIptcPlaces(read, m_out.tiffs.back(), c);
    if (m_opt.placeNames) {
        MakerNotePlaces(read, m_out.tiffs.back(), c);
    }
    if (!opt.allIfds) Thumbnails(m_out.tiffs.back(), read, c);
}

void Sink::Thumbnails(const TiffScan& t, const ByteReader& content, const Carrier& c) {
    const std::vector<ByteRange> thumbnails = t.thumbnails;  // the walks below add scans
    const ContentMap map = t.content;
    const Carrier at = c.Then("thumbnail");
    for (const ByteRange& r : thumbnails) {
        if (RecogniseContainer(content, r.pos, r.End()) != Container::Jpeg) continue;
        const uint8_t* p = content.Span(r.pos, r.len);
        if (p == nullptr) continue;
        // Bytes after its end are the block's, never data a cut may drop.
        const int64_t trailer = m_out.trailer;
        const std::vector<ByteRange> onFile = map.Empty() ? std::vector<ByteRange>{r} : map.FileRanges(r.pos, r.len);
        if (onFile.size() == 1) {
            Nested(Container::Jpeg, onFile[0], at);
            m_out.trailer = trailer;
            continue;
        }
        // In pieces: walked as bytes of their own, its removal laid onto
        // the pieces that hold them.
        LocateResult held;
        if (!LocateHeld(ByteReader(p, r.len), m_opt.placeNames, held)) continue;
        const bool all = held.CanClean();
        for (PositionFind& f : held.finds) {
            f.segment = -1;
            f.wholeFile = false;
            if (!all && f.removable) f.removable = false, f.why = FindWhy::ItemUnreadable;
        }
        AddInContent(std::move(held.finds), all ? PlanStrip(held, {}) : StripPlan{}, map.Sub(r.pos, r.len), at);
    }
}

void Sink::TextPositions(const ByteReader& content, const TiffScan& t, const Carrier& c) {
    for (const TextPosition& p : ScanTiffTexts(content, t)) {
        // In pieces, the scan's offsets are the content's.
        const std::vector<ByteRange> at =
            t.content.Empty() ? std::vector<ByteRange>{p.value} : t.content.FileRanges(p.value.pos, p.value.len);
        if (at.empty()) continue;
        PositionFind f(FindKind::Location, at[0].pos, p.removable, p.why());
        f.len = at[0].len;
        Add(f, c.Then("text"));
        if (!f.removable) continue;
        for (const ByteRange& r : at)
            m_out.plan.fills.push_back({m_out.plan.AddMap(ContentMap(r)), 0, r.len, p.fill, {}});
    }
}

void Sink::MakerNotePlaces(const ByteReader& content, const TiffScan& t, const Carrier& c) {
    for (const MakerPlace& p : ScanMakerNotePlaces(content, t)) {
        // In pieces, the scan's offsets are the content's.
        const std::vector<ByteRange> at =
            t.content.Empty() ? std::vector<ByteRange>{p.value} : t.content.FileRanges(p.value.pos, p.value.len);
        PositionFind f(FindKind::PlaceName, at.empty() ? t.content.FilePos(0) : at[0].pos, p.removable, p.why);
        f.len = at.empty() ? 0 : at[0].len;
        if (at.empty()) f.removable = false, f.why = FindWhy::MakerPlaceOutside;
        Add(f, c.Then("maker note"));
        if (f.removable)
            for (const ByteRange& r : at) m_out.plan.fills.push_back({m_out.plan.AddMap(ContentMap(r)), 0, r.len, p.fill, {}});
    }
}

void Sink::TiffIptcPlaces(const ByteReader& content, const TiffScan& t, const Carrier& c) {
    IptcScan x = ScanTiffIptc(content, t.iptc, t.imageResources, m_opt.placeNames);
    if (t.content.Empty()) AddPayload(x.finds, x.plan, c.Then("IPTC"));
    else AddInContent(std::move(x.finds), x.plan, t.content, c.Then("IPTC"));
}

void Sink::AddInContent(std::vector<PositionFind> finds, const StripPlan& plan, const ContentMap& content,
                        const Carrier& c) {
    StripPlan moved;
    bool fits = true;
    for (const ContentMap& m : plan.maps) {
        ContentMap onFile = m.Through(content);
        fits = fits && onFile.Length() == m.Length();
        moved.AddMap(std::move(onFile));
    }
    moved.fills = plan.fills;
    for (StripFixUp fix : plan.fixUps) {
        std::vector<int64_t> at;
        for (int64_t a : fix.at)
            for (const ByteRange& r : content.FileRanges(a, fix.Size())) {
                fits = fits && r.len == fix.Size();  // written whole, in one piece
                at.push_back(r.pos);
            }
        fix.at = std::move(at);
        moved.fixUps.push_back(std::move(fix));
    }
    for (PositionFind& f : finds) {
        const std::vector<ByteRange> r = content.FileRanges(f.pos, f.len);
        f.pos = r.empty() ? content.FilePos(0) : r[0].pos;
        f.len = r.empty() ? 0 : r[0].len;
        if (!fits) f.removable = false, f.why = FindWhy::ItemUnreadable;
    }
    AddPayload(finds, fits ? moved : StripPlan{}, c);
}

void Sink::AddTiff(TiffScan t, const Carrier& c) {
    const bool inPieces = !t.content.Empty();
    for (const GpsIfdScan& g : t.gps) {
        PositionFind f(FindKind::ExifGps, g.pos, false);
        f.len = t.GpsFindLen(g);
        // In pieces, the find is the table's first stretch in the file.
        if (const auto r = inPieces ? t.content.FileRanges(g.pos, f.len) : std::vector<ByteRange>{}; !r.empty())
            f.pos = r[0].pos, f.len = r[0].len;
        if (g.outsideSegment) {
            // A reader of a block in pieces reads nothing outside it.
            if (inPieces || !OutsideIfdHoldsPosition(m_file, t, g)) continue;
            f.why = FindWhy::GpsIfdOutsideSegment;
        } else if (g.positions > 0) {
            f.why = GpsIfdBlocker(g);
            f.removable = f.why == FindWhy::None;
        } else {
            continue;
        }
        Add(f, c);
    }
    m_out.tiffs.push_back(std::move(t));
}

HeldPictureScan Sink::HeldScan() const {
    // A picture a document holds is walked as a file of its own.
    return [placeNames = m_opt.placeNames](const std::vector<uint8_t>& bytes, std::vector<PositionFind>& finds,
                                           std::vector<uint8_t>& stripped) {
        const int64_t n = static_cast<int64_t>(bytes.size());
        LocateResult inner;
        if (!LocateHeld(ByteReader(bytes.data(), n), placeNames, inner)) return false;
        stripped = bytes;
        if (inner.finds.empty() || !inner.CanClean() || !StripPositions(stripped.data(), n, inner, GpsStripMode{}))
            stripped.clear();
        finds = std::move(inner.finds);
        return true;
    };
}

void Sink::Xmp(const std::vector<XmpDoc>& docs, bool guidNamed, const Carrier& c) {
    const HeldPictureScan held = HeldScan();
    const XmpScan x = ScanXmpDocs(m_file, docs, guidNamed, m_opt.placeNames, &held);
    AddPayload(x.finds, x.plan, c);
}

void Sink::Xmp(ByteRange content, ByteRange reportAt, const Carrier& c) {
    XmpDoc doc;
    doc.map = ContentMap(content);
    doc.reportAt = reportAt;
    Xmp({doc}, false, c);
}

void Sink::Compressed(const ContentMap& stream, Deflated form, uint8_t pad, const Carrier& c,
                      const ContentScan& scan, const StreamTest& takes) {
    constexpr int64_t kMaxContent = int64_t{64} << 20;  // metadata; more is not believed
    std::vector<uint8_t> packed, content;
    const bool inflated = stream.Length() <= kMaxContent && stream.Gather(m_file, packed) &&
                          Inflate(packed.data(), static_cast<int64_t>(packed.size()), form, kMaxContent, content);
    std::vector<PositionFind> finds;
    StripPlan plan;
    if (inflated) scan(ByteReader(content.data(), static_cast<int64_t>(content.size())), finds, plan);
    if (inflated && finds.empty()) return;
    // The finds are reported at the stream: their content offsets name no file byte.
    const int64_t at = stream.FilePos(0), len = stream.Length();
    if (!inflated) finds.push_back(PositionFind(FindKind::Unparsed, at, false, FindWhy::CompressedUnreadable));
    const bool removable = std::all_of(finds.begin(), finds.end(), [](const PositionFind& f) { return f.removable; });
    std::vector<uint8_t> stripped;
    const bool fits = removable && plan.Apply(content.data(), static_cast<int64_t>(content.size())) &&
                      DeflateToLength(content, form, len, pad, stripped) && (!takes || takes(stripped));
    for (PositionFind& f : finds) {
        f.pos = at;
        f.len = len;
        if (removable && !fits) f.removable = false, f.why = FindWhy::CompressedDoesNotFit;
        Add(f, c);
    }
    if (!fits) return;
    StripPlan rewrite;
    rewrite.fills.push_back({rewrite.AddMap(stream), 0, len, 0, std::string(stripped.begin(), stripped.end())});
    m_out.plan.Append(rewrite);
}

void Sink::IptcPlaces(ByteRange irb, const Carrier& c) {
    const IptcScan x = ScanIptcPlaces(m_file, irb, {-1, 0}, m_opt.placeNames);
    AddPayload(x.finds, x.plan, c);
}

void Sink::Flir(const ContentMap& fff, bool piecesInOrder, const Carrier& c) {
    const FlirScan x = ScanFff(m_file, fff, piecesInOrder);
    AddPayload(x.finds, x.plan, c);
}

void Sink::AddPayload(const std::vector<PositionFind>& finds, const StripPlan& plan, const Carrier& c) {
    if (finds.empty()) return;
    for (const PositionFind& f : finds) Add(f, c);
    m_out.plan.Append(plan);
}

bool Sink::Opaque(ByteRange r, FindKind kind, FindWhy whyGps, FindWhy whyIso6709, const Carrier& c) {
    PositionFind f;
    if (!OpaqueFind(m_file, r, kind, whyGps, whyIso6709, m_opt.placeNames, f)) return false;
    Add(f, c);
    return true;
}

bool Sink::OpaqueHeld(const std::vector<uint8_t>& bytes, ByteRange at, FindWhy why, const Carrier& c,
                      bool compressed) {
    PositionFind f;
    const ByteReader held(bytes.data(), static_cast<int64_t>(bytes.size()));
    if (!OpaqueFind(held, {0, held.Length()}, FindKind::Unparsed, why, why, m_opt.placeNames, f, compressed))
        return false;
    f.pos = at.pos;
    f.len = at.len;
    Add(f, c);
    return true;
}

void Sink::AddHeld(std::vector<PositionFind> finds, const std::function<ByteRange(const PositionFind&)>& where,
                   const Carrier& c, FindWhy unfit) {
    for (PositionFind& f : finds) {
        const ByteRange r = where(f);
        f.pos = r.pos;
        f.len = r.len;
        // A file of its own inside this one, whose segments are no bytes of it.
        f.wholeFile = false;
        f.segment = -1;
        if (unfit != FindWhy::None && f.removable) f.removable = false, f.why = unfit;
        Add(f, f.carrier.empty() ? c : c.Then(f.carrier));
    }
}

bool Sink::AfterEnd(ByteRange whole, bool last, const Carrier& c) {
    // Insta360's trailer ends the file and is known by its last bytes: it
    // is walked (a structure, cleaned rather than cut), and what comes
    // before it is data after the end as ever.
    const int64_t insta = last ? Insta360TrailerStart(m_file, whole) : -1;
    const ByteRange r = insta >= 0 ? ByteRange{whole.pos, insta - whole.pos} : whole;
    bool held = false;
    if (r.len > 0) {
        const Embedded e = FindEmbeddedContainer(m_file, r.pos, r.End());
        const int64_t opaqueEnd = e.kind == Container::None ? r.End() : e.pos;
        held = opaqueEnd > r.pos && Opaque({r.pos, opaqueEnd - r.pos}, FindKind::AfterEnd, FindWhy::AfterEndHoldsGps,
                                           FindWhy::AfterEndHoldsIso6709, c);
        // A cut may drop what follows only the file's own last structure:
        // inside a range another container declares (a raw file's preview,
        // a box), it would cut that container short.
        if (e.kind != Container::None) Walk(e.kind, {e.pos, r.End() - e.pos}, c, false, false);
        else if (last && insta < 0 && m_bounded == 0) m_out.trailer = r.pos;
    }
    // News photo tools' AFCP trailer keeps a copy of the IPTC, place names and captions among them.
    if (last && insta < 0) {
        const IptcScan x = ScanAfcpIptc(m_file, whole, m_opt.placeNames);
        AddPayload(x.finds, x.plan, c.Then("AFCP trailer"));
    }
    if (insta >= 0) WalkInsta360Trailer({insta, whole.End() - insta}, c.Then("Insta360 trailer"), *this);
    return held;
}

void Sink::StrayTiff(int64_t tiff, int64_t end, const Carrier& c) {
    PositionFind f(FindKind::Container, tiff, false, FindWhy::NotReadYet);
    f.container = Container::Tiff;
    f.len = end - tiff;
    Add(f, c);
}

void Sink::StrayTiffIn(ByteRange r, int64_t reach, const Carrier& c) {
    if (const int64_t tiff = FindTiffHeader(m_file, r.pos, r.pos + std::min(r.len, reach)); tiff >= 0)
        StrayTiff(tiff, r.End(), c);
}

void Sink::Unexplained(ByteRange r, FindWhy whyGps, FindWhy whyIso6709, const Carrier& c) {
    if (r.len <= 0) return;
    Opaque(r, FindKind::Unparsed, whyGps, whyIso6709, c);
    StrayTiffIn(r, r.len, c);
}

void Sink::NotTakenApart(ByteRange whole, const Carrier& c) {
    PositionFind f(FindKind::Container, whole.pos, false, FindWhy::NotTakenApart);
    f.container = m_walking == Container::None ? Container::Unknown : m_walking;
    f.wholeFile = whole.pos == 0 && whole.len == m_file.Length();
    f.len = whole.len;
    Add(f, c);
}

void Sink::Nested(Container kind, ByteRange r, const Carrier& c, bool wholeFile) {
    Walk(kind, r, c, wholeFile, !wholeFile);
}

void Sink::Nested(Container kind, ByteRange r, const Carrier& c, const Around& around) {
    const size_t before = m_out.finds.size();
    Nested(kind, r, c);
    const auto first = m_out.finds.begin() + static_cast<std::ptrdiff_t>(before);
    if (std::none_of(first, m_out.finds.end(), [](const PositionFind& x) { return x.removable; })) return;
    if (around.intact) {
        m_out.plan.Append(around.fixUps);
        return;
    }
    for (auto it = first; it != m_out.finds.end(); ++it)
        if (it->removable) it->removable = false, it->why = around.why;
}

bool Sink::FileAt(ByteRange r, const Carrier& c) {
    constexpr int64_t kMaxCopy = int64_t{64} << 20;
    const Container kind = RecogniseContainer(m_file, r.pos, r.End(), true);
    const ContainerRow* row = ContainerRowOf(kind);
    if (row == nullptr) return false;
    if (!row->fileOnly || r.pos == 0) {
        Nested(kind, r, c);
        return true;
    }
    const bool text = kind == Container::Xml || kind == Container::Json || kind == Container::Svg ||
                      kind == Container::XmpFile || kind == Container::Subtitles;
    const uint8_t* p = r.len <= kMaxCopy ? m_file.Span(r.pos, r.len) : nullptr;
    const std::vector<uint8_t> copy = p != nullptr ? std::vector<uint8_t>(p, p + r.len) : std::vector<uint8_t>{};
    LocateResult inner;
    if (p == nullptr || !LocateHeld(ByteReader(copy.data(), r.len), m_opt.placeNames, inner, true)) {
        // Too large to copy, or nested too deep: a text follows the opaque
        // rule; what else it holds (an archive's compressed photos) cannot
        // be known.
        if (text) return false;
        PositionFind f(FindKind::Container, r.pos, false, FindWhy::NotTakenApart);
        f.container = kind;
        f.len = r.len;
        Add(f, c);
        return true;
    }
    // Text that only looked like a document (a page's fragment, broken
    // JSON) is text of no known format.
    if (text && inner.finds.size() == 1 && inner.finds[0].wholeFile && inner.finds[0].kind == FindKind::Container)
        return false;
    const StripPlan plan = PlanStrip(inner, GpsStripMode{});
    // A file of its own inside this one, whose segments are no bytes of it.
    for (PositionFind& f : inner.finds) f.wholeFile = false, f.segment = -1;
    AddInContent(std::move(inner.finds), plan, ContentMap(r), c);
    return true;
}

void Sink::Walk(Container kind, ByteRange r, const Carrier& c, bool wholeFile, bool bounded) {
    const ContainerRow* row = ContainerRowOf(kind);
    // A file that nests containers deeper than any camera does is not
    // followed (each level could hold the next).
    constexpr int kMaxNesting = 8;
    if (row != nullptr && row->walk != nullptr && m_nesting < kMaxNesting) {
        ++m_nesting;
        m_bounded += bounded ? 1 : 0;
        const Container outer = m_walking;
        m_walking = kind;
        row->walk(r, c, *this);
        m_walking = outer;
        m_bounded -= bounded ? 1 : 0;
        --m_nesting;
        return;
    }
    PositionFind f(FindKind::Container, r.pos, false, FindWhy::NotReadYet);
    f.container = kind;
    f.wholeFile = wholeFile;
    f.len = r.len;
    Add(f, c);
}
