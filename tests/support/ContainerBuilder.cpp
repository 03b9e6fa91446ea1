#include "tests/support/ContainerBuilder.h"

#include <cstdio>

#include "tests/support/SegmentBuilder.h"

#include <brotli/encode.h>
#include <zlib.h>

#include <algorithm>

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
// A big-endian number of 0, 2, 4 or 8 bytes.
Bytes Uint(uint64_t v, int bytes) {
    Bytes b;
    for (int i = bytes - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return b;
}

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

std::string Base64(const Bytes& b, size_t line) {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s;
    for (size_t i = 0; i < b.size(); i += 3) {
        const uint32_t v = (uint32_t{b[i]} << 16) | (i + 1 < b.size() ? uint32_t{b[i + 1]} << 8 : 0) |
                           (i + 2 < b.size() ? uint32_t{b[i + 2]} : 0);
        for (size_t k = 0; k < 4; ++k) s += i + k <= b.size() ? kChars[(v >> (18 - 6 * k)) & 63] : '=';
    }
    if (line == 0) return s;
    std::string lines;
    for (size_t i = 0; i < s.size(); i += line) lines += s.substr(i, line) + "\n";
    return lines;
}

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
    HeifItem item;
    item.data = Concat({Be(0), TiffFile(exif)});
    return Heif({item});
}

Bytes Mp4WithLocation(const std::string& iso6709) { return Mp4(Box("udta", XyzBox(iso6709))); }

Bytes Heif(const std::vector<HeifItem>& items, const HeifLayout& l, const Bytes& extra) {
    // The items' bytes; per item, where in them each extent starts and
    // its length, in the item's order.
    Bytes data;
    std::vector<std::vector<std::pair<size_t, size_t>>> extents;
    for (const HeifItem& it : items) {
        const size_t n = it.data.size(), k = static_cast<size_t>(it.extents);
        std::vector<std::pair<size_t, size_t>> e(k);
        for (size_t j = 0; j < k; ++j) {
            const size_t i = it.reversed ? k - 1 - j : j;
            e[i] = {data.size(), n * (i + 1) / k - n * i / k};
            data.insert(data.end(), it.data.begin() + n * i / k, it.data.begin() + n * (i + 1) / k);
        }
        extents.push_back(std::move(e));
    }
    const int idSize = l.iloc == 2 ? 4 : 2, index = l.iloc >= 1 ? l.indexSize : 0;
    // The offsets count from `origin`: the holder's body, or idat's.
    auto meta = [&](uint64_t origin) {
        Bytes infes, places;
        for (size_t i = 0; i < items.size(); ++i) {
            const HeifItem& it = items[i];
            const uint32_t id = l.firstId + static_cast<uint32_t>(i);
            const bool mime = it.type == "mime";
            infes = Concat({infes, FullBox("infe", static_cast<uint8_t>(l.infe), Concat({
                Uint(id, l.infe == 3 ? 4 : 2), Uint(it.protection, 2), Text(it.type), Bytes{0},
                mime ? Concat({Text(it.contentType), Bytes{0}}) : Bytes{},
                mime && !it.encoding.empty() ? Concat({Text(it.encoding), Bytes{0}}) : Bytes{}}))});
            const auto first = std::min_element(extents[i].begin(), extents[i].end());
            const uint64_t base = l.baseSize > 0 ? origin + first->first : 0;
            places = Concat({places, Uint(id, idSize), l.iloc >= 1 ? Uint(l.method, 2) : Bytes{}, Uint(0, 2),
                             Uint(base, l.baseSize), Uint(extents[i].size(), 2)});
            for (const auto& [at, n] : extents[i])
                places = Concat({places, Uint(0, index), Uint(origin + at - base, l.offSize), Uint(n, l.lenSize)});
        }
        return FullBox("meta", 0, Concat({
            FullBox("hdlr", 0, Concat({Be(0), Text("pict"), Bytes(13, 0)})), extra,
            FullBox("iinf", 0, Concat({Be(static_cast<uint32_t>(items.size()), 2), infes})),
            FullBox("iloc", static_cast<uint8_t>(l.iloc),
                    Concat({Bytes{static_cast<uint8_t>(l.offSize << 4 | l.lenSize),
                                  static_cast<uint8_t>(l.baseSize << 4 | index)},
                            Uint(items.size(), idSize), places})),
            l.method == 1 ? Box("idat", data) : Bytes{}}));
    };
    const Bytes ftyp = Ftyp("heic", "mif1heic");
    if (l.method == 1) return Concat({ftyp, meta(0), Box(l.holder, {})});
    return Concat({ftyp, meta(ftyp.size() + meta(0).size() + 8), Box(l.holder, data)});
}

Bytes ZlibStored(const Bytes& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    const auto n = static_cast<uint16_t>(data.size());
    return Concat({Bytes{0x78, 0x01, 0x01}, Le(n, 2), Le(static_cast<uint16_t>(~n), 2), data, Be(b << 16 | a)});
}

Bytes Brotli(const Bytes& data) {
    Bytes out(BrotliEncoderMaxCompressedSize(data.size()) + 16);
    size_t n = out.size();
    BrotliEncoderCompress(9, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_GENERIC, data.size(), data.data(), &n, out.data());
    out.resize(n);
    return out;
}

namespace {

Bytes RawDeflate(const Bytes& data) {
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    Bytes packed(deflateBound(&z, static_cast<uLong>(data.size())) + 16);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    deflate(&z, Z_FINISH);
    packed.resize(packed.size() - z.avail_out);
    deflateEnd(&z);
    return packed;
}

uint32_t Crc(const Bytes& data) { return static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))); }

}  // namespace

Bytes Gzip(const Bytes& data, const std::string& name) {
    const Bytes header{0x1F, 0x8B, 8, static_cast<uint8_t>(name.empty() ? 0 : 8), 0, 0, 0, 0, 2, 3};
    const Bytes named = name.empty() ? Bytes{} : Concat({Text(name), Bytes{0}});
    return Concat({header, named, RawDeflate(data), Le(Crc(data), 4), Le(static_cast<uint32_t>(data.size()), 4)});
}

Bytes Zip(const std::vector<ZipEntry>& entries) {
    Bytes out, central;
    for (const ZipEntry& e : entries) {
        const Bytes packed = e.deflate ? RawDeflate(e.data) : e.data;
        const uint32_t crc = Crc(e.data), csize = static_cast<uint32_t>(packed.size());
        const uint32_t usize = static_cast<uint32_t>(e.data.size());
        const auto flags = static_cast<uint16_t>(e.flags | (e.descriptor ? 8 : 0));
        const Bytes fields = Concat({Le(flags, 2), Le(e.deflate ? 8 : 0, 2), Le(0, 4)});  // flags, method, time, date
        const Bytes sizes = Concat({Le(crc, 4), Le(csize, 4), Le(usize, 4)});
        const Bytes name = Text(e.name);
        const uint32_t local = static_cast<uint32_t>(out.size());
        out = Concat({out, Le(0x04034B50, 4), Le(20, 2), fields, e.descriptor ? Bytes(12, 0) : sizes,
                      Le(static_cast<uint32_t>(name.size()), 2), Le(0, 2), name, packed,
                      e.descriptor ? Concat({Le(0x08074B50, 4), sizes}) : Bytes{}});
        central = Concat({central, Le(0x02014B50, 4), Le(20, 2), Le(20, 2), fields, sizes,
                          Le(static_cast<uint32_t>(name.size()), 2), Bytes(12, 0), Le(local, 4), name});
    }
    const uint32_t count = static_cast<uint32_t>(entries.size());
    return Concat({out, central, Le(0x06054B50, 4), Bytes(4, 0), Le(count, 2), Le(count, 2),
                   Le(static_cast<uint32_t>(central.size()), 4), Le(static_cast<uint32_t>(out.size()), 4), Le(0, 2)});
}

Bytes Tar(const std::vector<std::pair<std::string, Bytes>>& members) {
    Bytes out;
    for (const auto& [name, data] : members) {
        Bytes h(512, 0);
        std::copy(name.begin(), name.end(), h.begin());
        char size[12];
        std::snprintf(size, sizeof size, "%011o", static_cast<unsigned>(data.size()));
        std::copy(size, size + 11, h.begin() + 124);
        std::copy_n("0000644", 7, h.begin() + 100);
        h[156] = '0';
        std::copy_n("ustar\0" "00", 8, h.begin() + 257);
        std::fill(h.begin() + 148, h.begin() + 156, ' ');
        unsigned sum = 0;
        for (uint8_t b : h) sum += b;
        char digits[8];
        std::snprintf(digits, sizeof digits, "%06o", sum);
        std::copy(digits, digits + 7, h.begin() + 148);  // six digits, a NUL, then the space
        Bytes padded = data;
        padded.resize((data.size() + 511) / 512 * 512, 0);
        out = Concat({out, h, padded});
    }
    return Concat({out, Bytes(1024, 0)});
}

Bytes HeaderlessExif(Order o, size_t at, size_t base) {
    Bytes b(at + 82, 0x11);
    const auto ifd0 = static_cast<uint32_t>(at - base);
    auto entry = [&](size_t e, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        Put16(b, e, tag, o), Put16(b, e + 2, type, o), Put32(b, e + 4, count, o), Put32(b, e + 8, value, o);
    };
    Put16(b, at, 1, o);
    entry(at + 2, 0x8825, 4, 1, ifd0 + 18);
    Put32(b, at + 14, 0, o);
    Put16(b, at + 18, 2, o);
    entry(at + 20, 1, 2, 2, o == Order::MM ? 0x4E000000 : 0x4E);
    entry(at + 32, 2, 5, 3, ifd0 + 48);
    Put32(b, at + 44, 0, o);
    return b;
}

Bytes Mp4(const Bytes& moovBody, const std::string& brand) {
    return Concat({Ftyp(brand, brand == "isom" ? "isomiso2mp41" : brand + "isom"), Box("mdat", kVideoData),
                   Box("moov", moovBody)});
}

Bytes XyzBox(const std::string& iso6709) {
    return Box("\xA9xyz", Concat({Be(static_cast<uint32_t>(iso6709.size()), 2), Be(0x15C7, 2), Text(iso6709)}));
}

Bytes ItemListMeta(const std::string& type, const std::string& value) {
    return FullBox("meta", 0, Concat({FullBox("hdlr", 0, Concat({Be(0), Text("mdir"), Text("appl"), Bytes(9, 0)})),
                                      Box("ilst", Box(type, Box("data", Concat({Be(1), Be(0), Text(value)}))))}));
}

Bytes LociBox(double latitude, double longitude) {
    auto fixed = [](double v) { return Be(static_cast<uint32_t>(static_cast<int32_t>(v * 65536))); };
    return FullBox("loci", 0, Concat({Be(0x15C7, 2), Text("Home"), Bytes{0, 0}, fixed(longitude),
                                      fixed(latitude), fixed(40), Text("earth"), Bytes{0, 0}}));
}

Bytes XmpUuidBox(const std::string& xml) {
    return Box("uuid", Concat({Bytes{0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8, 0x9C, 0x71, 0x99, 0x94,
                                     0x91, 0xE3, 0xAF, 0xAC}, Text(xml)}));
}

Bytes CanonGpsBox(const ExifBuilder& gpsAsIfd0) {
    return Box("uuid", Concat({Bytes{0x85, 0xC0, 0xB6, 0x87, 0x82, 0x0F, 0x11, 0xE0, 0x81, 0x11, 0xF4, 0xCE,
                                     0x46, 0x2B, 0x6A, 0x48}, Box("CMT4", TiffFile(gpsAsIfd0))}));
}

Bytes NestedBoxes(const std::string& type, int n, const Bytes& inner) {
    Bytes b = inner;
    for (int i = 0; i < n; ++i) b = Box(type, b);
    return b;
}

Bytes LargeBox(const std::string& type, const Bytes& payload) {
    return Concat({Be(1), Text(type), Be(0), Be(static_cast<uint32_t>(16 + payload.size())), payload});
}

Bytes ToEndBox(const std::string& type, const Bytes& payload) { return Concat({Be(0), Text(type), payload}); }

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

Bytes TiffWithThumbnail(const Bytes& thumb) {
    Bytes tiff = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 14, 0, 0, 0,      // header; the 0th IFD, then the 1st
                  2, 0, 0x01, 0x02, kLong, 0, 1, 0, 0, 0, 44, 0, 0, 0,  // the thumbnail's offset
                  0x02, 0x02, kLong, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // its length
    Put32(tiff, 36, static_cast<uint32_t>(thumb.size()), Order::II);
    return Concat({tiff, thumb});
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

Bytes Riff(const std::string& form, const Bytes& chunks) {
    return Concat({Text("RIFF"), Le(static_cast<uint32_t>(4 + chunks.size())), Text(form), chunks});
}

Bytes RiffList(const std::string& type, const Bytes& chunks) { return RiffChunk("LIST", Concat({Text(type), chunks})); }

Bytes Png(const Bytes& chunks) {
    // One grey pixel, as PngWithExif's.
    const Bytes idat{0x78, 0x01, 0x01, 0x02, 0x00, 0xFD, 0xFF, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01};
    return Concat({Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
                   PngChunk("IHDR", Concat({Be(1), Be(1), Bytes{8, 0, 0, 0, 0}})), chunks, PngChunk("IDAT", idat),
                   PngChunk("IEND", {})});
}

Bytes PngText(const std::string& type, const std::string& keyword, const Bytes& text, bool compressed) {
    const Bytes k = Concat({Text(keyword), Bytes{0}});
    if (type == "zTXt") return PngChunk(type, Concat({k, Bytes{0}, ZlibStored(text)}));
    if (type == "iTXt")
        return PngChunk(type, Concat({k, Bytes{static_cast<uint8_t>(compressed), 0, 0, 0},
                                      compressed ? ZlibStored(text) : text}));
    return PngChunk(type, Concat({k, text}));
}

Bytes RawProfile(const std::string& name, const Bytes& profile) {
    std::string count = std::to_string(profile.size());
    std::string out = "\n" + name + "\n" + std::string(8 - std::min<size_t>(8, count.size()), ' ') + count + "\n";
    static const char kHex[] = "0123456789abcdef";
    for (size_t i = 0; i < profile.size(); ++i) {
        out += {kHex[profile[i] >> 4], kHex[profile[i] & 15]};
        if (i % 36 == 35 || i + 1 == profile.size()) out += '\n';
    }
    return Text(out);
}

}  // namespace testjpeg
