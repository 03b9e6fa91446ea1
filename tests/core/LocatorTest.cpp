// The thorough locator and stripping, one row per place a position hides
// (as the README's table lists them) plus crafted offsets, and a property
// over the real corpus.
#include "exif/ExifReader.h"
#include "cli/FindText.h"
#include "locate/Locator.h"
#include "locate/payload/Md5.h"
#include "gpsnull/GpsInvalidate.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/MiniJson.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

using namespace testjpeg;

namespace {

LocateResult Locate(const Bytes& f) {
    LocateResult r;
    LocatePositions(ByteReader(f.data(), static_cast<int64_t>(f.size())), r);
    return r;
}

std::vector<FindKind> Kinds(const LocateResult& r) {
    std::vector<FindKind> k;
    for (const PositionFind& f : r.finds) k.push_back(f.kind);
    return k;
}

const std::string kGpsXmp =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
    "xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSLatitude='35,39.5N' "
    "exif:ExposureTime='1/60'/></rdf:RDF></x:xmpmeta>";
const std::string kGpsXmpElement =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
    "xmlns:e='http://ns.adobe.com/exif/1.0/'><e:GPSLongitude>139,44.5E</e:GPSLongitude>"
    "</rdf:Description></rdf:RDF></x:xmpmeta>";

Bytes GpsApp1() { return ExifSegment(FiveEntryGps()); }
Bytes Jfif() { return Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}); }

// A main picture with an MPF index naming `second`, appended after it.
Bytes WithMpfPicture(const Bytes& second) {
    const size_t mainLen = Picture({MpfSegment(0, 0)}).size();
    // The index's offsets count from its TIFF header: SOI, marker, length, "MPF\0".
    return Concat({Picture({MpfSegment(static_cast<uint32_t>(mainLen - 10),
                                       static_cast<uint32_t>(second.size()))}),
                   second});
}

// 35 GPS entries: more than the window processes.
Bytes LongGpsIfd() {
    ExifBuilder b;
    for (uint16_t t = 0; t < 35; ++t) b.Gps(t, kShort, 1, 7);
    return ExifSegment(b);
}

struct Row {
    const char* name;
    Bytes file;
    std::vector<FindKind> kinds;
    bool removable;
};

std::vector<Row> Rows() {
    const Bytes icc = Segment(0xE2, Bytes(300, 'i'));
    const Bytes stray = Concat({Bytes{0xFF, 0xD8, 0x00, 0x7F}, GpsApp1()});
    Bytes strayFile = Picture({});
    strayFile.erase(strayFile.begin(), strayFile.begin() + 2);
    strayFile = Concat({stray, strayFile});
    const std::string guid(32, 'A');
    const std::string ext = kGpsXmpElement;
    const std::string mainXmp =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
        "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
        "xmlns:xmpNote='http://ns.adobe.com/xmp/note/' xmpNote:HasExtendedXMP='" + guid +
        "'/></rdf:RDF></x:xmpmeta>";
    const uint32_t half = static_cast<uint32_t>(ext.size() / 2);
    // Identifiers readers take for Exif too: in capitals, after 4 bytes of garbage.
    Bytes capitals = GpsApp1();
    std::copy_n("EXIF", 4, capitals.begin() + 4);
    const Bytes app1 = GpsApp1();
    const Bytes garbage = Segment(0xE1, Concat({Bytes{0, 0, 0, 0}, Bytes(app1.begin() + 4, app1.end())}));
    // XMP under headers readers take for it too.
    auto bytes = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    const Bytes xmpNul = Segment(0xE1, bytes(std::string("XMP\0://ns.adobe.com/xap/1.0/\0", 29) + kGpsXmp));
    const Bytes xmpBare = Segment(0xE1, bytes("<?xpacket begin=''?>" + kGpsXmp + "<?xpacket end='w'?>"));
    // Exiv2's metadata file: a header, then a JPEG's segments up to EOI.
    const Bytes exv = Concat({bytes(std::string("\xFF\x01" "Exiv2")), GpsApp1(), XmpSegment(kGpsXmp), {0xFF, 0xD9}});
    // GoPro's metadata in APP6: a device holding a stream of GPS5 values;
    // and one holding settings only.
    auto gopro = [&](const std::string& key) {
        return Segment(0xE6, Concat({bytes(std::string("GoPro\0DEVC\0\1\0\x24STRM\0\1\0\x1c", 22) + key),
                                     Bytes{'l', 20, 0, 1}, Bytes(20, 0x35)}));
    };
    // Photoshop's image resources in APP13, an Exif resource (0x0422) among them.
    const Bytes tiff(app1.begin() + 10, app1.end());
    const Bytes irb = Segment(0xED, Concat({bytes(std::string("Photoshop 3.0\0" "8BIM\x04\x22\0\0", 22)),
                                            Be32(static_cast<uint32_t>(tiff.size())), tiff}));
    const Bytes thumbnail =
        Segment(0xE1, Concat({bytes(std::string("Exif\0\0", 6)), TiffWithThumbnail(Picture({app1}))}));
    // Photoshop's "Save for Web" block: a quality, then a comment (a count, UTF-16 text) naming a coordinate.
    Bytes words = Be32(12);
    for (char ch : std::string("Lat: 35.6586")) words.insert(words.end(), {0, static_cast<uint8_t>(ch)});
    const Bytes ducky = Segment(0xEC, Concat({bytes("Ducky"), Bytes{0, 1, 0, 4, 0, 0, 0, 80, 0, 2, 0, 28}, words,
                                              Bytes{0, 0}}));
    // A byte of the scan damaged into a marker no JPEG defines, whose length runs over the data after the end.
    Bytes damagedScan = Concat({Picture({}), bytes("GPS=35")});
    const auto scanAt = std::search(damagedScan.begin(), damagedScan.end(), ScanBytes().begin(), ScanBytes().end());
    scanAt[0] = 0xFF, scanAt[1] = 0x4A;
    Bytes damagedIntoJpg = damagedScan;  // the same under a marker JPEG reserves (JPG)
    damagedIntoJpg[static_cast<size_t>(scanAt - damagedScan.begin()) + 1] = 0xC8;
    Bytes damagedIdentifier = GpsApp1();  // "\x7Fxif": no identifier readers take for Exif
    damagedIdentifier[4] = 0x7F;
    return {
        {"a thumbnail with an Exif block of its own", Picture({thumbnail}), {FindKind::ExifGps}, true},
        {"a TIFF header after an APP1 identifier damaged beyond Exif", Picture({damagedIdentifier}),
         {FindKind::Container}, false},
        {"a scan's byte damaged into a marker running over data after the end", damagedScan, {FindKind::Unparsed},
         false},
        {"... into a defined marker", damagedIntoJpg, {FindKind::Unparsed}, false},
        {"Exif among Photoshop's image resources", Picture({irb}), {FindKind::ExifGps}, true},
        {"a comment holding a coordinate string", Picture({Segment(0xFE, bytes("at +35.6586+139.7454/"))}),
         {FindKind::Location}, true},
        {"a comment saying GPS", Picture({Segment(0xFE, bytes("GPS 35.6586 N"))}), {FindKind::Unparsed}, false},
        {"a Save for Web comment naming a coordinate", Picture({ducky}), {FindKind::Location}, true},
        {"an APP segment no rule reads holding GPS", Picture({Segment(0xEA, bytes("Note GPS 35,139"))}),
         {FindKind::Unparsed}, false},
        {"GoPro's GPS5 in APP6", Picture({gopro("GPS5")}), {FindKind::TimedGps}, true},
        {"GoPro's settings in APP6", Picture({gopro("WBAL")}), {}, true},
        {"Exif after other segments", Picture({Jfif(), icc, GpsApp1()}), {FindKind::ExifGps}, true},
        {"Exif under the identifier EXIF", Picture({capitals}), {FindKind::ExifGps}, true},
        {"Exif after garbage in its segment", Picture({garbage}), {FindKind::ExifGps}, true},
        {"Exiv2's metadata file", exv, {FindKind::ExifGps, FindKind::Xmp}, true},
        {"a GPS IFD longer than 30 entries", Picture({LongGpsIfd()}), {FindKind::ExifGps}, true},
        {"XMP attribute", Picture({GpsApp1(), XmpSegment(kGpsXmp)}),
         {FindKind::ExifGps, FindKind::Xmp}, true},
        {"XMP under the header XMP\\0", Picture({xmpNul}), {FindKind::Xmp}, true},
        {"XMP without a header", Picture({xmpBare}), {FindKind::Xmp}, true},
        // Read as XMP for its "<exif:" alone: stripped, it is opaque bytes holding "GPS".
        {"XMP after text naming GPS, without a header", Picture({Segment(0xE1, bytes("noted GPS <exif:GPSLatitude>"
                                                                                    "35,39.5N</exif:GPSLatitude>"))}),
         {FindKind::Xmp, FindKind::Unparsed}, false},
        {"XMP element, other prefix", Picture({XmpSegment(kGpsXmpElement)}), {FindKind::Xmp}, true},
        {"extended XMP across two chunks",
         Picture({XmpSegment(mainXmp),
                  ExtendedXmpSegment(guid, static_cast<uint32_t>(ext.size()), 0, ext.substr(0, half)),
                  ExtendedXmpSegment(guid, static_cast<uint32_t>(ext.size()), half, ext.substr(half))}),
         {FindKind::ExtendedXmp}, true},
        {"MPF picture", WithMpfPicture(Picture({GpsApp1()})), {FindKind::ExifGps}, true},
        {"picture appended without an index", Concat({Picture({}), Picture({XmpSegment(kGpsXmp)})}),
         {FindKind::Xmp}, true},
        {"stray bytes before a marker", strayFile, {FindKind::ExifGps}, true},
        {"data after the end", Concat({Picture({}), Bytes{'G', 'P', 'S', '=', '3', '5'}}),
         {FindKind::AfterEnd}, false},
    };
}

// Every byte that differs lies outside the entropy-coded data and the file
// keeps its length.
void ExpectOnlyMetadataChanged(const Bytes& was, const Bytes& now) {
    ASSERT_EQ(was.size(), now.size());
    const Bytes& scan = ScanBytes();
    for (auto it = std::search(was.begin(), was.end(), scan.begin(), scan.end()); it != was.end();
         it = std::search(it + 1, was.end(), scan.begin(), scan.end())) {
        const size_t at = static_cast<size_t>(it - was.begin());
        EXPECT_TRUE(std::equal(scan.begin(), scan.end(), now.begin() + at));
    }
}

}  // namespace

TEST(Locator, FindsAndRemovesEveryPlaceAPositionHides) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        const LocateResult r = Locate(row.file);
        EXPECT_EQ(Kinds(r), row.kinds);
        // Walking the metadata alone finds the same, except a picture that
        // only the compressed data's end shows.
        LocateResult head;
        LocatePositions(ByteReader(row.file.data(), static_cast<int64_t>(row.file.size())), head,
                        LocateDepth::Metadata);
        if (std::string(row.name) == "picture appended without an index")
            EXPECT_TRUE(head.Clean());
        else
            EXPECT_EQ(Kinds(head), row.kinds);
        EXPECT_EQ(r.CanClean(), row.removable);
        Bytes out = row.file;
        const bool stripped = StripPositions(out.data(), static_cast<int64_t>(out.size()), r, {});
        EXPECT_EQ(stripped, row.removable);
        if (!stripped) continue;
        EXPECT_TRUE(Locate(out).Clean()) << DescribeFinds(Locate(out).finds);
        ExpectOnlyMetadataChanged(row.file, out);
    }
}

// A picture an XMP packet holds as base64 (a portrait's original, as
// Google's camera keeps it) is found and stripped in its characters: the
// file becomes the one made with the stripped picture, also in extended
// XMP, which is named anew by the MD5 of its new content.
TEST(Locator, APictureXmpHoldsAsBase64BecomesItsStrippedCharacters) {
    const Bytes inner = Picture({GpsApp1()});
    Bytes stripped = inner;
    ASSERT_TRUE(StripPositions(stripped.data(), static_cast<int64_t>(stripped.size()), Locate(inner), {}));
    auto packet = [](const std::string& description) {
        return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
               "<rdf:Description " + description + "/></rdf:RDF></x:xmpmeta>";
    };
    auto holding = [&](const Bytes& picture) {
        return packet("xmlns:GImage='http://ns.google.com/photos/1.0/image/' GImage:Mime='image/jpeg' GImage:Data='" +
                      Base64(picture, 76) + "'");
    };
    auto md5 = [](const std::string& s) {
        Md5 m;
        m.Update(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int64_t>(s.size()));
        char hex[32];
        m.FinalHex(hex);
        return std::string(hex, 32);
    };
    auto extended = [&](const std::string& content) {
        const std::string guid = md5(content);
        const auto size = static_cast<uint32_t>(content.size()), half = size / 2;
        return Picture({XmpSegment(packet("xmlns:xmpNote='http://ns.adobe.com/xmp/note/' xmpNote:HasExtendedXMP='" +
                                          guid + "'")),
                        ExtendedXmpSegment(guid, size, 0, content.substr(0, half)),
                        ExtendedXmpSegment(guid, size, half, content.substr(half))});
    };
    const struct {
        const char* name;
        Bytes file, want;
    } cases[] = {
        {"in the main packet", Picture({XmpSegment(holding(inner))}), Picture({XmpSegment(holding(stripped))})},
        {"in extended XMP", extended(holding(inner)), extended(holding(stripped))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LocateResult r = Locate(c.file);
        EXPECT_EQ(Kinds(r), std::vector<FindKind>{FindKind::ExifGps});
        Bytes out = c.file;
        ASSERT_TRUE(StripPositions(out.data(), static_cast<int64_t>(out.size()), r, {}));
        EXPECT_EQ(out, c.want);
        EXPECT_TRUE(Locate(out).Clean()) << DescribeFinds(Locate(out).finds);
    }
}

TEST(Locator, CraftedOffsetsNeverLetAPatchReachOtherStructures) {
    // The GPS pointer names the 0th IFD itself: the locator cannot remove
    // it without destroying the 0th IFD, and the window refuses to patch.
    ExifBuilder onto = FiveEntryGps();
    Bytes f = onto.Build();
    const int ptr = onto.FilePosOfIfd0() + 2 + 12 * 1 + 8;  // the pointer follows Make
    Put32(f, static_cast<size_t>(ptr), 8, Order::II);
    LocateResult r = Locate(f);
    ASSERT_EQ(r.finds.size(), 1u);
    EXPECT_FALSE(r.finds[0].removable);
    ExifAnalysis a{};
    AnalyzeExif(a, f.data(), static_cast<int32_t>(f.size()), TagNameTable{});
    EXPECT_FALSE(GpsPatchSafe(a, f.data(), static_cast<int64_t>(f.size())));

    // The pointer names 4 bytes before the end of the file, outside the
    // segment: the window refuses, the locator names it and strips nothing.
    Bytes pic = Picture({ExifSegment(FiveEntryGps())});
    pic.insert(pic.end(), {0x01, 0x00, 0x02, 0x00, 0x05, 0x00});  // count 1, tag 2, RATIONAL
    const int tiff = FiveEntryGps().FilePosOfTiff() - 2 + 2;
    Put32(pic, static_cast<size_t>(ptr), static_cast<uint32_t>(pic.size() - 6 - tiff), Order::II);
    r = Locate(pic);
    AnalyzeExif(a = ExifAnalysis{}, pic.data(), static_cast<int32_t>(pic.size()), TagNameTable{});
    EXPECT_FALSE(GpsPatchSafe(a, pic.data(), static_cast<int64_t>(pic.size())));
    ASSERT_EQ(Kinds(r), std::vector<FindKind>{FindKind::ExifGps});
    EXPECT_FALSE(r.CanClean());

    // A GPS value that points into the 0th IFD's Make text keeps the text.
    ExifBuilder make;
    make.Ifd0Text(0x010F, "Maker Name").GpsData(2, kRational, 1, RationalBytes({{35, 1}}, Order::II));
    Bytes m = make.Build();
    const int value = make.FilePosOfGpsIfd() + 2 + 8;
    Put32(m, static_cast<size_t>(value), static_cast<uint32_t>(make.FilePosOfValues() - make.FilePosOfTiff()),
          Order::II);
    r = Locate(m);
    Bytes out = m;
    ASSERT_TRUE(StripPositions(out.data(), static_cast<int64_t>(out.size()), r, {}));
    const auto text = std::search(out.begin(), out.end(), std::begin("Maker Name"), std::end("Maker Name") - 1);
    EXPECT_NE(text, out.end());
    EXPECT_TRUE(Locate(out).Clean());

    // A thumbnail length without an offset names no thumbnail: it keeps
    // nothing, and the GPS IFD can still be cleared.
    Bytes lengthOnly = FiveEntryGps().Ifd0(0x0202, kLong, 1, 0xFFFFFFFF).Build();
    r = Locate(lengthOnly);
    ASSERT_TRUE(r.CanClean()) << DescribeFinds(r.finds);
    ASSERT_TRUE(StripPositions(lengthOnly.data(), static_cast<int64_t>(lengthOnly.size()), r, {}));
    EXPECT_TRUE(Locate(lengthOnly).Clean());
}

namespace {

// The APP1 segments of the main picture and of pictures appended after it.
std::vector<ByteRange> App1Segments(const Bytes& f) {
    std::vector<ByteRange> out;
    const ByteReader r(f.data(), static_cast<int64_t>(f.size()));
    for (int64_t at = 0; at >= 0 && at < static_cast<int64_t>(f.size());) {
        JpegPicture p;
        if (!WalkJpeg(r, at, r.Length(), p)) break;
        for (const JpegSegment& s : p.segments)
            if (s.marker == 0xE1) out.push_back({s.pos, s.payload + s.payloadLen - s.pos});
        at = p.end;
    }
    return out;
}

bool HasFind(const LocateResult& r, FindKind k, int64_t pos = -1) {
    return std::any_of(r.finds.begin(), r.finds.end(), [&](const PositionFind& f) {
        return f.kind == k && (pos < 0 || f.pos == pos);
    });
}

}  // namespace

TEST(Locator, CorpusFindsEveryKnownPositionAndStripsOnlyThem) {
    const Bytes t = ReadFileBytes(std::string(TAMLIX_CORPUS_DIR) + "/truth.json");
    const testjson::Value truth = testjson::Value::Parse(std::string(t.begin(), t.end()));
    const std::filesystem::path outDir =
        std::filesystem::path(::testing::TempDir()) / ("tamlix_locator_" + std::to_string(getpid()));
    std::filesystem::create_directories(outDir);
    int cleaned = 0;
    for (const testjson::Value& e : truth["files"].Items()) {
        const std::string name = e["file"].AsString();
        SCOPED_TRACE(name);
        const Bytes f = ReadFileBytes(std::string(TAMLIX_CORPUS_DIR) + "/" + name);
        const LocateResult r = Locate(f);
        bool gpsValue = false;
        if (!e["gps_entries"].IsNull())
            for (const testjson::Value& g : e["gps_entries"].Items())
                gpsValue = gpsValue || (g[2].AsInt() >= 1 && g[2].AsInt() <= 13);
        if (gpsValue) {
            EXPECT_TRUE(HasFind(r, FindKind::ExifGps, e["gps_ifd_pos"].AsInt()));
        }
        if (e["xmp_gps"].AsBool()) {
            EXPECT_TRUE(HasFind(r, FindKind::Xmp) || HasFind(r, FindKind::ExtendedXmp));
        }
        ExifAnalysis a{};
        AnalyzeExif(a, f.data(), static_cast<int32_t>(f.size()), TagNameTable{});
        if (a.m_nGpsState == kGpsData && a.m_nGpsDone > 0 && a.m_Gps[0].m_nType != 0) {
            EXPECT_TRUE(HasFind(r, FindKind::ExifGps, a.m_nGpsPos));
        }
        // The window's writer keeps patching every real GPS photo as before.
        if (a.m_nGpsState == kGpsData) {
            EXPECT_TRUE(GpsPatchSafe(a, f.data(), static_cast<int64_t>(f.size())));
        }
        if (!r.CanClean()) continue;
        Bytes out = f;
        ASSERT_TRUE(StripPositions(out.data(), static_cast<int64_t>(out.size()), r, {}));
        EXPECT_TRUE(Locate(out).Clean()) << DescribeFinds(Locate(out).finds);
        ASSERT_EQ(out.size(), f.size());
        const std::vector<ByteRange> app1 = App1Segments(f);
        for (size_t i = 0; i < f.size(); ++i) {
            if (out[i] == f[i]) continue;
            ASSERT_TRUE(std::any_of(app1.begin(), app1.end(), [&](const ByteRange& s) {
                return static_cast<int64_t>(i) >= s.pos && static_cast<int64_t>(i) < s.pos + s.len;
            })) << "byte " << i << " changed outside the metadata";
        }
        if (!r.Clean()) {
            ++cleaned;
            WriteFileBytes((outDir / std::filesystem::path(name).filename()).string(), out);
        }
    }
    EXPECT_GE(cleaned, 25);
    // An independent reader finds no GPS tag with a value in the results.
    if (std::system("exiftool -ver >/dev/null 2>&1") == 0) {
        const std::string list = (outDir / "exiftool.txt").string();
        const std::string cmd = "exiftool -a -G1 -ee -n -s -q -q '" + outDir.string() +
                                "'/*.jpg > '" + list + "' 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        const Bytes text = ReadFileBytes(list);
        std::istringstream lines(std::string(text.begin(), text.end()));
        for (std::string line; std::getline(lines, line);) {
            const size_t colon = line.find(':');
            if (colon == std::string::npos) continue;
            const std::string tag = line.substr(0, colon);
            const bool empty = line.find_first_not_of(' ', colon + 1) == std::string::npos;
            EXPECT_TRUE(tag.find("GPS") == std::string::npos || empty) << line;
        }
    }
    std::filesystem::remove_all(outDir);
}
