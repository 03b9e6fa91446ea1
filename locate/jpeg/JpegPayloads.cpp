#include "locate/jpeg/JpegPayloads.h"

namespace {

constexpr uint8_t kApp1 = 0xE1;

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
            out.xmp.push_back(std::move(x));
        }
    }
    if (!flir.empty()) {
        FlirScan f = ScanFlir(file, flir);
        if (!f.Clean()) {
            AddFinds(f.finds, picture, out);
            out.flir.push_back(std::move(f));
        }
    }
}

bool StripXmpAndMakerBlocks(uint8_t* buf, int64_t len, const LocateResult& r) {
    for (const XmpScan& x : r.xmp)
        if (!StripXmp(buf, len, x)) return false;
    for (const FlirScan& f : r.flir)
        if (!StripFlir(buf, len, f)) return false;
    return true;
}
