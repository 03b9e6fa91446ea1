#include "locate/Locator.h"

#include "exif/ExifReader.h"
#include "locate/Containers.h"
#include "locate/Opaque.h"
#include "locate/jpeg/ExtendedXmp.h"
#include "locate/jpeg/JpegPayloads.h"
#include "platform/ChangedRuns.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kApp1 = 0xE1, kApp2 = 0xE2;
constexpr char kExifSig[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr char kMpfSig[] = {'M', 'P', 'F', 0};
constexpr uint16_t kTagMpEntry = 0xB002;
constexpr int kMaxPictures = 64;

void AddFind(LocateResult& out, FindKind kind, int picture, int64_t pos, bool removable,
             FindWhy why = FindWhy::None) {
    out.finds.push_back({kind, picture, pos, removable, why});
}

void AddContainer(LocateResult& out, Container c, int picture, int64_t pos, bool wholeFile) {
    PositionFind f{FindKind::Container, picture, pos, false, FindWhy::NotReadYet};
    f.container = c;
    f.wholeFile = wholeFile;
    out.finds.push_back(f);
}

// Opaque bytes holding a position's text: a find of `kind` at pos, for
// the reason that text gives. False when they hold none.
bool AddOpaque(const ByteReader& file, int64_t pos, int64_t n, FindKind kind, int picture,
               FindWhy whyGps, FindWhy whyIso6709, LocateResult& out) {
    const OpaqueText t = OpaqueHolds(file, pos, n);
    if (t == OpaqueText::None) return false;
    AddFind(out, kind, picture, pos, false, t == OpaqueText::Gps ? whyGps : whyIso6709);
    return true;
}

// Data between or after the pictures, [pos, end): a container in it is a
// find of its own; the bytes before it are opaque. With `last`, the data
// runs to the file's end, and without a container a cut may drop it.
// False when the opaque part held no position's text.
bool LocateAfterEnd(const ByteReader& file, int64_t pos, int64_t end, bool last, LocateResult& out) {
    const Embedded e = FindEmbeddedContainer(file, pos, end);
    const int64_t opaqueEnd = e.kind == Container::None ? end : e.pos;
    const bool held = opaqueEnd > pos &&
                      AddOpaque(file, pos, opaqueEnd - pos, FindKind::AfterEnd, 0,
                                FindWhy::AfterEndHoldsGps, FindWhy::AfterEndHoldsIso6709, out);
    if (e.kind != Container::None) AddContainer(out, e.kind, 0, e.pos, false);
    else if (last) out.trailer = pos;
    return held;
}

// A GPS IFD outside its segment is read by the window, which takes offsets
// from the whole file: it counts when its first entry there has a value.
bool OutsideIfdHoldsPosition(const ByteReader& file, const TiffScan& t, const GpsIfdScan& g) {
    const ByteReader r =
        file.WithOrder(t.bigEndian ? ByteReader::kBigEndian : ByteReader::kLittleEndian);
    uint16_t count = 0, type = 0;
    return r.U16(g.pos, count) && count > 0 && r.U16(g.pos + 4, type) && type >= 1 && type <= 13;
}

void LocateExif(const ByteReader& file, const JpegSegment& s, int picture, LocateResult& out) {
    TiffScan t;
    if (!ScanTiff(file, s.payload + sizeof kExifSig, s.payload + s.payloadLen, t)) return;
    for (const GpsIfdScan& g : t.gps) {
        if (g.outsideSegment) {
            if (OutsideIfdHoldsPosition(file, t, g))
                AddFind(out, FindKind::ExifGps, picture, g.pos, false, FindWhy::GpsIfdOutsideSegment);
        } else if (g.positions > 0) {
            AddFind(out, FindKind::ExifGps, picture, g.pos, !g.overlaps,
                    g.overlaps ? FindWhy::GpsIfdSharesBytes : FindWhy::None);
        }
    }
    out.tiffs.push_back(std::move(t));
}

// The further pictures an MPF index names: their file ranges.
std::vector<ByteRange> MpfPictures(const ByteReader& file, const JpegSegment& s) {
    std::vector<ByteRange> out;
    const int64_t tiff = s.payload + 4;
    const int64_t blockEnd = s.payload + s.payloadLen;
    if (blockEnd - tiff < 8) return out;
    const bool mm = file.Matches(tiff, 'M', 'M', 0x00, 0x2A);
    if (!mm && !file.Matches(tiff, 'I', 'I', 0x2A, 0x00)) return out;
    const ByteReader r(file.Span(tiff, blockEnd - tiff), blockEnd - tiff,
                       mm ? ByteReader::kBigEndian : ByteReader::kLittleEndian);
    uint32_t ifd = 0;
    uint16_t count = 0;
    if (!r.U32(4, ifd) || !r.U16(ifd, count)) return out;
    for (int64_t i = 0; i < count; ++i) {
        const int64_t e = int64_t{ifd} + 2 + 12 * i;
        uint16_t tag = 0;
        uint32_t n = 0, value = 0;
        if (!r.U16(e, tag) || !r.U32(e + 4, n) || !r.U32(e + 8, value)) break;
        if (tag != kTagMpEntry) continue;
        for (int64_t k = 0; k < int64_t{n} / 16 && k < kMaxPictures; ++k) {
            uint32_t size = 0, offset = 0;
            const int64_t m = int64_t{value} + 16 * k;
            if (!r.U32(m + 4, size) || !r.U32(m + 8, offset)) break;
            // Offset 0 names the picture holding the index itself.
            if (offset == 0) continue;
            out.push_back({tiff + int64_t{offset}, int64_t{size}});
        }
    }
    return out;
}

// Finds of one picture's segments; the MPF index's pictures go to `mpf`.
void LocatePicture(const ByteReader& file, const JpegPicture& p, int picture, LocateResult& out,
                   std::vector<ByteRange>* mpf) {
    const size_t first = out.finds.size();
    for (const ByteRange& b : p.skipped) {
        AddOpaque(file, b.pos, b.len, FindKind::Unparsed, picture, FindWhy::StrayBytesHoldGps,
                  FindWhy::StrayBytesHoldIso6709, out);
        // An Exif block whose segment header was damaged: readers that
        // look for a TIFF header anywhere still read its GPS IFD.
        if (const int64_t tiff = FindTiffHeader(file, b.pos, b.pos + b.len); tiff >= 0)
            AddContainer(out, Container::Tiff, picture, tiff, false);
    }
    for (const JpegSegment& s : p.segments) {
        if (s.marker == kApp1 && PayloadStartsWith(file, s, kExifSig, sizeof kExifSig))
            LocateExif(file, s, picture, out);
        else if (s.marker == kApp2 && mpf != nullptr &&
                 PayloadStartsWith(file, s, kMpfSig, sizeof kMpfSig)) {
            const std::vector<ByteRange> more = MpfPictures(file, s);
            mpf->insert(mpf->end(), more.begin(), more.end());
        }
    }
    LocateXmpAndMakerBlocks(file, p, picture, out);
    for (size_t i = first; i < out.finds.size(); ++i)
        for (const JpegSegment& s : p.segments)
            if (out.finds[i].pos >= s.pos && out.finds[i].pos < s.payload + s.payloadLen)
                out.finds[i].segment = s.pos;
}

// A picture whose XMP names a motion photo, or a file ending in Samsung's
// trailer: what follows the picture must be found at any depth.
bool NamesMotionPhoto(const ByteReader& file, const JpegPicture& p) {
    if (EndsWithSef(file)) return true;
    for (const JpegSegment& s : p.segments)
        if (s.marker == kApp1 && PayloadStartsWith(file, s, kXmpSignature, kXmpSignatureLen)) {
            const uint8_t* x = file.Span(s.payload, s.payloadLen);
            if (x != nullptr && TextNamesMotionPhoto(x, s.payloadLen)) return true;
        }
    return false;
}

}  // namespace

bool LocateResult::InTrailer(const PositionFind& f) const {
    return trailer >= 0 && f.kind == FindKind::AfterEnd && f.pos >= trailer;
}

bool LocateResult::CanClean(bool dropTrailer) const {
    return std::all_of(finds.begin(), finds.end(), [&](const PositionFind& f) {
        return f.removable || (dropTrailer && InTrailer(f));
    });
}

void LocatePositions(const ByteReader& file, LocateResult& out, LocateDepth depth,
                     const ExifAnalysis* window, ScanEnds* ends) {
    out = LocateResult{};
    const int64_t len = file.Length();
    bool headOnly = depth == LocateDepth::Metadata;
    JpegPicture main;
    if (!WalkJpeg(file, 0, len, main, headOnly, ends)) {
        // Not a JPEG from its first byte: nothing was taken apart.
        if (len > 0) {
            const Container c = RecogniseContainer(file, 0, len);
            AddContainer(out, c == Container::None ? Container::Unknown : c, 0, 0, true);
        }
    } else {
        // A motion photo's video, or Samsung's trailer, follows the picture:
        // walk it to its end to find where they begin.
        if (headOnly && NamesMotionPhoto(file, main)) {
            headOnly = false;
            main = JpegPicture{};
            WalkJpeg(file, 0, len, main, false, ends);
        }
        std::vector<ByteRange> mpf;
        LocatePicture(file, main, 0, out, &mpf);
        // Further pictures, each once; their ranges are not data after the end.
        std::vector<ByteRange> covered;
        if (main.end > 0) covered.push_back({0, main.end});
        for (const ByteRange& m : mpf) {
            if (m.pos <= 0 || m.pos >= len ||
                std::any_of(covered.begin(), covered.end(),
                            [&](const ByteRange& c) { return c.pos == m.pos; }))
                continue;
            const int64_t bound = std::min(len, m.pos + m.len);
            covered.push_back({m.pos, bound - m.pos});
            JpegPicture p;
            const int picture = ++out.pictures - 1;
            if (WalkJpeg(file, m.pos, bound, p, headOnly, ends)) {
                LocatePicture(file, p, picture, out, nullptr);
            } else if (const Container c = RecogniseContainer(file, m.pos, bound); c != Container::None) {
                AddContainer(out, c, picture, m.pos, false);
            } else {
                AddOpaque(file, m.pos, bound - m.pos, FindKind::Unparsed, picture,
                          FindWhy::MpfPictureHoldsGps, FindWhy::MpfPictureHoldsIso6709, out);
            }
        }
        // Pictures appended one after another without an index (a camera's
        // large preview, say) are taken apart like the main one.
        for (int64_t at = main.end; !headOnly && at > 0 && at < len && out.pictures < kMaxPictures;) {
            uint8_t b0 = 0, b1 = 0;
            if (!file.U8(at, b0) || !file.U8(at + 1, b1) || b0 != 0xFF || b1 != 0xD8 ||
                std::any_of(covered.begin(), covered.end(),
                            [&](const ByteRange& c) { return c.pos == at; }))
                break;
            JpegPicture p;
            WalkJpeg(file, at, len, p, false, ends);
            LocatePicture(file, p, out.pictures++, out, nullptr);
            covered.push_back({at, (p.end > 0 ? p.end : len) - at});
            at = p.end;
        }
        // Without walking the scans, the pictures end at the file's last
        // EOI marker after the main picture's head.
        if (headOnly) {
            const int64_t head = main.segments.empty()
                ? main.start + 2
                : main.segments.back().payload + main.segments.back().payloadLen;
            main.end = EndOfLastEoi(file, head, len);
            if (main.end > 0) covered.push_back({0, main.end});
        }
        // Data after the last picture's end.
        if (main.end > 0) {
            std::sort(covered.begin(), covered.end(),
                      [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; });
            // Between pictures, only the first gap holding a position's
            // text is named.
            int64_t at = 0;
            bool named = false;
            for (const ByteRange& c : covered) {
                if (c.pos > at && !named) named = LocateAfterEnd(file, at, c.pos, false, out);
                at = std::max(at, c.pos + c.len);
            }
            if (at < len) LocateAfterEnd(file, at, len, true, out);
        }
    }

    // The window's analysis reads the first 200 bytes and offsets from the
    // whole file: whatever GPS IFD it sees must be among the finds.
    if (len <= kMaxFileLen) {
        ExifAnalysis own{};
        if (window == nullptr) AnalyzeExif(own, file, TagNameTable{});
        const ExifAnalysis& a = window != nullptr ? *window : own;
        if (a.m_nGpsState == kGpsData) {
            bool walked = false;
            for (const TiffScan& t : out.tiffs)
                for (const GpsIfdScan& g : t.gps)
                    if (g.pos == a.m_nGpsPos) walked = true;
            bool holds = false;
            for (int i = 0; i < a.m_nGpsDone; ++i)
                if (a.m_Gps[i].m_nType >= 1 && a.m_Gps[i].m_nType <= 13) holds = true;
            if (!walked && holds)
                AddFind(out, FindKind::ExifGps, 0, a.m_nGpsPos, false, FindWhy::GpsIfdOutsideSegments);
        }
    }
}

StripPlan PlanStrip(const LocateResult& r, const GpsStripMode& mode) {
    StripPlan plan = r.plan;
    std::vector<ByteRange> zero;
    for (const TiffScan& t : r.tiffs)
        for (const GpsIfdScan& g : t.gps)
            if (g.positions > 0) PlanGpsStrip(t, g, mode, zero);
    for (const ByteRange& z : zero) plan.Zero(z);
    return plan;
}

std::vector<ByteRange> StripRanges(const LocateResult& r, const GpsStripMode& mode) {
    return PlanStrip(r, mode).Ranges();
}

bool StripPositions(uint8_t* buf, int64_t len, const LocateResult& r, const GpsStripMode& mode,
                    bool dropTrailer) {
    return buf != nullptr && r.CanClean(dropTrailer) && PlanStrip(r, mode).Apply(buf, len);
}
