#include "locate/jpeg/JpegPayloads.h"

#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/jpeg/ExtendedXmp.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr uint8_t kApp1 = 0xE1;
constexpr int64_t kFlirSegmentHeader = 3;  // 0x01, index, last index

// An APP1 segment that readers take for XMP under another header: it
// starts "http" or "XMP\0" (the standard and extension headers are read
// as such before), or holds "<exif:" or "<?xpacket". Exif (which may hold
// XMP in a tag), FLIR, Casio's and Parrot's segments are not. Gives where
// its XMP is read from, its first '<' (after the header); -1 when it is none.
int64_t OtherXmpStart(const ByteReader& file, const JpegSegment& s) {
    if (ExifBlockStart(file, s) >= 0) return -1;
    for (std::string_view sig : {std::string_view("FLIR\0", 5), std::string_view("QVCI\0", 5),
                                 std::string_view("PARROT\0", 7)})
        if (PayloadStartsWith(file, s, sig.data(), static_cast<int64_t>(sig.size()))) return -1;
    const bool header = PayloadStartsWith(file, s, "http", 4) || PayloadStartsWith(file, s, "XMP\0", 4);
    const int64_t open = FirstHit(file, s.payload, s.payloadLen, {"<"}, [](int64_t, int) { return true; });
    if (header) return open >= 0 ? open : s.payload;
    return open >= 0 && FirstHit(file, open, s.payload + s.payloadLen - open, {"<exif:", "<?xpacket"},
                                 [](int64_t, int) { return true; }) >= 0
               ? open
               : -1;
}

// An APP1 segment read as XMP only for the "<exif:" it holds, whose
// strip would blank every "<exif:": readers then take the segment for
// none, and its other bytes for opaque ones. When they would hold a
// position's text, the find that says so is made now (a second walk
// would make it after the strip).
void OpaqueOnceStripped(Sink& sink, const JpegSegment& s, int64_t from, const Carrier& c) {
    const ByteReader& file = sink.File();
    const int64_t n = s.payloadLen;
    const uint8_t* p = file.Span(s.payload, n);  // copied at once: a later read may give its pages back
    if (p == nullptr) return;
    std::vector<uint8_t> copy(p, p + n);
    const ByteReader held(copy.data(), n);
    XmpDoc doc;
    doc.map = ContentMap({from - s.payload, s.payload + n - from});
    doc.reportAt = {from - s.payload, s.payload + n - from};
    const XmpScan x = ScanXmpDocs(held, {doc}, false, sink.PlaceNames());
    // Still read as XMP once stripped (a header, a packet's mark): readers
    // read it as this walk does.
    if (x.finds.empty() || !x.plan.Apply(copy.data(), n) || OtherXmpStart(held, {s.marker, 0, 0, n}) >= 0) return;
    PositionFind f;
    if (OpaqueFind(held, {0, n}, FindKind::Unparsed, FindWhy::SegmentUnparsed, FindWhy::SegmentUnparsed,
                   sink.PlaceNames(), f)) {
        f.pos = s.payload;
        f.len = n;
        sink.Add(f, c);
    }
}

// The payload after a signature of `n` bytes (NUL included).
ByteRange After(const JpegSegment& s, int64_t n) {
    return {s.payload + n, s.payloadLen - n};
}

}  // namespace

bool App1Read(const ByteReader& file, const JpegSegment& s) {
    return ExifBlockStart(file, s) >= 0 || PayloadStartsWith(file, s, kXmpSignature, kXmpSignatureLen) ||
           PayloadStartsWith(file, s, kXmpExtensionSignature, kXmpExtensionSignatureLen) ||
           PayloadStartsWith(file, s, kFlirSignature, kFlirSignatureLen) || OtherXmpStart(file, s) >= 0;
}

void LocateXmpAndMakerBlocks(const JpegPicture& p, const Carrier& c, Sink& sink) {
    const ByteReader& file = sink.File();
    std::vector<ByteRange> mains, exts, flir;
    for (const JpegSegment& s : p.segments) {
        if (s.marker != kApp1) continue;
        if (PayloadStartsWith(file, s, kXmpSignature, kXmpSignatureLen))
            mains.push_back(After(s, kXmpSignatureLen));
        else if (PayloadStartsWith(file, s, kXmpExtensionSignature, kXmpExtensionSignatureLen))
            exts.push_back(After(s, kXmpExtensionSignatureLen));
        else if (PayloadStartsWith(file, s, kFlirSignature, kFlirSignatureLen))
            flir.push_back(After(s, kFlirSignatureLen));
        else if (const int64_t from = OtherXmpStart(file, s); from >= 0) {
            sink.Xmp({from, s.payload + s.payloadLen - from}, {s.pos, s.payload + s.payloadLen - s.pos}, c);
            OpaqueOnceStripped(sink, s, from, c);
        }
    }
    if (!mains.empty() || !exts.empty()) sink.Xmp(JpegXmpDocs(file, mains, exts), !exts.empty(), c);
    if (!flir.empty()) {
        bool numbered = false;
        const ContentMap fff = JpegFlirBlock(file, flir, numbered);
        sink.Flir(fff, numbered, c);
    }
}

ContentMap JpegFlirBlock(const ByteReader& file, const std::vector<ByteRange>& flirSegments,
                         bool& numbered) {
    std::vector<ByteRange> segs;
    for (const ByteRange& r : flirSegments)
        if (file.Has(r.pos, r.len) && r.len >= kFlirSegmentHeader) segs.push_back(r);
    std::sort(segs.begin(), segs.end(), [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; });
    ContentMap fff;
    numbered = !segs.empty() && segs.size() <= 256;
    for (size_t i = 0; i < segs.size(); ++i) {
        const uint8_t* p = file.Span(segs[i].pos, segs[i].len);
        numbered = numbered && p[0] == 0x01 && p[1] == i && p[2] == segs.size() - 1;
        fff.Append(segs[i].pos + kFlirSegmentHeader, segs[i].len - kFlirSegmentHeader);
    }
    return fff;
}

FlirScan ScanFlir(const ByteReader& file, const std::vector<ByteRange>& flirSegments) {
    bool numbered = false;
    const ContentMap fff = JpegFlirBlock(file, flirSegments, numbered);
    return ScanFff(file, fff, numbered);
}
