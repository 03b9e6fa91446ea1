// Place names are found and blanked only on request: one row per place
// they hide (XMP, IPTC datasets, a clip's location keys, Samsung's
// country code, four makers' notes), each walked without and with the
// request and stripped.
#include "locate/Locator.h"
#include "locate/payload/Md5.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

using namespace testjpeg;

namespace {

Bytes Be16(uint16_t v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }

// Photoshop's image resource: "8BIM", its number, an empty name, its size, its data.
Bytes Resource(uint16_t id, const Bytes& data) {
    Bytes pad(data.size() % 2, 0);
    return Concat({Text("8BIM"), Be16(id), Bytes{0, 0}, Be32(static_cast<uint32_t>(data.size())), data, pad});
}

Bytes Dataset(uint8_t dataset, const std::string& value) {
    return Concat({Bytes{0x1C, 2, dataset}, Be16(static_cast<uint16_t>(value.size())), Text(value)});
}

struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};

// An IFD: its count, the entries, a next offset of 0.
Bytes Ifd(const std::vector<Entry>& entries, Order o = Order::II) {
    Bytes b;
    Put16(b, 0, static_cast<uint16_t>(entries.size()), o);
    for (const Entry& e : entries) {
        const size_t at = b.size();
        Put16(b, at, e.tag, o);
        Put16(b, at + 2, e.type, o);
        Put32(b, at + 4, e.count, o);
        Put32(b, at + 8, e.value, o);
    }
    Put32(b, b.size(), 0, o);
    return b;
}

Bytes Padded(const std::string& text, size_t n) {
    Bytes b = Text(text);
    b.resize(n, 0);
    return b;
}

// A photo with a position whose Exif IFD holds one entry, the maker note
// `note(at)`; `at` is the note's offset from the TIFF header.
ExifBuilder WithMakerNote(const std::function<Bytes(uint32_t at)>& note, const std::string& make = {}) {
    ExifBuilder b = FiveEntryGps();
    if (!make.empty()) b.Ifd0Text(0x010F, make);
    // The Exif IFD follows the Make's text (word-aligned) in the value area,
    // after one more 0th-IFD entry.
    const size_t made = make.empty() ? 0 : (make.size() + 2) / 2 * 2;
    const auto exifIfd = static_cast<uint32_t>(b.FilePosOfValues() + 12 + made - b.FilePosOfTiff());
    const Bytes body = note(exifIfd + 18);
    return b.Ifd0Data(0x8769, kLong, 1,
                      Concat({Ifd({{0x927C, kUndefined, static_cast<uint32_t>(body.size()), exifIfd + 18}}), body}));
}

// Nikon's: a TIFF header of its own (big-endian here), LocationInfo at its offset 26.
Bytes NikonNote(uint32_t) {
    const Bytes info = Concat({Text("0100"), Bytes{1}, Text("JPN"), Bytes{0}, Padded("Shibuya Crossing", 70)});
    return Concat({Text(std::string("Nikon\0\x02\x10\0\0MM\0\x2A", 14)), Be32(8),
                   Ifd({{0x0039, kUndefined, 79, 26}}, Order::MM), info});
}

// Panasonic's: its IFD at +12, offsets from the Exif TIFF header; the
// landmark held in the entry is a camera's "---", which names nothing.
Bytes PanasonicNote(uint32_t at) {
    return Concat({Text(std::string("Panasonic\0\0\0", 12)),
                   Ifd({{0x0001, kShort, 1, 2}, {0x006F, kUndefined, 4, 0x002D2D2D}, {0x006D, kUndefined, 72, at + 54}}),
                   Padded("Kyoto", 72)});
}

// Samsung's: an IFD at once, its first entry the version "0100".
Bytes SamsungNote(uint32_t at) {
    return Concat({Ifd({{0x0001, kUndefined, 4, 0x30303130}, {0x0031, kAscii, 11, at + 30}}), Padded("Gangnam-gu", 11)});
}

// Casio's: "QVC\0", two bytes, its IFD; offsets from the Exif TIFF header.
Bytes CasioNote(uint32_t at) {
    return Concat({Text(std::string("QVC\0\0\0", 6)), Ifd({{0x3006, kAscii, 9, at + 24}}), Padded("New York", 9)});
}

// Pentax's: "AOC\0", the byte order, the IFD; the destination's code is 0.
Bytes PentaxNote(uint32_t) {
    return Concat({Text(std::string("AOC\0II", 6)), Ifd({{0x0023, kShort, 1, 0x012C}, {0x0024, kShort, 1, 0}})});
}

// Canon's: an IFD at once; time information: its size, the time zone in
// minutes, the home town's city code (13), daylight saving.
Bytes CanonNote(uint32_t at) {
    Bytes times(16, 0);
    Put32(times, 0, 16, Order::II), Put32(times, 4, 540, Order::II), Put32(times, 8, 13, Order::II);
    return Concat({Ifd({{0x0035, kLong, 4, at + 18}}), times});
}

// A HEIF whose Exif item is split in two extents stored last first.
Bytes HeifInPieces(const ExifBuilder& exif) {
    HeifItem item;
    item.data = Concat({Be32(0), TiffFile(exif)});
    item.extents = 2;
    item.reversed = true;
    return Heif({item});
}

// A photo with a position whose 0th IFD holds IPTC datasets (tag 0x83BB)
// and image resources with the IPTC digest (tag 0x8649).
ExifBuilder TiffWithIptc(const Bytes& iptc) {
    ExifBuilder b = FiveEntryGps();
    b.Ifd0Data(0x83BB, kUndefined, static_cast<uint32_t>(iptc.size()), iptc);
    b.Ifd0Data(0x8649, kUndefined, 28, Resource(0x0425, Bytes(16, 0xAA)));
    return b;
}

// `picture` with an AFCP trailer after it: the header ("AXS!", a version,
// one entry), the entry naming the IPTC block, the block, the mark with the
// header's offset.
Bytes Afcp(const Bytes& picture, const Bytes& iptc) {
    const auto start = static_cast<uint32_t>(picture.size());
    return Concat({picture, Text("AXS!"), Bytes{0, 1, 0, 1, 0, 0, 0, 0}, Text("IPTC"),
                   Be32(static_cast<uint32_t>(iptc.size())), Be32(start + 24), iptc, Text("AXS!"), Be32(start),
                   Bytes(4, 0)});
}

struct Row {
    const char* name;
    Bytes file;
    size_t positions;  // finds that are not place names
    size_t places;     // place names found on request
    std::vector<std::string> gone;  // texts the strip with the request leaves nowhere
};

std::vector<Row> Rows() {
    const Bytes iptc = Concat({Dataset(5, "Title"), Dataset(90, "Tokyo"), Dataset(101, "Japan"), Dataset(92, "  ")});
    const Bytes app13 = Segment(0xED, Concat({Text(std::string("Photoshop 3.0\0", 14)), Resource(0x0404, iptc),
                                              Resource(0x0425, Bytes(16, 0xAA))}));
    const std::string xmp =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' photoshop:City='Shibuya'"
        " xmlns:Iptc4xmpCore='http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/' Iptc4xmpCore:CountryCode='JP'"
        " xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSLatitude='35,39.5N'"
        " xmlns:ext='http://iptc.org/std/Iptc4xmpExt/2008-02-29/'><ext:LocationCreated><rdf:Bag><rdf:li"
        " ext:Sublocation='Hachiko'/></rdf:Bag></ext:LocationCreated></rdf:Description></rdf:RDF></x:xmpmeta>";
    const std::string dwc =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description xmlns:dwc='http://rs.tdwg.org/dwc/index.htm'><dwc:dctermsLocation rdf:parseType='Resource'>"
        "<dwc:decimalLatitude>35.6586</dwc:decimalLatitude><dwc:municipality>Shibuya</dwc:municipality>"
        "</dwc:dctermsLocation></rdf:Description></rdf:RDF></x:xmpmeta>";
    const std::string shot =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description xmlns:xmpDM='http://ns.adobe.com/xmp/1.0/DynamicMedia/' xmpDM:shotLocation='Shibuya'"
        " xmlns:mediapro='http://ns.iview-multimedia.com/mediapro/1.0/' mediapro:Location='Tokyo Tower'/>"
        "</rdf:RDF></x:xmpmeta>";
    // A clip's keys: its coordinates and the place's name.
    const std::string iso = "com.apple.quicktime.location.ISO6709", name = "com.apple.quicktime.location.name";
    auto key = [](const std::string& k) { return Concat({Be32(static_cast<uint32_t>(8 + k.size())), Text("mdta"), Text(k)}); };
    auto entry = [](uint32_t n, const std::string& v) {
        return Box(std::string(reinterpret_cast<const char*>(Be32(n).data()), 4),
                   Box("data", Concat({Be32(1), Be32(0), Text(v)})));
    };
    const Bytes mov = Concat({Ftyp("qt  ", "qt  "), Box("mdat", Bytes(8, 0)),
                              Box("moov", Box("meta", Concat({
                                  FullBox("hdlr", 0, Concat({Be32(0), Text("mdta"), Bytes(13, 0)})),
                                  FullBox("keys", 0, Concat({Be32(2), key(iso), key(name)})),
                                  Box("ilst", Concat({entry(1, "+35.6586+139.7454/"), entry(2, "Hachiko Square")}))})))});
    return {
        {"XMP: photoshop:City, a country code and a LocationCreated structure", Picture({XmpSegment(xmp)}), 1, 3,
         {"Shibuya", "Hachiko", "35,39.5N"}},
        {"IPTC datasets in APP13", Picture({app13}), 0, 2, {"Tokyo", "Japan"}},
        // A TIFF keeps them in a field of their own; the digest beside them covers that field's block.
        {"IPTC datasets in a TIFF's field", TiffFile(TiffWithIptc(iptc)), 1, 2, {"Tokyo", "Japan"}},
        {"IPTC datasets in a HEIF's Exif item in pieces", HeifInPieces(TiffWithIptc(iptc)), 1, 2, {"Tokyo", "Japan"}},
        {"IPTC datasets in a JPEG's AFCP trailer", Afcp(Picture({}), iptc), 0, 2, {"Tokyo", "Japan"}},
        {"a clip's location name key", mov, 1, 1, {"Hachiko", "+35.6586"}},
        {"Samsung's country code", Concat({Picture({}), SefTrailer(0x0A31, "MCC_Data", Text("440"))}), 0, 1, {"440"}},
        {"Samsung's country code in a HEIC's trailer box",
         Heif({}, {}, Box("sefd", SefTrailer(0x0A31, "MCC_Data", Text("440")))), 0, 1, {"440"}},
        {"Nikon's location in a JPEG", Picture({ExifSegment(WithMakerNote(NikonNote))}), 1, 2,
         {"Shibuya", "JPN"}},
        {"Casio's home town in a JPEG", Picture({ExifSegment(WithMakerNote(CasioNote))}), 1, 1, {"New York"}},
        {"Panasonic's city in a TIFF file", TiffFile(WithMakerNote(PanasonicNote)), 1, 1, {"Kyoto"}},
        {"Samsung's location name in a HEIF item in pieces", HeifInPieces(WithMakerNote(SamsungNote)), 1, 1,
         {"Gangnam"}},
        {"Pentax's home town code in a WebP", WebpWithExif(WithMakerNote(PentaxNote)), 1, 1, {}},
        {"Canon's home time zone city in a JPEG", Picture({ExifSegment(WithMakerNote(CanonNote, "Canon"))}), 1, 1, {}},
        // As ImageMagick keeps Exif in a PNG: hex digits, "Kyoto" among them.
        {"Panasonic's city in a PNG's raw profile",
         Png(PngText("zTXt", "Raw profile type exif",
                     RawProfile("exif", Concat({Text(std::string("Exif\0\0", 6)), TiffFile(WithMakerNote(PanasonicNote))})))),
         1, 1, {}},
        {"Panasonic's city in a PNG's raw profile, plain",
         Png(PngText("tEXt", "Raw profile type exif", RawProfile("exif", TiffFile(WithMakerNote(PanasonicNote))))), 1, 1,
         {"4b796f746f"}},
        {"JSON: a service's place and its city", Text(R"({"geoData": {"latitude": 35.6586}, "city": "Minato",)"
                                                          R"( "place": {"name": "Tokyo Tower", "address": "Shiba"}})"),
         1, 1, {"Minato", "Tokyo Tower", "Shiba", "35.6586"}},
        {"XMP: Darwin Core's place of an occurrence", Picture({XmpSegment(dwc)}), 1, 1, {"Shibuya", "35.6586"}},
        {"XMP: where a clip was shot, a cataloguer's location", Picture({XmpSegment(shot)}), 0, 2,
         {"Shibuya", "Tokyo Tower"}},
        // A caption naming a coordinate is a position, asked for or not; a title naming none stays.
        {"IPTC: a caption naming a coordinate in APP13",
         Picture({Segment(0xED, Concat({Text(std::string("Photoshop 3.0\0", 14)),
                                        Resource(0x0404, Concat({Dataset(5, "Bridge 35"), Dataset(90, "Tokyo"),
                                                                 Dataset(120, "Lat: 35.6586 Lon: 139.7454")})),
                                        Resource(0x0425, Bytes(16, 0xAA))}))}),
         1, 1, {"35.6586", "Tokyo"}},
        {"IPTC: a headline holding ISO 6709 in a TIFF's field", TiffFile(TiffWithIptc(Dataset(105, "+35.6586+139.7454/"))),
         2, 0, {"+35.6586"}},
        {"IPTC: the content's location, its code and name, in a TIFF's field",
         TiffFile(TiffWithIptc(Concat({Dataset(26, "JPN"), Dataset(27, "Shibuya Crossing")}))), 1, 2,
         {"JPN", "Shibuya Crossing"}},
        {"IPTC: a keyword that is a machine tag's latitude in a TIFF's field",
         TiffFile(TiffWithIptc(Dataset(25, "geo:lat=35.658600"))), 2, 0, {"geo:lat"}},
    };
}

size_t Count(const LocateResult& r, bool places) {
    return static_cast<size_t>(std::count_if(r.finds.begin(), r.finds.end(), [&](const PositionFind& f) {
        return (f.kind == FindKind::PlaceName) == places;
    }));
}

}  // namespace

TEST(PlaceNames, AreFoundAndBlankedOnlyOnRequest) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        const int64_t len = static_cast<int64_t>(row.file.size());
        LocateResult plain, asked;
        LocatePositions(ByteReader(row.file.data(), len), plain);
        LocatePositions(ByteReader(row.file.data(), len), asked, LocateDepth::Thorough, nullptr, nullptr, {true});
        EXPECT_EQ(Count(plain, false), row.positions);
        EXPECT_EQ(Count(plain, true), 0u);
        EXPECT_EQ(Count(asked, false), row.positions);
        EXPECT_EQ(Count(asked, true), row.places);
        ASSERT_TRUE(asked.CanClean());

        Bytes out = row.file;
        ASSERT_TRUE(StripPositions(out.data(), len, asked, {}));
        LocateResult again;
        LocatePositions(ByteReader(out.data(), len), again, LocateDepth::Thorough, nullptr, nullptr, {true});
        EXPECT_TRUE(again.Clean());
        for (const std::string& text : row.gone)
            EXPECT_EQ(std::search(out.begin(), out.end(), text.begin(), text.end()), out.end()) << text;
        const std::vector<ByteRange> ranges = StripRanges(asked, {});
        for (int64_t i = 0; i < len; ++i) {
            const bool inside = std::any_of(ranges.begin(), ranges.end(),
                                            [&](const ByteRange& b) { return i >= b.pos && i < b.End(); });
            EXPECT_TRUE(inside || out[i] == row.file[i]) << "byte " << i;
        }
    }
}

TEST(PlaceNames, TheIptcDigestIsTheMd5OfTheBlankedDatasets) {
    for (size_t k : {1, 2}) {  // in APP13's resources, and beside a TIFF's resources
        const Row row = Rows()[k];
        SCOPED_TRACE(row.name);
        Bytes out = row.file;
        LocateResult r;
        LocatePositions(ByteReader(out.data(), static_cast<int64_t>(out.size())), r, LocateDepth::Thorough, nullptr,
                        nullptr, {true});
        ASSERT_TRUE(StripPositions(out.data(), static_cast<int64_t>(out.size()), r, {}));
        // The IPTC block starts with its first dataset; the digest follows its own resource header.
        const std::string first("\x1C\x02\x05", 3);
        const auto block = std::search(out.begin(), out.end(), first.begin(), first.end());
        ASSERT_NE(block, out.end());
        const size_t blockLen = 4 * 5 + std::string("TitleTokyoJapan  ").size();
        Md5 md5;
        md5.Update(&*block, static_cast<int64_t>(blockLen));
        uint8_t want[16];
        md5.Final(want);
        const std::string digest("8BIM\x04\x25", 6);
        const auto at = std::search(out.begin(), out.end(), digest.begin(), digest.end());
        ASSERT_NE(at, out.end());
        EXPECT_EQ(std::memcmp(want, &*at + 12, 16), 0);
    }
}

// Place names in what cannot be taken apart are found on request, and
// cannot be removed: a signed manifest's location assertion, an XMP packet
// in UTF-16, Canon's recipe data that a TIFF's 0th IFD runs over.
TEST(PlaceNames, InWhatCannotBeTakenApartAreFoundButNotRemovable) {
    const std::string xmp =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description photoshop:City='Kyoto'/></rdf:RDF></x:xmpmeta>";
    Bytes utf16 = Text(std::string("http://ns.adobe.com/xap/1.0/\0", 29));
    for (char ch : xmp) utf16.insert(utf16.end(), {0, static_cast<uint8_t>(ch)});
    // The 0th IFD declares 0x9090 entries; the recipe data (an XMP block,
    // the footer naming the blocks' length) lie inside what it declares.
    const Bytes sig = Text(std::string("CANON OPTIONAL DATA\0", 20));
    const Bytes blocks = Concat({Be32(0xFFFF00F6), Be32(static_cast<uint32_t>(xmp.size())), Text(xmp)});
    Bytes footer = Concat({sig, Be32(static_cast<uint32_t>(blocks.size()))});
    footer.resize(0x40, 0);
    const Bytes overrun = Concat({Text(std::string("II*\0\x08\0\0\0\x90\x90", 10)), sig, Bytes{0, 1, 0, 0},
                                 Be32(static_cast<uint32_t>(blocks.size())), blocks, footer});
    const struct {
        const char* name;
        Bytes file;
        FindWhy why;
    } cases[] = {
        {"a C2PA manifest's broad location",
         Picture({Segment(0xEB, Concat({Text("JP"), Bytes{0, 1, 0, 0, 0, 1}, Text("jumb cai.location.broad Kyoto")}))}),
         FindWhy::PlaceTextUnparsed},
        {"a UTF-16 XMP packet", Picture({Segment(0xE1, utf16)}), FindWhy::XmpPlaceUnparsed},
        {"recipe data inside a TIFF's 0th IFD (found by fuzzing)", overrun, FindWhy::TiffPartsOverlap},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ByteReader file(c.file.data(), static_cast<int64_t>(c.file.size()));
        LocateResult plain, asked;
        LocatePositions(file, plain);
        EXPECT_TRUE(plain.Clean());
        LocatePositions(file, asked, LocateDepth::Thorough, nullptr, nullptr, {true});
        ASSERT_EQ(asked.finds.size(), 1u);
        EXPECT_EQ(asked.finds[0].kind, FindKind::PlaceName);
        EXPECT_EQ(asked.finds[0].why, c.why);
        EXPECT_FALSE(asked.CanClean());
    }
}

TEST(PlaceNames, AMakerNoteValueThatCannotBeLocatedSafelyIsFoundButNotRemovable) {
    struct Case {
        const char* name;
        std::function<Bytes(uint32_t)> note;
        FindWhy why;
    };
    const Case cases[] = {
        {"an offset before the note", [](uint32_t) {
             return Concat({Text(std::string("Panasonic\0\0\0", 12)), Ifd({{0x006D, kUndefined, 8, 0}}), Padded("Kyoto", 8)});
         }, FindWhy::MakerPlaceOutside},
        {"a value over the note's own IFD", [](uint32_t at) {
             return Concat({Text(std::string("Panasonic\0\0\0", 12)), Ifd({{0x006D, kUndefined, 8, at + 12}}), Padded("Kyoto", 8)});
         }, FindWhy::MakerPlaceSharesBytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = Picture({ExifSegment(WithMakerNote(c.note))});
        LocateResult r;
        LocatePositions(ByteReader(file.data(), static_cast<int64_t>(file.size())), r, LocateDepth::Thorough, nullptr,
                        nullptr, {true});
        ASSERT_EQ(Count(r, true), 1u);
        const auto place = std::find_if(r.finds.begin(), r.finds.end(),
                                        [](const PositionFind& f) { return f.kind == FindKind::PlaceName; });
        EXPECT_FALSE(place->removable);
        EXPECT_EQ(place->why, c.why);
        EXPECT_FALSE(r.CanClean());
    }
}
