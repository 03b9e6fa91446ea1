// Positions in XMP packets, extended XMP and FLIR records: what is found,
// what the strip leaves (same length, well-formed XML per expat, nothing
// found again, the GUID of changed extended XMP equal to its MD5), what
// cannot be removed, and the photos of the corpus.
#include "locate/jpeg/ExtendedXmp.h"
#include "locate/jpeg/JpegPayloads.h"
#include "locate/payload/Md5.h"
#include "locate/payload/XmpGps.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MiniJson.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

using namespace testjpeg;

namespace {

const std::string kExif = "http://ns.adobe.com/exif/1.0/";

// What a find is, in the terms of these tests.
enum Shape { kXmpAttribute, kXmpElement, kXmpUnparsed, kExtendedXmpElement, kExtendedXmpUnparsed, kOther };

Shape ShapeOf(const PositionFind& f) {
    if (f.kind == FindKind::Xmp) return !f.removable ? kXmpUnparsed : f.element ? kXmpElement : kXmpAttribute;
    if (f.kind == FindKind::ExtendedXmp) return !f.removable ? kExtendedXmpUnparsed : f.element ? kExtendedXmpElement : kOther;
    return kOther;
}

// A JPEG head of APP1 segments, each recorded by the range after its signature.
struct Segments {
    Bytes file;
    std::vector<ByteRange> main, ext, flir;

    // SOI, set in the body: g++ -O2 warns on an initializer list here.
    Segments() : file(2, 0xFF) { file[1] = 0xD8; }

    ByteRange Add(const std::string& signature, const std::string& payload) {
        size_t len = 2 + signature.size() + 1 + payload.size();
        file.insert(file.end(), {0xFF, 0xE1, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)});
        file.insert(file.end(), signature.begin(), signature.end());
        file.push_back(0);
        ByteRange r{static_cast<int64_t>(file.size()), static_cast<int64_t>(payload.size())};
        file.insert(file.end(), payload.begin(), payload.end());
        return r;
    }
    void Main(const std::string& packet) { main.push_back(Add(kXmpSignature, packet)); }
    void Ext(const std::string& guid, size_t full, size_t offset, const std::string& chunk) {
        Bytes be = Be32(static_cast<uint32_t>(full)), off = Be32(static_cast<uint32_t>(offset));
        ext.push_back(Add(kXmpExtensionSignature, guid + std::string(be.begin(), be.end()) +
                                                      std::string(off.begin(), off.end()) + chunk));
    }
    XmpScan Scan() const { return ScanXmp(ByteReader(file.data(), static_cast<int64_t>(file.size())), main, ext); }
};

std::string Text(const Bytes& b, ByteRange r) {
    return std::string(b.begin() + r.pos, b.begin() + r.pos + r.len);
}

bool WellFormed(std::string xml) {
    while (!xml.empty() && xml.back() == '\0') xml.pop_back();
    XML_Parser p = XML_ParserCreate(nullptr);
    bool ok = XML_Parse(p, xml.data(), static_cast<int>(xml.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(p);
    return ok;
}

std::string Md5Hex(const std::string& s) {
    Md5 m;
    m.Update(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int64_t>(s.size()));
    char hex[32];
    m.FinalHex(hex);
    return std::string(hex, 32);
}

// Strips a copy; checks the length and that only the promised bytes changed.
Bytes Stripped(const Bytes& file, const XmpScan& scan) {
    Bytes out = file;
    EXPECT_TRUE(StripXmp(out.data(), static_cast<int64_t>(out.size()), scan));
    EXPECT_EQ(out.size(), file.size());
    std::vector<bool> writable(file.size());
    for (const ByteRange& w : scan.writes)
        for (int64_t i = w.pos; i < w.pos + w.len; ++i) writable[static_cast<size_t>(i)] = true;
    for (size_t i = 0; i < file.size(); ++i)
        if (out[i] != file[i]) {
            EXPECT_TRUE(writable[i]) << "byte " << i << " changed outside the writes";
        }
    return out;
}

std::string Packet(const std::string& body, const std::string& ns = "xmlns:exif='" + kExif + "'") {
    return "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>"
           "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description " +
           ns + body + "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>";
}

}  // namespace

TEST(Md5, Rfc1321TestSuite) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& [in, hex] : cases) {
        EXPECT_EQ(Md5Hex(in), hex) << '"' << in << '"';
        // Fed a byte at a time, across every block boundary.
        Md5 m;
        for (char c : in) m.Update(reinterpret_cast<const uint8_t*>(&c), 1);
        char h[32];
        m.FinalHex(h);
        EXPECT_EQ(std::string(h, 32), hex) << '"' << in << "\" byte by byte";
    }
}

TEST(XmpGps, PropertiesAreBlankedWholeAndNothingElse) {
    struct Case {
        const char* what;
        std::string packet;
        std::vector<Shape> finds;
        std::vector<std::string> gone, kept;
    };
    const std::string ver = "<exif:GPSVersionID><rdf:Seq><rdf:li>2</rdf:li><rdf:li>2</rdf:li></rdf:Seq></exif:GPSVersionID>";
    const Case cases[] = {
        {"attribute beside a non-GPS exif attribute",
         Packet(" exif:GPSLatitude='35,39.48N' exif:ExposureTime=\"1/50\">"), {kXmpAttribute},
         {"exif:GPSLatitude='35,39.48N'"}, {"exif:ExposureTime=\"1/50\""}},
        {"element holding rdf:Seq", Packet(">" + ver + "<exif:Flash>0</exif:Flash>"), {kXmpElement},
         {ver}, {"<exif:Flash>0</exif:Flash>"}},
        {"another prefix, parseType Resource",
         Packet("><e:GPSDestLatitude rdf:parseType='Resource'><e:a>1</e:a></e:GPSDestLatitude>",
                "xmlns:e='" + kExif + "'"),
         {kXmpElement}, {"GPSDestLatitude", "<e:a>1</e:a>"}, {}},
        {"default namespace and an empty element",
         Packet("><GPSAltitude xmlns='" + kExif + "'>12</GPSAltitude><exif:GPSVersionID/>"),
         {kXmpElement, kXmpElement}, {"GPSAltitude", "GPSVersionID"}, {}},
        {"letter case of the name", Packet(" exif:gpsLatitude='1'>"), {kXmpAttribute}, {"gpsLatitude"}, {}},
        {"a GPS name whose GPS is damaged", Packet(" exif:G.SLongitude='139,44.724E' exif:Lens='x'>"),
         {kXmpAttribute}, {"G.SLongitude"}, {"exif:Lens='x'"}},
        {"URI written with a character reference",
         Packet(" e:GPSLongitude='2'>", "xmlns:e='http://ns.adobe.com/exif/1.0&#x2F;'"), {kXmpAttribute},
         {"GPSLongitude"}, {}},
        {"a namespace whose URI only starts like exif's, or dc's damaged: read by its names, as readers show them",
         Packet(" aux:UserComment='Lat: 35.6586 Lon: 139.7454' aux:Lens='Lat: 35.6586'><q:description>"
                "Lat: 35.6586 Lon: 139.7454</q:description>",
                "xmlns:aux='" + kExif + "aux/' xmlns:q='http://purl.org/dc/elements/1.I/'"),
         {kXmpAttribute, kXmpElement}, {"aux:UserComment", "q:description"}, {"aux:Lens='Lat: 35.6586'"}},
        {"GPS names under exif's URI mistyped and under a writer's own namespace, which readers still show",
         Packet(" e:GPSLatitude='35,39.516N'><w:GPSLongitude>139,44.724E</w:GPSLongitude><w:Lens>x</w:Lens>",
                "xmlns:e='http://ns.adobe.com/exif/1.0' xmlns:w='http://example.com/gps/'"),
         {kXmpAttribute, kXmpElement}, {"35,39.516N", "139,44.724E"}, {"<w:Lens>x</w:Lens>"}},
        {"prefix rebound in an inner element, restored after it",
         Packet("><x:y xmlns:d='urn:other'><d:Latitude>1.2345</d:Latitude></x:y><d:Latitude>35.6586</d:Latitude>",
                "xmlns:d='http://www.dji.com/drone-dji/1.0/'"),
         {kXmpElement}, {"<d:Latitude>35.6586</d:Latitude>"}, {"<d:Latitude>1.2345</d:Latitude>"}},
        {"the root element itself", "<exif:GPSLatitude xmlns:exif='" + kExif + "'>1</exif:GPSLatitude>",
         {kXmpElement}, {"GPSLatitude"}, {}},
        {"NUL padding after the packet", Packet(" exif:GPSTrack='1'>") + std::string(3, '\0'),
         {kXmpAttribute}, {"GPSTrack"}, {}},
        {"DJI's drone namespace",
         Packet(" d:GpsLatitude='35.1' d:GpsLongtitude='139.2' d:AbsoluteAltitude='+12.5'>"
                "<d:Longitude>139.2</d:Longitude><d:Latitude/><d:LatitudeRef>N</d:LatitudeRef>",
                "xmlns:d='http://www.dji.com/drone-dji/1.0/'"),
         {kXmpAttribute, kXmpAttribute, kXmpElement, kXmpElement},
         {"GpsLatitude", "GpsLongtitude", "139.2", "<d:Latitude/>"},
         {"d:AbsoluteAltitude='+12.5'", "<d:LatitudeRef>N</d:LatitudeRef>"}},
        {"undeclared prefixes: DJI's own, and another",
         Packet(" drone-dji:Latitude='1' other:Latitude='2' other:GPSLatitude='3'>", ""),
         {kXmpAttribute, kXmpAttribute}, {"drone-dji:Latitude", "GPSLatitude"},
         {"other:Latitude='2'"}},
        {"Google's earth pose, in a packet without the letters G, P, S together",
         Packet("><d:EarthPos rdf:parseType='Resource'><p:Latitude>35.6</p:Latitude><p:Longitude>139.7"
                "</p:Longitude><p:Altitude>40</p:Altitude><p:Timestamp>1</p:Timestamp></d:EarthPos>",
                "xmlns:d='http://ns.google.com/photos/dd/1.0/device/' "
                "xmlns:p='http://ns.google.com/photos/dd/1.0/earthpose/'"),
         {kXmpElement, kXmpElement, kXmpElement}, {"35.6", "139.7", ">40<"}, {"<p:Timestamp>1</p:Timestamp>"}},
        {"Darwin Core's place of an occurrence",
         Packet(" w:decimalLatitude='35.6' w:locality='Shibuya'><w:verbatimCoordinates>35.6 N 139.7 E"
                "</w:verbatimCoordinates>",
                "xmlns:w='http://rs.tdwg.org/dwc/index.htm'"),
         {kXmpAttribute, kXmpElement}, {"35.6", "139.7"}, {"w:locality='Shibuya'"}},
        {"texts people write that name a coordinate, in a packet without the letters G, P, S together",
         Packet(" t:ImageDescription='Latitude: 43.68739354' t:Make='Ricoh'><dc:description><rdf:Alt>"
                "<rdf:li xml:lang='x-default'>Lat: 35.6586 Lon: 139.7454</rdf:li></rdf:Alt></dc:description>"
                "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>Bridge, 35 km out</rdf:li></rdf:Alt></dc:title>"
                "<e:UserComment><e:GPSAltitude>1</e:GPSAltitude>+35.6586+139.7454/</e:UserComment>",
                "xmlns:t='http://ns.adobe.com/tiff/1.0/' xmlns:dc='http://purl.org/dc/elements/1.1/' "
                "xmlns:e='" + kExif + "'"),
         {kXmpAttribute, kXmpElement, kXmpElement}, {"43.68739354", "35.6586", "GPSAltitude"},
         {"t:Make='Ricoh'", "Bridge, 35 km out"}},
        {"a title and a description written as attributes",
         Packet(" dc:title='Lat: 35.6586 Lon: 139.7454' dc:description = '+35.6586+139.7454/' dc:format='x'>",
                "xmlns:dc='http://purl.org/dc/elements/1.1/'"),
         {kXmpAttribute, kXmpAttribute}, {"35.6586 Lon", "+35.6586+"}, {"dc:format='x'"}},
        {"an ISO 6709 string in any property, under a damaged namespace: the attribute, the element whose text it is",
         Packet(" q:where='+35.6586+139.7454/'><q:spot><rdf:Alt><rdf:li>+35.6586+139.7454+10.0/</rdf:li>"
                "</rdf:Alt></q:spot><q:note>+1.5-2.5/</q:note><q:mixed><q:GPSAltitude>1</q:GPSAltitude>"
                "+35.6586+139.7454/</q:mixed>",
                "xmlns:q='http://purl.org/dc/elements/1.I/'"),
         {kXmpAttribute, kXmpElement, kXmpElement}, {"where=", "<rdf:li>", "q:mixed"},
         {"<q:spot><rdf:Alt>", "<q:note>+1.5-2.5/</q:note>"}},
        {"a headline and keywords that name a coordinate (a machine tag), instructions that do not",
         Packet(" p:Headline='Lat 35.6586 Lon 139.7454' p:Instructions='colon=1.2345 late 35.6586'>"
                "<dc:subject><rdf:Bag><rdf:li>geo:lat=35.658600</rdf:li></rdf:Bag></dc:subject>",
                "xmlns:p='http://ns.adobe.com/photoshop/1.0/' xmlns:dc='http://purl.org/dc/elements/1.1/'"),
         {kXmpAttribute, kXmpElement}, {"35.6586 Lon", "geo:lat="}, {"colon=1.2345 late"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WellFormed(c.packet));
        Segments s;
        s.Main(c.packet);
        XmpScan scan = s.Scan();
        ASSERT_EQ(scan.finds.size(), c.finds.size());
        for (size_t i = 0; i < c.finds.size(); ++i) {
            EXPECT_EQ(ShapeOf(scan.finds[i]), c.finds[i]);
            EXPECT_TRUE(scan.finds[i].removable);
        }
        Bytes out = Stripped(s.file, scan);
        std::string after = Text(out, s.main[0]);
        EXPECT_TRUE(WellFormed(after)) << after;
        for (const std::string& g : c.gone) EXPECT_EQ(after.find(g), std::string::npos) << g;
        for (const std::string& k : c.kept) EXPECT_NE(after.find(k), std::string::npos) << k;
        EXPECT_TRUE(ScanXmp(ByteReader(out.data(), static_cast<int64_t>(out.size())), s.main, {}).Clean());
    }
}

TEST(XmpGps, PacketsThatDoNotParseHoldUnremovablePositions) {
    auto utf16 = [](const std::string& s) {
        std::string r;
        for (char c : s) r += std::string{c, '\0'};
        return r;
    };
    struct Case {
        const char* what;
        std::string packet;
        bool found;
    };
    const Case cases[] = {
        {"end tag that does not match", Packet("><exif:GPSLatitude>1</exif:GPSLongitude>"), true},
        {"UTF-16", "\xFF\xFE" + utf16(Packet(" exif:GPSLatitude='1'>")), true},
        {"an entity could build the name", "<!DOCTYPE x [<!ENTITY e '&#71;PS'>]>" + Packet("><exif:P>&e;</exif:P>"), true},
        {"two root elements", Packet("") + "<exif:GPSAltitude/>", true},
        {"broken, DJI's namespace", Packet("><d:Latitude>1</d:Longitude>", "xmlns:d='http://www.dji.com/drone-dji/1.0/'"), true},
        {"a control character in the padding, a caption naming a coordinate",
         Packet(" dc:title='Lat: 35.6586 Lon: 139.7454'>\x0E", "xmlns:dc='http://purl.org/dc/elements/1.1/'"), true},
        {"broken but no GPS", Packet("><exif:Flash>0</exif:Make>"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Segments s;
        s.Main(c.packet);
        XmpScan scan = s.Scan();
        ASSERT_EQ(scan.finds.size(), c.found ? 1u : 0u);
        if (!c.found) continue;
        EXPECT_EQ(ShapeOf(scan.finds[0]), kXmpUnparsed);
        EXPECT_FALSE(scan.finds[0].removable);
        Bytes out = s.file;
        EXPECT_FALSE(StripXmp(out.data(), static_cast<int64_t>(out.size()), scan));
        EXPECT_EQ(out, s.file);
    }
    // A packet cut inside its closing processing instruction still parses.
    Segments cut;
    cut.Main(Packet(" exif:GPSLatitude='1'>").substr(0, Packet(" exif:GPSLatitude='1'>").size() - 2));
    XmpScan scan = cut.Scan();
    ASSERT_EQ(scan.finds.size(), 1u);
    EXPECT_TRUE(scan.finds[0].removable);
}

TEST(XmpGps, ExtendedXmpAcrossTwoChunksGetsTheMd5OfItsNewContent) {
    const std::string oldGuid = "0123456789ABCDEF0123456789ABCDEF";
    const std::string content = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
                                "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                                "<rdf:Description xmlns:exif='" + kExif + "'>"
                                "<exif:GPSLatitude>35,39.48N</exif:GPSLatitude>"
                                "</rdf:Description></rdf:RDF></x:xmpmeta>";
    const size_t split = content.find("39.48N");  // inside the property
    Segments s;
    s.Main(Packet(" xmpNote:HasExtendedXMP='" + oldGuid + "'>", "xmlns:xmpNote='http://ns.adobe.com/xmp/note/'"));
    // Second chunk first: chunks are placed by their offsets.
    s.Ext(oldGuid, content.size(), split, content.substr(split));
    s.Ext(oldGuid, content.size(), 0, content.substr(0, split));

    XmpScan scan = s.Scan();
    ASSERT_EQ(scan.finds.size(), 1u);
    EXPECT_EQ(ShapeOf(scan.finds[0]), kExtendedXmpElement);
    EXPECT_EQ(Text(s.file, {scan.finds[0].pos, 17}), "<exif:GPSLatitude");
    Bytes out = Stripped(s.file, scan);

    std::string first = Text(out, s.ext[1]), second = Text(out, s.ext[0]);
    std::string now = first.substr(40) + second.substr(40);
    EXPECT_EQ(now.size(), content.size());
    EXPECT_EQ(now.find("GPS"), std::string::npos);
    EXPECT_TRUE(WellFormed(now)) << now;
    const std::string guid = Md5Hex(now);
    EXPECT_EQ(first.substr(0, 32), guid);
    EXPECT_EQ(second.substr(0, 32), guid);
    EXPECT_NE(Text(out, s.main[0]).find("HasExtendedXMP='" + guid + "'"), std::string::npos);
    EXPECT_TRUE(ScanXmp(ByteReader(out.data(), static_cast<int64_t>(out.size())), s.main, s.ext).Clean());

    // A chunk missing: the position cannot be placed, nor removed.
    Segments gap;
    gap.Ext(oldGuid, content.size() + 1, 0, content.substr(0, split));
    gap.Ext(oldGuid, content.size() + 1, split + 1, content.substr(split));
    XmpScan broken = gap.Scan();
    ASSERT_EQ(broken.finds.size(), 1u);
    EXPECT_EQ(ShapeOf(broken.finds[0]), kExtendedXmpUnparsed);
    EXPECT_FALSE(broken.Removable());
}

namespace {

// FLIR segments holding an FFF file (big-endian, version 100) whose
// directory names a camera record and a GPS record at `gpsAt` with `gps`.
Segments Flir(const Bytes& gps, size_t gpsAt, size_t cut, const std::vector<uint8_t>& numbering) {
    Bytes fff(std::max<size_t>(gpsAt + gps.size(), 0x80), 0);
    auto put = [&](size_t at, const Bytes& v) { std::copy(v.begin(), v.end(), fff.begin() + static_cast<long>(at)); };
    put(0, {'F', 'F', 'F', 0});
    put(0x14, Be32(100));
    put(0x18, Be32(0x40));
    put(0x1C, Be32(2));
    put(0x40, {0x00, 0x20});
    put(0x60, {0x00, 0x2B});
    put(0x60 + 0x0C, Be32(static_cast<uint32_t>(gpsAt)));
    put(0x60 + 0x10, Be32(static_cast<uint32_t>(gps.size())));
    put(0x60 + 0x1C, Be32(0xCAFE));  // a checksum
    put(gpsAt, gps);
    Segments s;
    const std::string data(fff.begin(), fff.end());
    const std::string pieces[2] = {data.substr(0, cut), data.substr(cut)};
    for (int i = 0; i < 2; ++i)
        s.flir.push_back(s.Add("FLIR", std::string{'\x01', static_cast<char>(numbering[i]),
                                                   static_cast<char>(numbering[2])} + pieces[i]));
    return s;
}

}  // namespace

TEST(FlirGps, GpsRecordIsFoundAndZeroedAcrossSegments) {
    const Bytes gps = {0, 0, 0, 1, '2', '2', '0', '0', 'S', 0, 'E', 0, 0x40, 0x41, 0x42, 0x43};
    struct Case {
        const char* what;
        Bytes record;
        size_t at;
        std::vector<uint8_t> numbering;  // index of each segment, last index
        size_t finds;
        bool removable;
    };
    const Case cases[] = {
        {"record split between the segments", gps, 0x90, {0, 1, 1}, 1, true},
        {"segments numbered out of order", gps, 0x90, {1, 0, 1}, 1, false},
        {"record of zeros", Bytes(16, 0), 0x90, {0, 1, 1}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Segments s = Flir(c.record, c.at, 0x98, c.numbering);
        const ByteReader file(s.file.data(), static_cast<int64_t>(s.file.size()));
        FlirScan scan = ScanFlir(file, s.flir);
        ASSERT_EQ(scan.finds.size(), c.finds);
        if (c.finds == 0) continue;
        EXPECT_EQ(scan.finds[0].removable, c.removable);
        EXPECT_EQ(scan.finds[0].len, 16);
        Bytes out = s.file;
        EXPECT_EQ(StripFlir(out.data(), static_cast<int64_t>(out.size()), scan), c.removable);
        if (!c.removable) {
            EXPECT_EQ(out, s.file);
            continue;
        }
        // The record's 16 bytes (8 in each segment), the checksum and the
        // entry's record type (0x2B, one nonzero byte) are zero.
        size_t zeroed = 0;
        for (size_t i = 0; i < out.size(); ++i) zeroed += out[i] != s.file[i];
        EXPECT_EQ(zeroed, 11u + 2u + 1u);  // the nonzero bytes of the record, checksum and type
        EXPECT_TRUE(ScanFlir(ByteReader(out.data(), static_cast<int64_t>(out.size())), s.flir).Clean());
    }
    // A record running past the end of the data is found but cannot be removed.
    Segments past = Flir(gps, 0x90, 0x98, {0, 1, 1});
    past.file[past.flir[0].pos + 3 + 0x60 + 0x13] = 0x40;  // length 0x40 instead of 16
    EXPECT_FALSE(ScanFlir(ByteReader(past.file.data(), static_cast<int64_t>(past.file.size())), past.flir).Removable());
}

namespace {

// A whole file in one read (the byte-wise reader is slow on 33 MB of photos).
Bytes ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    Bytes b(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return b;
}

// The APP1 payloads of a JPEG's marker segments up to SOS, by signature.
Segments Walk(const Bytes& f) {
    Segments s;
    s.file = f;
    for (size_t i = 2; i + 4 <= f.size() && f[i] == 0xFF;) {
        const uint8_t m = f[i + 1];
        const size_t len = size_t{f[i + 2]} << 8 | f[i + 3];
        if (m == 0xDA || len < 2 || i + 2 + len > f.size()) break;
        const std::string payload(f.begin() + static_cast<long>(i) + 4, f.begin() + static_cast<long>(i + 2 + len));
        auto add = [&](const char* sig, int64_t sigLen, std::vector<ByteRange>& to) {
            if (m == 0xE1 && payload.compare(0, static_cast<size_t>(sigLen), std::string(sig, static_cast<size_t>(sigLen))) == 0)
                to.push_back({static_cast<int64_t>(i + 4) + sigLen, static_cast<int64_t>(len - 2) - sigLen});
        };
        add(kXmpSignature, kXmpSignatureLen, s.main);
        add(kXmpExtensionSignature, kXmpExtensionSignatureLen, s.ext);
        add(kFlirSignature, kFlirSignatureLen, s.flir);
        i += 2 + len;
    }
    return s;
}

}  // namespace

TEST(XmpGps, CorpusPhotosWithXmpOrFlirPositionsAreCleaned) {
    const std::string dir = TAMLIX_CORPUS_DIR;
    const Bytes json = ReadFileBytes(dir + "/truth.json");
    const testjson::Value truth = testjson::Value::Parse(std::string(json.begin(), json.end()));
    int xmpPhotos = 0, flirPhotos = 0;
    for (const testjson::Value& t : truth["files"].Items()) {
        const std::string name = t["file"].AsString();
        SCOPED_TRACE(name);
        Segments s = Walk(ReadWhole(dir + "/" + name));
        const ByteReader file(s.file.data(), static_cast<int64_t>(s.file.size()));
        XmpScan xmp = ScanXmp(file, s.main, s.ext);
        FlirScan flir = ScanFlir(file, s.flir);
        // The truth marks XMP latitudes and longitudes; a version alone is a position too.
        if (t["xmp_gps"].AsBool()) {
            EXPECT_FALSE(xmp.Clean());
        }
        EXPECT_TRUE(xmp.Removable() && flir.Removable());
        xmpPhotos += !xmp.Clean();
        flirPhotos += !flir.Clean();
        if (xmp.Clean() && flir.Clean()) continue;
        Bytes out = Stripped(s.file, xmp);
        ASSERT_TRUE(StripFlir(out.data(), static_cast<int64_t>(out.size()), flir));
        for (const ByteRange& r : s.main)
            if (WellFormed(Text(s.file, r))) {
                EXPECT_TRUE(WellFormed(Text(out, r)));
            }
        const ByteReader after(out.data(), static_cast<int64_t>(out.size()));
        EXPECT_TRUE(ScanXmp(after, s.main, s.ext).Clean());
        EXPECT_TRUE(ScanFlir(after, s.flir).Clean());
    }
    EXPECT_EQ(xmpPhotos, 4);  // three with coordinates, one with the version only
    EXPECT_EQ(flirPhotos, 1);
}
