// The PNG walk: one row per place a position hides in a PNG (eXIf with or
// without "Exif\0\0"; text chunks holding Exif or XMP as hex raw profiles
// or XMP packets, compressed or not; values named by a GPS tag) and per
// chunk the walk does not take apart (a C2PA manifest, an unknown chunk,
// data after IEND, a chunk past the file's end, a chunk whose CRC is
// already wrong). Image data holds "GPS" in every row: it is skipped, never
// read. Each file is walked at both depths; each one whose finds can all be
// removed keeps the strip contract (same length, found clean again, no
// byte changed outside the strip's ranges) and every chunk's CRC holds.
#include "cli/FindText.h"
#include "fuzz/StripContract.h"
#include "locate/Locator.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <sstream>

using namespace testjpeg;

namespace {

// True when every chunk up to IEND lies inside and its CRC holds.
bool CrcsHold(const uint8_t* p, int64_t len) {
    const ByteReader be(p, len, ByteReader::kBigEndian);
    for (int64_t pos = 8; pos < len;) {
        uint32_t n = 0, crc = 0;
        if (!be.U32(pos, n) || !be.U32(pos + 8 + n, crc) ||
            crc32(0, p + pos + 4, static_cast<uInt>(4 + n)) != crc)
            return false;
        if (std::equal(p + pos + 4, p + pos + 8, "IEND")) return true;
        pos += 12 + n;
    }
    return false;
}

std::vector<Row> Rows() {
    const ExifBuilder gps = FiveEntryGps();
    const Bytes tiff = TiffFile(gps);
    const int64_t gpsIfd = gps.FilePosOfGpsIfd() - gps.FilePosOfTiff();
    const Bytes app1 = Concat({Text(std::string("Exif\0\0", 6)), tiff});
    // Image data holding "GPS" comes before every chunk of each row.
    auto png = [](const Bytes& chunk) { return Png(Concat({PngChunk("IDAT", Text("GPS " + kWhere)), chunk})); };
    const Bytes exif = PngWithExif(gps), prefixed = png(PngChunk("eXIf", app1));
    Bytes badMagic = tiff;  // a magic number of 0: lenient readers read on, not to a maker note's header
    badMagic[2] = badMagic[3] = 0;
    const Bytes damaged = png(PngChunk("eXIf", Concat({Text(std::string("Exif\0\0", 6)), badMagic,
                                                        Text(std::string("Nikon\0\2\x10\0\0MM\0*\0\0\0\x08", 18))})));
    // Exif under the chunk's older name, and in its once-proposed compressed form.
    const Bytes older = png(PngChunk("exIf", tiff));
    const Bytes zxif =
        png(PngChunk("zxIf", Concat({Bytes{0}, Be32(static_cast<uint32_t>(tiff.size())), ZlibStored(tiff)})));
    const Bytes rawExif = png(PngText("tEXt", "Raw profile type exif", RawProfile("exif", app1)));
    const Bytes xmpText = png(PngText("iTXt", "XML:com.adobe.xmp", Text(kXmp)));
    const Bytes gpsValue = png(PngText("tEXt", "exif:GPSLatitude", Text("35,39.485N")));
    const Bytes latitude = png(PngText("tEXt", "drone:HomeLatitude", Text("35.6586")));  // a name ending so
    const Bytes c2pa = png(PngChunk("caBX", Text("jumb c2pa.assertions stds.exif exif:GPSLatitude 35,39.485N")));
    const Bytes unknown = png(PngChunk("geOd", Text(kWhere)));
    const Bytes trailer = Concat({png({}), Text("GPS 35.6586")});
    // A comment whose length runs past the file's end; an eXIf chunk whose CRC is wrong.
    Bytes past = png(PngText("tEXt", "Comment", Text("GPS 35.6586"))), crc = exif;
    Put32(past, static_cast<size_t>(At(past, "tEXt", -4)), 1000, Order::MM);
    crc[static_cast<size_t>(At(crc, "IDAT", -5))] ^= 1;

    // JNG and MNG share PNG's chunks: a JNG's JPEG data (JDAT) is a JPEG
    // of its own; an MNG runs on after a picture's IEND up to MEND.
    const Bytes jpeg = Picture({ExifSegment(gps)});
    auto jng = [](const Bytes& chunks) {
        return Concat({Text("\x8BJNG\r\n\x1A\n"), PngChunk("JHDR", Bytes(16, 0)), chunks, PngChunk("IEND", {})});
    };
    const Bytes jdat = jng(PngChunk("JDAT", jpeg));
    const auto half = static_cast<std::ptrdiff_t>(jpeg.size() / 2);
    const Bytes split = jng(Concat({PngChunk("JDAT", Bytes(jpeg.begin(), jpeg.begin() + half)),
                                    PngChunk("JDAT", Bytes(jpeg.begin() + half, jpeg.end()))}));
    const Bytes mng = Concat({Text("\x8AMNG\r\n\x1A\n"), PngChunk("MHDR", Bytes(28, 0)), PngChunk("IHDR", Bytes(13, 0)),
                              PngChunk("IDAT", Text("GPS")), PngChunk("IEND", {}),
                              PngText("tEXt", "exif:GPSLatitude", Text("35,39.485N")), PngChunk("MEND", {})});

    auto one = [](FindKind k, int64_t pos, const std::string& carrier) {
        return std::vector<Want>{{k, true, FindWhy::None, pos, carrier}};
    };
    auto no = [](FindKind k, FindWhy why, int64_t pos, const std::string& carrier) {
        return std::vector<Want>{{k, false, why, pos, carrier}};
    };
    const FindKind gpsIfdKind = FindKind::ExifGps, opaque = FindKind::Unparsed;
    return {
        {"eXIf", exif, one(gpsIfdKind, At(exif, tiff, gpsIfd), "eXIf")},
        {"eXIf after Exif\\0\\0", prefixed, one(gpsIfdKind, At(prefixed, tiff, gpsIfd), "eXIf")},
        {"eXIf after Exif\\0\\0, its magic number damaged, a maker note's TIFF header after it", damaged,
         one(gpsIfdKind, At(damaged, badMagic, gpsIfd), "eXIf")},
        {"exIf, the older name", older, one(gpsIfdKind, At(older, tiff, gpsIfd), "exIf")},
        {"zxIf, compressed", zxif, one(gpsIfdKind, -1, "zxIf")},
        {"tEXt raw profile exif", rawExif, one(gpsIfdKind, -1, "tEXt Raw profile type exif")},
        {"zTXt raw profile exif", png(PngText("zTXt", "Raw profile type exif", RawProfile("exif", app1))),
         one(gpsIfdKind, -1, "zTXt Raw profile type exif")},
        {"iTXt compressed raw profile APP1", png(PngText("iTXt", "Raw profile type APP1", RawProfile("APP1", tiff), true)),
         one(gpsIfdKind, -1, "iTXt Raw profile type APP1")},
        {"iTXt XMP", xmpText, one(FindKind::Xmp, At(xmpText, "exif:GPSLatitude"), "iTXt XML:com.adobe.xmp")},
        {"iTXt compressed XMP", png(PngText("iTXt", "XML:com.adobe.xmp", Text(kXmp), true)),
         one(FindKind::Xmp, -1, "iTXt XML:com.adobe.xmp")},
        {"tEXt raw profile xmp", png(PngText("tEXt", "Raw profile type xmp", RawProfile("xmp", Text(kXmp)))),
         one(FindKind::Xmp, -1, "tEXt Raw profile type xmp")},
        {"tEXt named by a GPS tag", gpsValue, one(FindKind::Location, At(gpsValue, "35,39"), "tEXt exif:GPSLatitude")},
        {"tEXt named by a latitude", latitude,
         one(FindKind::Location, At(latitude, "Latitude", 9), "tEXt drone:HomeLatitude")},
        {"zTXt named by a GPS tag", png(PngText("zTXt", "GPSLongitude", Text("139 deg 44' 43.44\" E"))),
         one(FindKind::Location, -1, "zTXt GPSLongitude")},
        {"caBX manifest", c2pa, no(opaque, FindWhy::ChunksUnparsed, At(c2pa, "caBX", -4), "caBX")},
        {"unknown chunk", unknown, no(opaque, FindWhy::ChunksUnparsed, At(unknown, "geOd", -4), "geOd")},
        {"comments and image data", png(PngText("zTXt", "Comment", Text("made here"))), {}},
        {"data after IEND", trailer,
         no(FindKind::AfterEnd, FindWhy::AfterEndHoldsGps, static_cast<int64_t>(png({}).size()), "")},
        {"chunk past the file's end", past, no(opaque, FindWhy::ChunksUnparsed, At(past, "tEXt", -4), "after the chunks")},
        {"JNG: Exif in its JPEG data", jdat,
         one(gpsIfdKind, At(jdat, "JDAT", 4) + gps.FilePosOfGpsIfd(), "JDAT / picture 1 / APP1 #1")},
        {"JNG: JPEG data split over two chunks", split,
         no(opaque, FindWhy::SplitJpegHoldsPosition, At(split, "JDAT", -4), "JDAT")},
        {"MNG: a text chunk after a picture's IEND", mng,
         one(FindKind::Location, At(mng, "35,39"), "tEXt exif:GPSLatitude")},
        {"eXIf with a wrong CRC", crc, no(gpsIfdKind, FindWhy::ChunkCrcWrong, At(crc, tiff, gpsIfd), "eXIf")},
    };
}

}  // namespace

TEST(Png, EveryPlaceInAPngIsFoundAndStrippedWithItsCrc) {
    for (const Row& row : Rows()) {
        const std::vector<uint8_t> out = ExpectWalkAndStrip(row);
        if (!out.empty()) {
            EXPECT_TRUE(CrcsHold(out.data(), static_cast<int64_t>(out.size()))) << row.name;
        }
    }
}

// ImageMagick keeps a JPEG's IPTC in a PNG twice, as hex raw profiles: the
// datasets alone ("iptc") and Photoshop's resources ("8bim", here
// compressed). Their place names count only on request, and are blanked in
// the digits: the hex of spaces, each chunk's CRC written anew.
TEST(Png, IptcRawProfilesHoldPlaceNamesOnlyOnRequest) {
    auto dataset = [](uint8_t n, const std::string& v) {
        return Concat({Bytes{0x1C, 2, n, 0, static_cast<uint8_t>(v.size())}, Text(v)});
    };
    const Bytes iptc = Concat({dataset(90, "Tokyo"), dataset(101, "Japan"), dataset(5, "Title")});
    const Bytes irb = Concat({Text("8BIM"), Bytes{0x04, 0x04, 0, 0}, Be32(static_cast<uint32_t>(iptc.size())), iptc});
    const Bytes file = Png(Concat({PngText("tEXt", "Raw profile type iptc", RawProfile("iptc", iptc)),
                                   PngText("zTXt", "Raw profile type 8bim", RawProfile("8bim", irb))}));
    const int64_t len = static_cast<int64_t>(file.size());
    LocateResult plain, asked;
    LocatePositions(ByteReader(file.data(), len), plain);
    LocatePositions(ByteReader(file.data(), len), asked, LocateDepth::Thorough, nullptr, nullptr, {true});
    EXPECT_TRUE(plain.Clean()) << Describe(plain.finds);
    ASSERT_EQ(asked.finds.size(), 4u) << Describe(asked.finds);  // a find per value
    for (const PositionFind& f : asked.finds) EXPECT_TRUE(f.kind == FindKind::PlaceName && f.removable);

    Bytes out = file;
    ASSERT_TRUE(StripPositions(out.data(), len, asked, {}));
    EXPECT_TRUE(CrcsHold(out.data(), len));
    LocateResult again;
    LocatePositions(ByteReader(out.data(), len), again, LocateDepth::Thorough, nullptr, nullptr, {true});
    EXPECT_TRUE(again.Clean()) << Describe(again.finds);
    // The plain text's digits: "Tokyo" gone, the title kept.
    const std::string hex = std::string(out.begin(), out.end());
    EXPECT_EQ(hex.find("546f6b796f"), std::string::npos);
    EXPECT_NE(hex.find("2020202020"), std::string::npos);
    EXPECT_NE(hex.find("5469746c65"), std::string::npos);
}
