#include "locate/Locator.h"

#include "exif/ExifReader.h"
#include "locate/Containers.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"

#include <algorithm>

bool LocateResult::InTrailer(const PositionFind& f) const {
    // Opaque data after the end: a position's text, or with place names a place's.
    return trailer >= 0 && f.pos >= trailer && (f.kind == FindKind::AfterEnd || f.why == FindWhy::PlaceTextUnparsed);
}

bool LocateResult::CanClean(bool dropTrailer) const {
    return std::all_of(finds.begin(), finds.end(), [&](const PositionFind& f) {
        return f.removable || (dropTrailer && InTrailer(f));
    });
}

namespace {

// True when the GPS IFD the window's analysis `a` reads is one the walk
// took apart.
bool WindowGpsWalked(const ExifAnalysis& a, const LocateResult& out) {
    for (const TiffScan& t : out.tiffs)
        for (const GpsIfdScan& g : t.gps)
            if ((t.content.Empty() ? g.pos : t.content.FilePos(g.pos)) == a.m_nGpsPos) return true;
    return false;
}

// The window's analysis `a` shows a GPS IFD with a value that the walk
// did not take apart.
bool WindowSeesUnwalkedGps(const ExifAnalysis& a, const LocateResult& out) {
    if (a.m_nGpsState != kGpsData || WindowGpsWalked(a, out)) return false;
    for (int i = 0; i < a.m_nGpsDone; ++i)
        if (a.m_Gps[i].m_nType >= 1 && a.m_Gps[i].m_nType <= 13) return true;
    return false;
}

// Calls f(range) for each file range a strip of `r` in `mode` changes, as
// PlanStrip's plan would (unsorted, perhaps overlapping), until f answers
// true; true then. Nothing is copied: a check asks this of every photo.
template <class F>
bool AnyStripRange(const LocateResult& r, const GpsStripMode& mode, F f) {
    const StripPlan& plan = r.plan;
    for (const StripFill& fill : plan.fills) {
        bool hit = false;
        plan.maps[static_cast<size_t>(fill.map)].ForEachPlace(fill.off, fill.len, [&](int64_t pos, int64_t, int64_t n) {
            hit = hit || f(ByteRange{pos, n});
        });
        if (hit) return true;
    }
    for (const StripFixUp& x : plan.fixUps)
        for (int64_t pos : x.at)
            if (f(ByteRange{pos, x.Size()})) return true;
    std::vector<ByteRange> zero;
    for (const TiffScan& t : r.tiffs) {
        zero.clear();
        for (const GpsIfdScan& g : t.gps)
            if (g.positions > 0) PlanGpsStrip(t, g, mode, zero);
        for (const ByteRange& z : zero) {
            if (t.content.Empty()) {
                if (f(z)) return true;
                continue;
            }
            bool hit = false;
            t.content.ForEachPlace(z.pos, z.len, [&](int64_t pos, int64_t, int64_t n) { hit = hit || f(ByteRange{pos, n}); });
            if (hit) return true;
        }
    }
    return false;
}

// True when a strip of `out` would change the bytes the window's analysis
// `a` takes its structure from: the first "Exif" of the file's head, the
// TIFF header after it, the 0th IFD's table, and the table of a GPS IFD
// that no walk took apart (whose entries the strip could turn into ones
// the window shows). The window would then read another structure, which
// no walk looked at. A strip that only cleans the file with a cut of its
// trailer counts too.
bool StripMovesWindowView(const ByteReader& file, const ExifAnalysis& a, const LocateResult& out) {
    if (a.m_nByteOrder == 0 || out.Clean() || !out.CanClean(true)) return false;
    int64_t sig = -1;
    for (int64_t p = 0; p < kExifScanLimit && sig < 0; ++p)
        if (file.Matches(p, 'E', 'x', 'i', 'f')) sig = p;
    std::vector<ByteRange> read = {{sig, 4}, {a.m_nTiffPos, 8}};
    if (a.m_nIfd0Pos >= 0) read.push_back({a.m_nIfd0Pos, kClassicTiff.Table(static_cast<uint64_t>(a.m_nIfd0Count))});
    if (a.m_nGpsState != kGpsNone && a.m_nGpsPos >= 0 && !WindowGpsWalked(a, out))
        read.push_back({a.m_nGpsPos, kClassicTiff.Table(kMaxEntriesDone)});
    return AnyStripRange(out, {}, [&](const ByteRange& s) {
        return s.len > 0 && std::any_of(read.begin(), read.end(), [&](const ByteRange& r) {
            return r.pos >= 0 && s.pos < r.End() && r.pos < s.End();
        });
    });
}

// True when [from, to) holds a byte other than the zeros and 0xFF bytes
// files are padded with.
bool HoldsMoreThanPadding(const ByteReader& file, int64_t from, int64_t to) {
    return ForEachPiece(file, from, to - from, 0, [](const uint8_t* p, int64_t, int64_t n) {
        return std::any_of(p, p + n, [](uint8_t b) { return b != 0x00 && b != 0xFF; });
    }, 4096);
}

}  // namespace

void LocatePositions(const ByteReader& file, LocateResult& out, LocateDepth depth,
                     const ExifAnalysis* window, ScanEnds* ends, const LocateOptions& opt) {
    out = LocateResult{};
    const int64_t len = file.Length();
    // The file is a container like any other, recognised by its first
    // bytes; nothing at all is a file that holds nothing.
    const Container kind = len > 0 ? RecogniseContainer(file, 0, len) : Container::None;
    if (len > 0) {
        Sink sink(file, depth, ends, out, opt);
        sink.Nested(kind == Container::None ? Container::Unknown : kind, {0, len}, Carrier{}, true);
    }
    // Without walking the scans, a JPEG's pictures are taken to end at its
    // last EOI marker. Data after it that is more than padding means that
    // marker may lie inside something appended (a clip's media data, with
    // the clip's boxes before it): the scans are walked then, as a
    // thorough walk does, to find where the pictures end.
    if (depth == LocateDepth::Metadata && kind == Container::Jpeg && out.trailer >= 0 &&
        HoldsMoreThanPadding(file, out.trailer, len)) {
        LocatePositions(file, out, LocateDepth::Thorough, window, ends, opt);
        return;
    }

    // The window's analysis reads the first 200 bytes and offsets from the
    // whole file: whatever GPS IFD it sees in a JPEG, in a RAF (whose
    // preview's Exif starts in those bytes), or in a file of no known
    // format, must be among the finds. (In another container its scan for
    // "Exif" may meet any bytes, a box's type or a clip's, which a strip
    // elsewhere can change.)
    if (len <= kMaxFileLen && (kind == Container::Jpeg || kind == Container::Raf || kind == Container::None)) {
        ExifAnalysis own{};
        if (window == nullptr) AnalyzeExif(own, file, TagNameTable{}, ExifDetail::Layout);
        const ExifAnalysis& a = window != nullptr ? *window : own;
        if (WindowSeesUnwalkedGps(a, out))
            out.finds.emplace_back(FindKind::ExifGps, a.m_nGpsPos, false, FindWhy::GpsIfdOutsideSegments);
        if (StripMovesWindowView(file, a, out))
            out.finds.emplace_back(FindKind::ExifGps, a.m_nTiffPos, false, FindWhy::StripMovesWindowView);
        // A cut changes what the window reads from offsets: a file that
        // would show it a position once cut keeps its trailer.
        if (out.trailer >= 0 && out.CanClean(true)) {
            ExifAnalysis cut{};
            AnalyzeExif(cut, file.Prefix(out.trailer), TagNameTable{}, ExifDetail::Layout);
            if (WindowSeesUnwalkedGps(cut, out)) out.trailer = -1;
        }
    }
}

StripPlan PlanStrip(const LocateResult& r, const GpsStripMode& mode) {
    StripPlan plan = r.plan;
    for (const TiffScan& t : r.tiffs) {
        std::vector<ByteRange> zero;
        for (const GpsIfdScan& g : t.gps)
            if (g.positions > 0) PlanGpsStrip(t, g, mode, zero);
        for (const ByteRange& z : zero) {
            if (t.content.Empty()) plan.Zero(z);
            else
                for (const ByteRange& f : t.content.FileRanges(z.pos, z.len)) plan.Zero(f);
        }
    }
    return plan;
}

std::vector<ByteRange> StripRanges(const LocateResult& r, const GpsStripMode& mode) {
    return PlanStrip(r, mode).Ranges();
}

bool StripPositions(uint8_t* buf, int64_t len, const LocateResult& r, const GpsStripMode& mode,
                    bool dropTrailer) {
    return buf != nullptr && r.CanClean(dropTrailer) && PlanStrip(r, mode).Apply(buf, len);
}

bool LocateHeld(const ByteReader& bytes, bool placeNames, LocateResult& out, bool copy) {
    // Held bytes inside held bytes: another form (inflated, decoded) may
    // hold the next level, a copy of a file inside a file is smaller.
    static thread_local int forms = 0, copies = 0;
    constexpr int kMaxForms = 2, kMaxCopies = 4;
    int& nesting = copy ? copies : forms;
    if (nesting >= (copy ? kMaxCopies : kMaxForms)) return false;
    ++nesting;
    LocatePositions(bytes, out, LocateDepth::Thorough, nullptr, nullptr, {placeNames});
    --nesting;
    return true;
}

int LocateHeldBytes(const uint8_t* p, int64_t n, bool placeNames) {
    LocateResult r;
    return LocateHeld(ByteReader(p, n), placeNames, r) ? static_cast<int>(r.finds.size()) : -1;
}
