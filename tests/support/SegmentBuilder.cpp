#include "tests/support/SegmentBuilder.h"

namespace testjpeg {

Bytes Segment(uint8_t marker, const Bytes& payload) {
    Bytes s{0xFF, marker};
    Put16(s, 2, static_cast<uint16_t>(payload.size() + 2), Order::MM);
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}

Bytes ExifSegment(const ExifBuilder& b) {
    const Bytes f = b.Build();
    const size_t app1 = f.size() >= 4 && f[0] == 0xFF && f[1] == 0xD8 ? 2 : 0;
    const size_t len = size_t{f[app1 + 2]} << 8 | f[app1 + 3];
    return Bytes(f.begin() + app1, f.begin() + app1 + 2 + len);
}

Bytes XmpSegment(const std::string& xml) {
    const std::string sig("http://ns.adobe.com/xap/1.0/\0", 29);
    Bytes p(sig.begin(), sig.end());
    p.insert(p.end(), xml.begin(), xml.end());
    return Segment(0xE1, p);
}

Bytes ExtendedXmpSegment(const std::string& guid, uint32_t fullLen, uint32_t offset,
                         const std::string& chunk) {
    const std::string sig("http://ns.adobe.com/xmp/extension/\0", 35);
    Bytes p(sig.begin(), sig.end());
    p.insert(p.end(), guid.begin(), guid.end());
    Put32(p, p.size(), fullLen, Order::MM);
    Put32(p, p.size(), offset, Order::MM);
    p.insert(p.end(), chunk.begin(), chunk.end());
    return Segment(0xE1, p);
}

Bytes MpfSegment(uint32_t offset, uint32_t size) {
    Bytes p{'M', 'P', 'F', 0, 'M', 'M', 0x00, 0x2A};
    Put32(p, 8, 8, Order::MM);        // IFD at 8
    Put16(p, 12, 1, Order::MM);       // one entry: the MP entries
    Put16(p, 14, 0xB002, Order::MM);
    Put16(p, 16, 7, Order::MM);
    Put32(p, 18, 32, Order::MM);      // two 16-byte entries
    Put32(p, 22, 30, Order::MM);      // after the IFD (8 + 2 + 12 + 4 + 4)
    Put32(p, 26, 0, Order::MM);       // next IFD
    p.resize(4 + 30, 0);
    Bytes e(32, 0);
    Put32(e, 16 + 4, size, Order::MM);
    Put32(e, 16 + 8, offset, Order::MM);
    p.insert(p.end(), e.begin(), e.end());
    return Segment(0xE2, p);
}

const Bytes& ScanBytes() {
    static const Bytes scan{0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD0, 0x78, 0x9A};
    return scan;
}

Bytes Picture(const std::vector<Bytes>& segments) {
    Bytes f{0xFF, 0xD8};
    for (const Bytes& s : segments) f.insert(f.end(), s.begin(), s.end());
    const Bytes sof = Segment(0xC0, {8, 0, 1, 0, 1, 1, 1, 0x11, 0});
    const Bytes sos = Segment(0xDA, {1, 1, 0, 0, 63, 0});
    f.insert(f.end(), sof.begin(), sof.end());
    f.insert(f.end(), sos.begin(), sos.end());
    f.insert(f.end(), ScanBytes().begin(), ScanBytes().end());
    f.insert(f.end(), {0xFF, 0xD9});
    return f;
}

Bytes Concat(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace testjpeg
