#include "tests/support/ContainerBuilder.h"

#include "tests/support/SegmentBuilder.h"

namespace testjpeg {

namespace {

Bytes Number(uint32_t v, int bytes, Order o) {
    Bytes b;
    if (bytes == 2) Put16(b, 0, static_cast<uint16_t>(v), o);
    else Put32(b, 0, v, o);
    return b;
}
Bytes Be(uint32_t v, int bytes = 4) { return Number(v, bytes, Order::MM); }
Bytes Le(uint32_t v, int bytes = 4) { return Number(v, bytes, Order::II); }

uint32_t Crc32(const Bytes& b) {
    uint32_t c = 0xFFFFFFFF;
    for (uint8_t byte : b) {
        c ^= byte;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
    }
    return ~c;
}

// Compressed video: any bytes, an EOI marker's among them.
const Bytes kVideoData{0x00, 0x00, 0x00, 0x02, 0x09, 0xF0, 0xFF, 0xD9, 0x25, 0xB8};

}  // namespace

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Box(const std::string& type, const Bytes& payload) {
    return Concat({Be(static_cast<uint32_t>(8 + payload.size())), Text(type), payload});
}

Bytes FullBox(const std::string& type, uint8_t version, const Bytes& payload) {
    return Box(type, Concat({Bytes{version, 0, 0, 0}, payload}));
}

Bytes Ftyp(const std::string& major, const std::string& compatible) {
    return Box("ftyp", Concat({Text(major), Be(0), Text(compatible)}));
}

Bytes HeicWithExif(const ExifBuilder& exif) {
    const Bytes item = Concat({Be(0), TiffFile(exif)});
    const Bytes ftyp = Ftyp("heic", "mif1heic");
    auto meta = [&](uint32_t at) {
        return FullBox("meta", 0, Concat({
            FullBox("hdlr", 0, Concat({Be(0), Text("pict"), Bytes(13, 0)})),
            FullBox("iinf", 0, Concat({Be(1, 2), FullBox("infe", 2, Concat({Be(1, 2), Be(0, 2),
                                                                            Text("Exif"), Bytes{0}}))})),
            FullBox("iloc", 0, Concat({Bytes{0x44, 0x00}, Be(1, 2), Be(1, 2), Be(0, 2), Be(1, 2), Be(at),
                                       Be(static_cast<uint32_t>(item.size()))}))}));
    };
    const uint32_t at = static_cast<uint32_t>(ftyp.size() + meta(0).size() + 8);
    return Concat({ftyp, meta(at), Box("mdat", item)});
}

Bytes Mp4WithLocation(const std::string& iso6709) {
    const Bytes xyz = Concat({Be(static_cast<uint32_t>(iso6709.size()), 2), Be(0x15C7, 2), Text(iso6709)});
    return Concat({Ftyp("isom", "isomiso2mp41"), Box("mdat", kVideoData),
                   Box("moov", Box("udta", Box("\xA9xyz", xyz)))});
}

Bytes MovWithLocation(const std::string& iso6709, bool withFtyp) {
    const std::string key = "com.apple.quicktime.location.ISO6709";
    const Bytes meta = Box("meta", Concat({
        FullBox("hdlr", 0, Concat({Be(0), Text("mdta"), Bytes(13, 0)})),
        FullBox("keys", 0, Concat({Be(1), Be(static_cast<uint32_t>(8 + key.size())), Text("mdta"), Text(key)})),
        Box("ilst", Box(std::string("\0\0\0\1", 4), Box("data", Concat({Be(1), Be(0), Text(iso6709)}))))}));
    return Concat({withFtyp ? Ftyp("qt  ", "qt  ") : Bytes{}, Box("wide", {}), Box("mdat", kVideoData),
                   Box("moov", meta)});
}

Bytes TiffFile(const ExifBuilder& exif) {
    const Bytes f = exif.Build();
    return Bytes(f.begin() + exif.FilePosOfTiff(), f.end() - 2);
}

Bytes PngChunk(const std::string& type, const Bytes& data) {
    const Bytes body = Concat({Text(type), data});
    return Concat({Be(static_cast<uint32_t>(data.size())), body, Be(Crc32(body))});
}

Bytes PngWithExif(const ExifBuilder& exif) {
    // One grey pixel: filter byte and value in a stored deflate block.
    const Bytes idat{0x78, 0x01, 0x01, 0x02, 0x00, 0xFD, 0xFF, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01};
    return Concat({Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
                   PngChunk("IHDR", Concat({Be(1), Be(1), Bytes{8, 0, 0, 0, 0}})),
                   PngChunk("eXIf", TiffFile(exif)), PngChunk("IDAT", idat), PngChunk("IEND", {})});
}

Bytes RiffChunk(const std::string& type, const Bytes& data) {
    Bytes c = Concat({Text(type), Le(static_cast<uint32_t>(data.size())), data});
    if (data.size() % 2) c.push_back(0);
    return c;
}

Bytes WebpWithExif(const ExifBuilder& exif) {
    const Bytes chunks = Concat({RiffChunk("VP8X", {0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                                 RiffChunk("EXIF", TiffFile(exif))});
    return Concat({Text("RIFF"), Le(static_cast<uint32_t>(4 + chunks.size())), Text("WEBP"), chunks});
}

Bytes SefTrailer(uint16_t type, const std::string& name, const Bytes& data) {
    const Bytes block = Concat({Le(0, 2), Le(type, 2), Le(static_cast<uint32_t>(name.size())), Text(name), data});
    const Bytes dir = Concat({Text("SEFH"), Le(106), Le(1), Le(0, 2), Le(type, 2),
                              Le(static_cast<uint32_t>(block.size())), Le(static_cast<uint32_t>(block.size()))});
    return Concat({block, dir, Le(static_cast<uint32_t>(dir.size())), Text("SEFT")});
}

Bytes GoogleMotionPhoto(const Bytes& video) {
    const std::string xmp =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
        "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
        "xmlns:GCamera='http://ns.google.com/photos/1.0/camera/' GCamera:MicroVideo='1' "
        "GCamera:MicroVideoVersion='1' GCamera:MicroVideoOffset='" + std::to_string(video.size()) +
        "'/></rdf:RDF></x:xmpmeta>";
    return Concat({Picture({XmpSegment(xmp)}), video});
}

Bytes SamsungMotionPhoto(const Bytes& video) {
    return Concat({Picture({}), SefTrailer(0x0A30, "MotionPhoto_Data", video)});
}

}  // namespace testjpeg
