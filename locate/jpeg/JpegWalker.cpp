#include "locate/jpeg/JpegWalker.h"

#include "locate/Containers.h"
#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Sink.h"
#include "locate/jpeg/JpegPayloads.h"
#include "locate/jpeg/JpegSegments.h"
#include "locate/payload/TimedGps.h"
#include "locate/psd/PsdWalker.h"
#include "locate/vrd/VrdWalker.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr uint8_t kApp0 = 0xE0, kApp1 = 0xE1, kApp2 = 0xE2, kApp6 = 0xE6, kApp11 = 0xEB, kApp12 = 0xEC, kApp13 = 0xED,
                  kApp15 = 0xEF;
constexpr uint8_t kCom = 0xFE;
constexpr char kGoProSig[] = "GoPro";  // and its NUL: 6 bytes
constexpr char kParrotSig[] = "PARROT";  // and its NUL: 7 bytes
constexpr char kPhotoshopSig[] = "Photoshop 3.0";  // NUL included: 14 bytes
constexpr char kMpfSig[] = {'M', 'P', 'F', 0};
constexpr char kExvSig[] = {'\xFF', '\x01', 'E', 'x', 'i', 'v', '2'};
constexpr int64_t kExvHeader = sizeof kExvSig;
constexpr uint16_t kTagMpEntry = 0xB002;
constexpr int kMaxPictures = 64;

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

// "APP1 #3": the third APP1 segment of its picture.
std::string SegmentName(const JpegPicture& p, size_t index) {
    const uint8_t m = p.segments[index].marker;
    int n = 0;
    for (size_t i = 0; i <= index; ++i) n += p.segments[i].marker == m;
    if (m >= kApp0 && m <= kApp15) return "APP" + std::to_string(m - kApp0) + " #" + std::to_string(n);
    if (m == kCom) return "COM #" + std::to_string(n);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", m);
    return std::string("FF") + hex + " #" + std::to_string(n);
}

// A comment segment's text, a find when it names a coordinate.
bool CommentNamesCoordinate(Sink& sink, const JpegSegment& s, const Carrier& c) {
    return TextFindAt(sink, {s.payload, s.payloadLen}, "comment", c);
}

// Photoshop's "Save for Web" block (APP12 "Ducky"): records of a 16-bit
// tag and length, up to a tag 0; its comment (tag 2) is a count, then
// UTF-16 text. True when that comment names a coordinate: it is a find,
// blanked with zeros.
bool DuckyCommentNamesCoordinate(Sink& sink, const JpegSegment& s, const Carrier& c) {
    const ByteReader be = sink.File().WithOrder(ByteReader::kBigEndian);
    const int64_t end = s.payload + s.payloadLen;
    uint16_t tag = 0, len = 0;
    for (int64_t pos = s.payload + 5; end - pos >= 4 && be.U16(pos, tag) && tag != 0 && be.U16(pos + 2, len) &&
                                      len <= end - pos - 4;
         pos += 4 + len) {
        if (tag != 2 || len <= 4) continue;
        return Utf16TextAt(sink, {pos + 8, len - 4}, true, "comment", c) == TextRead::Find;
    }
    return false;
}

// One picture's segments and stray bytes; the MPF index's pictures go to `mpf`.
void LocatePicture(const JpegPicture& p, const Carrier& c, Sink& sink, std::vector<ByteRange>* mpf) {
    const ByteReader& file = sink.File();
    std::vector<PositionFind>& finds = sink.Result().finds;
    const size_t first = finds.size();
    const Carrier between = p.skipped.empty() ? c : c.Then("between segments");
    for (const ByteRange& b : p.skipped)
        sink.Unexplained(b, FindWhy::StrayBytesHoldGps, FindWhy::StrayBytesHoldIso6709, between);
    for (const JpegSegment& s : p.segments) {
        const int64_t exif = s.marker == kApp1 ? ExifBlockStart(file, s) : -1;
        if (exif >= 0)
            sink.Tiff(exif, s.payload + s.payloadLen, c, ExifBlock());
        else if (s.marker == kApp11 && PayloadStartsWith(file, s, "JP", 2))
            // A JUMBF box (a C2PA manifest): signed, so a position in it stays.
            sink.Opaque({s.payload, s.payloadLen}, FindKind::Unparsed, FindWhy::ManifestHoldsPosition,
                        FindWhy::ManifestHoldsPosition, c);
        else if (s.marker == kApp6 && PayloadStartsWith(file, s, kGoProSig, sizeof kGoProSig)) {
            // GoPro's metadata (GPMF), which may hold a GPS stream as its clips' samples do.
            const int64_t sig = sizeof kGoProSig;
            const TimedGpsScan g = ScanTimedGps(file, TimedFormat::Gpmf, {{s.payload + sig, s.payloadLen - sig}});
            sink.AddPayload(g.finds, g.plan, c);
        } else if (s.marker == kApp13 && PayloadStartsWith(file, s, kPhotoshopSig, sizeof kPhotoshopSig)) {
            // Photoshop's image resources, as a PSD holds them: an Exif
            // resource there is read as the photo's Exif.
            const int64_t sig = sizeof kPhotoshopSig;
            WalkImageResources({s.payload + sig, s.payloadLen - sig}, c, sink, true);
        } else if (s.marker == kApp2 && PayloadStartsWith(file, s, kMpfSig, sizeof kMpfSig)) {
            if (mpf == nullptr) continue;
            const std::vector<ByteRange> more = MpfPictures(file, s);
            mpf->insert(mpf->end(), more.begin(), more.end());
        } else if (s.marker == kApp1 && PayloadStartsWith(file, s, kParrotSig, sizeof kParrotSig) &&
                   TiffHeaderAt(file, s.payload + sizeof kParrotSig)) {
            // A thermal drone's raw picture, a TIFF file of its own.
            sink.Tiff(s.payload + sizeof kParrotSig, s.payload + s.payloadLen, c);
        } else if (s.marker == kCom && CommentNamesCoordinate(sink, s, c)) {
            // A comment that names a coordinate ("Lat: 35.6586 Lon: 139.7454"),
            // as some loggers and editors write one: blanked with spaces.
        } else if (s.marker == kApp12 && PayloadStartsWith(file, s, "Ducky", 5) &&
                   DuckyCommentNamesCoordinate(sink, s, c)) {
            // The same in Photoshop's Save for Web block: blanked with zeros.
        } else if ((s.marker >= kApp0 && s.marker <= kApp15 && (s.marker != kApp1 || !App1Read(file, s))) ||
                   s.marker == kCom) {
            // A segment no rule reads (a colour profile, a maker's data, a
            // comment). A preview picture some cameras keep in one is
            // compressed data, where "GPS" counts only in readable text.
            const int64_t n = std::min<int64_t>(s.payloadLen, 10);
            const uint8_t* head = file.Span(s.payload, n);
            const uint8_t soi[] = {0xFF, 0xD8, 0xFF};
            const bool preview = head != nullptr && std::search(head, head + n, soi, soi + 3) != head + n;
            PositionFind f;
            if (OpaqueFind(file, {s.payload, s.payloadLen}, FindKind::Unparsed, FindWhy::SegmentUnparsed,
                           FindWhy::SegmentUnparsed, sink.PlaceNames(), f, preview))
                sink.Add(f, c);
            // An APP1 segment whose identifier is damaged beyond what readers
            // take for Exif, a TIFF header after it: not read.
            if (s.marker == kApp1) sink.StrayTiffIn({s.payload, s.payloadLen}, 16, c);
        } else if (s.marker < 0xC0 || (p.truncated && &s == &p.segments.back())) {
            // A marker no JPEG defines, or a segment whose length runs past
            // the end (a byte in a scan damaged into a marker): what it
            // covers may be anything, even a trailer or an Exif block.
            sink.Unexplained({s.payload, s.payloadLen}, FindWhy::SegmentUnparsed, FindWhy::SegmentUnparsed, c);
        }
    }
    LocateXmpAndMakerBlocks(p, c, sink);
    // Each find names the segment that holds it, before the structures
    // inside the segment that hold it (a thumbnail, a resource).
    for (size_t i = first; i < finds.size(); ++i)
        for (size_t k = 0; k < p.segments.size(); ++k) {
            const JpegSegment& s = p.segments[k];
            if (finds[i].pos >= s.pos && finds[i].pos < s.payload + s.payloadLen) {
                std::string& path = finds[i].carrier;
                const bool inside = path.size() > c.path.size() && path.compare(0, c.path.size(), c.path) == 0;
                finds[i].segment = s.pos;
                path = c.Then(SegmentName(p, k)).path + (inside ? path.substr(c.path.size()) : std::string());
            }
        }
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

// The number written after `name` in XMP text, as an attribute's value
// or an element's content; -1 when there is none.
int64_t NumberAfter(const uint8_t* p, int64_t n, int64_t from, std::string_view name) {
    const std::string_view text(reinterpret_cast<const char*>(p), static_cast<size_t>(n));
    const size_t at = text.find(name, static_cast<size_t>(from));
    if (at == std::string_view::npos) return -1;
    size_t i = at + name.size();
    while (i < text.size() && (text[i] == '=' || text[i] == '"' || text[i] == '\'' || text[i] == '>' ||
                               text[i] == ' '))
        ++i;
    int64_t v = -1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && v < (int64_t{1} << 50); ++i)
        v = (v < 0 ? 0 : v * 10) + (text[i] - '0');
    return v;
}

// Where a motion photo's clip or trailer starts as the file names it:
// Samsung's SEF directory, or the clip's length in the XMP, counted back
// from the end (Google's GCamera:MicroVideoOffset, or the Length of the
// Container:Directory item whose semantic is MotionPhoto). A length is
// believed only where a box tree starts; -1 when nothing named parses
// (phones are known to write wrong lengths: the picture is then walked,
// and `wrong` says that a length was named).
int64_t NamedClipStart(const ByteReader& file, const JpegPicture& p, int64_t from, int64_t bound, bool& wrong) {
    if (bound == file.Length() && EndsWithSef(file)) return SefStart(file, from, bound);
    for (const JpegSegment& s : p.segments) {
        if (s.marker != kApp1 || !PayloadStartsWith(file, s, kXmpSignature, kXmpSignatureLen)) continue;
        const uint8_t* x = file.Span(s.payload, s.payloadLen);
        if (x == nullptr) continue;
        int64_t len = NumberAfter(x, s.payloadLen, 0, "MicroVideoOffset");
        if (len < 0) {
            const std::string_view text(reinterpret_cast<const char*>(x), static_cast<size_t>(s.payloadLen));
            const size_t item = text.find("MotionPhoto\"");
            if (item != std::string_view::npos) len = NumberAfter(x, s.payloadLen, static_cast<int64_t>(item), "Length");
        }
        if (len > 0 && len <= bound - from && RecogniseContainer(file, bound - len, bound) == Container::Isobmff)
            return bound - len;
        wrong = wrong || len > 0;
    }
    return -1;
}

// The pictures a Container:Directory names after the main one (Google's
// container, where depth photos and gain maps keep theirs): the items'
// Item:Length values, the items laid end to end up to the file's end.
// Only those that start as a JPEG or a PNG are given (a motion photo's
// clip is found as above); none when the lengths do not fit.
std::vector<ByteRange> DirectoryPictures(const ByteReader& file, const JpegPicture& p, int64_t from, int64_t bound) {
    constexpr size_t kMaxItems = 64;
    std::vector<ByteRange> out;
    for (const JpegSegment& s : p.segments) {
        if (s.marker != kApp1 || !PayloadStartsWith(file, s, kXmpSignature, kXmpSignatureLen)) continue;
        const uint8_t* x = file.Span(s.payload, s.payloadLen);
        if (x == nullptr) continue;
        const std::string_view text(reinterpret_cast<const char*>(x), static_cast<size_t>(s.payloadLen));
        const size_t dir = text.find("Directory");
        if (dir == std::string_view::npos) continue;
        std::vector<int64_t> lens;
        int64_t total = 0;
        for (size_t at = text.find("Item:Length", dir); at != std::string_view::npos && lens.size() < kMaxItems;
             at = text.find("Item:Length", at + 1)) {
            const int64_t len = NumberAfter(x, s.payloadLen, static_cast<int64_t>(at), "Item:Length");
            if (len <= 0) continue;
            lens.push_back(len);
            total += len;
            if (total > bound - from) return {};
        }
        int64_t pos = bound - total;
        for (int64_t len : lens) {
            const Container kind = RecogniseContainer(file, pos, pos + len);
            if (kind == Container::Jpeg || kind == Container::Png) out.push_back({pos, len});
            pos += len;
        }
        return out;
    }
    return out;
}

Carrier PictureCarrier(const Carrier& at, int picture) {
    Carrier c = at.Then("picture " + std::to_string(picture + 1));
    c.picture = picture;
    return c;
}

}  // namespace

void WalkJpegContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& file = sink.File();
    LocateResult& out = sink.Result();
    ScanEnds* const ends = sink.Ends();
    const int64_t start = whole.pos, bound = whole.End();
    bool headOnly = sink.Depth() == LocateDepth::Metadata;
    // Exiv2's metadata file (.exv): its header, then a JPEG's segments
    // without SOI or scans, up to EOI.
    const uint8_t* head7 = bound - start >= kExvHeader ? file.Span(start, kExvHeader) : nullptr;
    const bool exv = head7 != nullptr && std::memcmp(head7, kExvSig, kExvHeader) == 0;
    JpegPicture main;
    if (!WalkJpeg(file, exv ? start + kExvHeader : start, bound, main, headOnly, ends, !exv)) return;
    // A motion photo's video, or Samsung's trailer, follows the picture:
    // the picture ends at the last EOI before where the file says they
    // start, or, where that does not parse, the picture is walked to its end.
    int64_t eoiBound = bound;
    bool wrongLength = false;
    const int64_t head = main.segments.empty() ? main.start + 2
                                               : main.segments.back().payload + main.segments.back().payloadLen;
    if (headOnly && NamesMotionPhoto(file, main)) {
        eoiBound = NamedClipStart(file, main, head, bound, wrongLength);
    }
    if (eoiBound < 0) {
        eoiBound = bound;
        headOnly = false;
        main = JpegPicture{};
        WalkJpeg(file, start, bound, main, false, ends);
    }
    // Pictures the XMP's container directory names, which the head alone
    // would not show: the main picture ends before them.
    const std::vector<ByteRange> items =
        headOnly ? DirectoryPictures(file, main, head, bound) : std::vector<ByteRange>{};
    if (!items.empty()) eoiBound = std::min(eoiBound, items.front().pos);
    std::vector<ByteRange> mpf;
    LocatePicture(main, PictureCarrier(at, at.picture), sink, &mpf);
    mpf.insert(mpf.end(), items.begin(), items.end());
    // Further pictures, each once; their ranges are not data after the end.
    std::vector<ByteRange> covered;
    if (main.end > 0) covered.push_back({start, main.end - start});
    for (const ByteRange& m : mpf) {
        if (m.pos <= start || m.pos >= bound ||
            std::any_of(covered.begin(), covered.end(), [&](const ByteRange& c) { return c.pos == m.pos; }))
            continue;
        const int64_t end = std::min(bound, m.End());
        covered.push_back({m.pos, end - m.pos});
        JpegPicture p;
        const Carrier c = PictureCarrier(at, ++out.pictures - 1);
        if (WalkJpeg(file, m.pos, end, p, headOnly, ends))
            LocatePicture(p, c, sink, nullptr);
        else if (const Container kind = RecogniseContainer(file, m.pos, end); kind != Container::None)
            sink.Nested(kind, {m.pos, end - m.pos}, c);
        else
            sink.Opaque({m.pos, end - m.pos}, FindKind::Unparsed, FindWhy::MpfPictureHoldsGps,
                        FindWhy::MpfPictureHoldsIso6709, c);
    }
    // Pictures appended one after another without an index (a camera's
    // large preview, say) are taken apart like the main one.
    for (int64_t pos = main.end; !headOnly && pos > 0 && pos < bound && out.pictures < kMaxPictures;) {
        uint8_t b0 = 0, b1 = 0;
        if (!file.U8(pos, b0) || !file.U8(pos + 1, b1) || b0 != 0xFF || b1 != 0xD8 ||
            std::any_of(covered.begin(), covered.end(), [&](const ByteRange& c) { return c.pos == pos; }))
            break;
        JpegPicture p;
        WalkJpeg(file, pos, bound, p, false, ends);
        LocatePicture(p, PictureCarrier(at, out.pictures++), sink, nullptr);
        covered.push_back({pos, (p.end > 0 ? p.end : bound) - pos});
        pos = p.end;
    }
    // Without walking the scans, the pictures end at the last EOI marker
    // after the main picture's head.
    if (headOnly) {
        // Canon's recipe data end in an EOI marker of their own: the
        // picture ends before them.
        if (const int64_t vrd = CanonVrdStart(file, head, eoiBound); vrd >= 0) eoiBound = vrd;
        main.end = EndOfLastEoi(file, head, eoiBound);
        // A clip named where no EOI precedes it still follows the picture.
        if (main.end <= 0 && eoiBound < bound) main.end = eoiBound;
        if (main.end > 0) covered.push_back({start, main.end - start});
    }
    if (main.end <= 0) return;
    // Data between and after the pictures; between them, only the first
    // gap holding a position's text is named.
    std::sort(covered.begin(), covered.end(), [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; });
    // What follows is named by where the bytes put it, and says so when
    // the XMP put the clip elsewhere.
    const Carrier after = wrongLength ? at.Then("not where the XMP puts the clip") : at;
    int64_t pos = start;
    bool named = false;
    for (const ByteRange& c : covered) {
        if (c.pos > pos && !named) named = sink.AfterEnd({pos, c.pos - pos}, false, after);
        pos = std::max(pos, c.End());
    }
    if (pos < bound) sink.AfterEnd({pos, bound - pos}, bound == file.Length(), after);
}
