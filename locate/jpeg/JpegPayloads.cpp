#include "locate/jpeg/JpegPayloads.h"

#include "locate/jpeg/ExtendedXmp.h"

#include <algorithm>

namespace {

constexpr uint8_t kApp1 = 0xE1;
constexpr int64_t kFlirSegmentHeader = 3;  // 0x01, index, last index

FindKind KindOf(GpsFind::Kind k) {
    switch (k) {
    case GpsFind::kXmpAttribute: case GpsFind::kXmpElement: case GpsFind::kXmpUnparsed:
        return FindKind::Xmp;
    case GpsFind::kExtendedXmpAttribute: case GpsFind::kExtendedXmpElement:
    case GpsFind::kExtendedXmpUnparsed:
        return FindKind::ExtendedXmp;
    case GpsFind::kFlirGpsRecord:
        return FindKind::MakerBlock;
    }
    return FindKind::Unparsed;
}

FindWhy WhyNotRemovable(GpsFind::Kind k) {
    switch (k) {
    case GpsFind::kXmpUnparsed: return FindWhy::XmpUnparsed;
    case GpsFind::kExtendedXmpUnparsed: return FindWhy::ExtendedXmpUnassembled;
    case GpsFind::kFlirGpsRecord: return FindWhy::FlirUnreadable;
    default: return FindWhy::XmpProperty;
    }
}

void AddFinds(const std::vector<GpsFind>& finds, int picture, LocateResult& out) {
    for (const GpsFind& f : finds)
        out.finds.push_back({KindOf(f.kind), picture, f.pos, f.removable,
                             f.removable ? FindWhy::None : WhyNotRemovable(f.kind)});
}

// The payload after a signature of `n` bytes (NUL included).
ByteRange After(const JpegSegment& s, int64_t n) {
    return {s.payload + n, s.payloadLen - n};
}

}  // namespace

void LocateXmpAndMakerBlocks(const ByteReader& file, const JpegPicture& p, int picture,
                             LocateResult& out) {
    std::vector<ByteRange> mains, exts, flir;
    for (const JpegSegment& s : p.segments) {
        if (s.marker != kApp1) continue;
        if (PayloadStartsWith(file, s, kXmpSignature, kXmpSignatureLen))
            mains.push_back(After(s, kXmpSignatureLen));
        else if (PayloadStartsWith(file, s, kXmpExtensionSignature, kXmpExtensionSignatureLen))
            exts.push_back(After(s, kXmpExtensionSignatureLen));
        else if (PayloadStartsWith(file, s, kFlirSignature, kFlirSignatureLen))
            flir.push_back(After(s, kFlirSignatureLen));
    }
    if (!mains.empty() || !exts.empty()) {
        XmpScan x = ScanXmp(file, mains, exts);
        if (!x.Clean()) {
            AddFinds(x.finds, picture, out);
            out.plan.Append(x.plan);
        }
    }
    if (!flir.empty()) {
        FlirScan f = ScanFlir(file, flir);
        if (!f.Clean()) {
            AddFinds(f.finds, picture, out);
            out.plan.Append(f.plan);
        }
    }
}

FlirScan ScanFlir(const ByteReader& file, const std::vector<ByteRange>& flirSegments) {
    std::vector<ByteRange> segs;
    for (const ByteRange& r : flirSegments)
        if (file.Has(r.pos, r.len) && r.len >= kFlirSegmentHeader) segs.push_back(r);
    std::sort(segs.begin(), segs.end(), [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; });
    ContentMap fff;
    bool numbered = !segs.empty() && segs.size() <= 256;
    for (size_t i = 0; i < segs.size(); ++i) {
        const uint8_t* p = file.Span(segs[i].pos, segs[i].len);
        numbered = numbered && p[0] == 0x01 && p[1] == i && p[2] == segs.size() - 1;
        fff.Append(segs[i].pos + kFlirSegmentHeader, segs[i].len - kFlirSegmentHeader);
    }
    return ScanFff(file, fff, numbered);
}
