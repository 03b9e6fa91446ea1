// The locator fails closed on what it does not take apart: one row per
// place a position hides outside the JPEG walk (other containers, motion
// photos' videos, data after the picture), at both depths; the ISO 6709
// recogniser; and the companion's answers on such files.
#include "cli/FindText.h"
#include "locate/Locator.h"
#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/SegmentBuilder.h"
#include "tests/support/TestOs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>

using namespace testjpeg;

namespace {

struct Want {
    FindKind kind;
    Container container;
    int64_t pos;
    bool wholeFile;
    bool removable;
    bool operator==(const Want&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Want& w) {
    return os << "{" << FindKindName(w.kind) << ", " << ContainerName(w.container) << " at " << w.pos
              << (w.wholeFile ? ", whole file" : "") << (w.removable ? ", removable" : "") << "}";
}

struct Row {
    const char* name;
    Bytes file;
    std::vector<Want> finds;
    int64_t trailer;  // where --drop-trailer cuts; -1: nowhere
    bool canDrop;     // CanClean(true)
};

const std::string kWhere = "+35.6586+139.7454/";

std::vector<Row> Rows() {
    const ExifBuilder gps = FiveEntryGps();
    const Bytes mp4 = Mp4WithLocation(kWhere);
    const Bytes pic = Picture({});
    const int64_t end = static_cast<int64_t>(pic.size());
    auto after = [&](const Bytes& tail) { return Concat({pic, tail}); };
    auto whole = [](Container c) { return std::vector<Want>{{FindKind::Container, c, 0, true, false}}; };
    auto part = [](Container c, int64_t at) { return Want{FindKind::Container, c, at, false, false}; };
    const Want afterEnd{FindKind::AfterEnd, Container::None, end, false, false};
    Bytes stray = pic;  // a damaged Exif segment: its TIFF header between segments
    stray.insert(stray.begin() + 2, {'I', 'I', 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00});
    const Bytes gpsText = Text("Breite (GPS) : N/A");
    const Bytes fastStart = Concat({Ftyp("isom", "isomiso2mp41"), Box("moov", Box("udta", XyzBox(kWhere))),
                                    Box("mdat", {0x00, 0x00, 0x00, 0x02, 0x09, 0xF0, 0xFF, 0xD9, 0x25, 0xB8})});
    // The window's 200-byte scan meets "Exif" (the item's type) and then
    // the TIFF header in `mdat`: it reads a GPS IFD outside any segment.
    const Bytes heic = HeicWithExif(gps);
    const int64_t heicGps = static_cast<int64_t>(heic.size() - TiffFile(gps).size()) +
                            gps.FilePosOfGpsIfd() - gps.FilePosOfTiff();
    // A clip's location box or value, found at the text it starts with.
    auto at = [](const Bytes& file, const std::string& text, int64_t back = 0) {
        const Bytes t = Text(text);
        const auto hit = std::search(file.begin(), file.end(), t.begin(), t.end());
        return Want{FindKind::Location, Container::None, (hit - file.begin()) - back, false, true};
    };
    // Fujifilm's RAF: a 148-byte header naming the preview JPEG (offset at
    // 84, length at 88), the JPEG, then raw data.
    auto raf = [](const Bytes& jpeg, uint32_t offset) {
        Bytes f = Concat({Text("FUJIFILMCCD-RAW 0201FF383501X-T5"), Bytes(148 - 32, 0), jpeg, Bytes(64, 0x5A)});
        for (int i = 0; i < 4; ++i) {
            f[static_cast<size_t>(84 + i)] = static_cast<uint8_t>(offset >> (24 - 8 * i));
            f[static_cast<size_t>(88 + i)] = static_cast<uint8_t>(jpeg.size() >> (24 - 8 * i));
        }
        return f;
    };
    const Bytes rafJpeg = Picture({ExifSegment(gps)});
    const int64_t rafGps = 148 + 12 + gps.FilePosOfGpsIfd() - gps.FilePosOfTiff();
    // A preview that the header names to the file's end, a position after
    // its EOI: a cut there would cut the raw file's preview short.
    Bytes rafToEnd = raf(Concat({rafJpeg, Text(kWhere)}), 148);
    rafToEnd.resize(rafToEnd.size() - 64);
    Bytes rafNoSoi = raf(rafJpeg, 148);  // the preview's SOI damaged: readers still find its Exif
    rafNoSoi[149] = 0x36;
    // Photoshop's PSD: header, no colour mode data, image resources (an
    // Exif resource, a resource holding GPS text), no layers, the pixels.
    auto resource = [](uint16_t id, const Bytes& data) {
        return Concat({Text("8BIM"), {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id), 0, 0},
                       Be32(static_cast<uint32_t>(data.size())), data, Bytes(data.size() % 2, 0)});
    };
    auto psd = [](const Bytes& resources, const Bytes& layers = {}) {
        return Concat({Text("8BPS"), {0, 1}, Bytes(6, 0), {0, 3}, Be32(1), Be32(1), {0, 8, 0, 3}, Be32(0),
                       Be32(static_cast<uint32_t>(resources.size())), resources,
                       Be32(static_cast<uint32_t>(layers.size())), layers, Bytes(5, 0)});
    };
    // A smart object: the layer section's "lnk2" block, holding a record
    // (an 8-byte length, "liFD", version 7, an ID, a name, type and
    // creator, the file's length, no descriptor) with a geotagged JPEG in
    // it, padded to 4 bytes; no layers, no global mask.
    auto smartObject = [&](const Bytes& file, const Bytes& before = {}) {
        const Bytes record = Concat({Text("liFD"), Be32(7), {5}, Text("a1b2c"), Be32(1), {0, 'x'}, Text("JPEG8BIM"),
                                     Be32(0), Be32(static_cast<uint32_t>(file.size())), {0}, file, Be32(0),
                                     Bytes(9, 0)});
        const Bytes block = Concat({Be32(0), Be32(static_cast<uint32_t>(record.size())), record,
                                    Bytes((4 - record.size() % 4) % 4, 0)});
        return psd({}, Concat({Be32(0), Be32(0), before, Text("8BIMlnk2"), Be32(static_cast<uint32_t>(block.size())),
                               block}));
    };
    const Bytes placed = Picture({ExifSegment(gps)});
    const Bytes psdSmart = smartObject(placed);
    // ... after a block whose length runs past the section.
    const Bytes psdSmartLost = smartObject(placed, Concat({Text("8BIMabcd"), Be32(0x7FFFFFF0)}));
    const int64_t psdSmartGps = (std::search(psdSmart.begin(), psdSmart.end(), placed.begin(), placed.end()) -
                                 psdSmart.begin()) + 12 + gps.FilePosOfGpsIfd() - gps.FilePosOfTiff();
    const Bytes psdExif = psd(resource(0x0422, TiffFile(gps)));
    const int64_t psdGps = 26 + 4 + 4 + 12 + gps.FilePosOfGpsIfd() - gps.FilePosOfTiff();
    const Bytes psdText =
        psd(Concat({resource(0x0421, Text("Adobe Photoshop")), resource(0x0FA0, Text("GPS route 7"))}));
    const Bytes google = GoogleMotionPhoto(mp4), samsung = SamsungMotionPhoto(mp4);
    // A picture a container directory names (a gain map, a depth map),
    // appended without an index: only the directory's lengths place it.
    const Bytes gainMap = Picture({ExifSegment(gps)});
    const Bytes directoryPrimary = Picture({XmpSegment(
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description xmlns:Container='http://ns.google.com/photos/1.0/container/' "
        "xmlns:Item='http://ns.google.com/photos/1.0/container/item/'><Container:Directory><rdf:Seq>"
        "<rdf:li rdf:parseType='Resource'><Container:Item Item:Semantic='Primary' Item:Mime='image/jpeg'/></rdf:li>"
        "<rdf:li rdf:parseType='Resource'><Container:Item Item:Semantic='GainMap' Item:Mime='image/jpeg' Item:Length='" +
        std::to_string(gainMap.size()) + "'/></rdf:li></rdf:Seq></Container:Directory></rdf:Description></rdf:RDF>"
        "</x:xmpmeta>")});
    const Bytes directory = Concat({directoryPrimary, gainMap});
    const auto directoryGps = static_cast<int64_t>(directoryPrimary.size()) + gps.FilePosOfGpsIfd();
    const Bytes mov = MovWithLocation(kWhere), oldMov = MovWithLocation(kWhere, false);
    return {
        {"HEIC with an Exif item", heic, {{FindKind::ExifGps, Container::None, heicGps, false, true}}, -1, true},
        {"PNG with eXIf", PngWithExif(gps), {{FindKind::ExifGps, Container::None, 79, false, true}}, -1, true},
        {"WebP with EXIF", WebpWithExif(gps), {{FindKind::ExifGps, Container::None, 76, false, true}}, -1, true},
        {"TIFF with a GPS IFD", TiffFile(gps), {{FindKind::ExifGps, Container::None, 38, false, true}}, -1, true},
        {"MP4 with udta/\xC2\xA9xyz", mp4, {at(mp4, "\xA9xyz", 4)}, -1, true},
        {"MOV with a location key", mov, {at(mov, kWhere)}, -1, true},
        {"QuickTime from before ftyp", oldMov, {at(oldMov, kWhere)}, -1, true},
        {"BMP", Text("BM GPS;"), whole(Container::Unknown), -1, false},
        {"Photoshop PSD: the Exif resource's GPS IFD", psdExif,
         {{FindKind::ExifGps, Container::None, psdGps, false, true}}, -1, true},
        {"Photoshop PSD: a resource holding GPS text", psdText,
         {{FindKind::Unparsed, Container::None, 26 + 8 + 12 + 16 + 12, false, false}}, -1, false},
        {"Photoshop PSD: a smart object's placed JPEG", psdSmart,
         {{FindKind::ExifGps, Container::None, psdSmartGps, false, true}}, -1, true},
        {"Photoshop PSD: a smart object after a block that cannot be followed", psdSmartLost,
         {{FindKind::ExifGps, Container::None, psdSmartGps + 12, false, true}}, -1, true},
        {"Fujifilm RAF: the preview JPEG's GPS IFD", raf(rafJpeg, 148),
         {{FindKind::ExifGps, Container::None, rafGps, false, true}}, -1, true},
        // The window's scan still meets the preview's Exif in its first bytes.
        {"Fujifilm RAF whose preview runs to the end, a position after its EOI", rafToEnd,
         {{FindKind::ExifGps, Container::None, rafGps, false, true},
          {FindKind::AfterEnd, Container::None, static_cast<int64_t>(148 + rafJpeg.size()), false, false}}, -1, false},
        {"Fujifilm RAF whose preview's SOI is damaged", rafNoSoi,
         {part(Container::Raf, 148), {FindKind::ExifGps, Container::None, rafGps, false, false}}, -1, false},
        {"Fujifilm RAF naming a preview past its end", raf(rafJpeg, 1 << 20),
         {whole(Container::Raf)[0], {FindKind::ExifGps, Container::None, rafGps, false, false}}, -1, false},
        {"Google motion photo", google, {at(google, "\xA9xyz", 4)}, -1, true},
        {"Samsung motion photo", samsung, {at(samsung, "\xA9xyz", 4)}, -1, true},
        {"a picture a container directory names", directory,
         {{FindKind::ExifGps, Container::None, directoryGps, false, true}}, -1, true},
        {"PNG after the picture and padding", after(Concat({Bytes(6, 0), PngWithExif(gps)})),
         {{FindKind::ExifGps, Container::None, end + 6 + 79, false, true}}, -1, true},
        // Both videos' media data hold FF D9: without walking the scans the
        // picture would seem to end inside it.
        {"GPS text, then a video, after the end", after(Concat({gpsText, mp4})),
         {afterEnd, at(after(Concat({gpsText, mp4})), "\xA9xyz", 4)}, -1, false},
        {"a video whose boxes come before its media data, after the end", after(fastStart),
         {at(after(fastStart), "\xA9xyz", 4)}, -1, true},
        {"GPS text after the end", after(gpsText), {afterEnd}, end, true},
        {"ISO 6709 string after the end", after(Text(kWhere)), {afterEnd}, end, true},
        {"harmless trailer", after(Concat({Bytes(16, 0), Text("edited 2024-01-02/")})), {}, end, true},
        {"TIFF header in stray bytes", stray, {part(Container::Tiff, 2)}, -1, false},
        {"empty file", {}, {}, -1, true},
    };
}

}  // namespace

TEST(Container, EveryPlaceOutsideTheJpegWalkIsAFindThatFailsClosed) {
    for (const Row& row : Rows())
        for (LocateDepth depth : {LocateDepth::Metadata, LocateDepth::Thorough}) {
            SCOPED_TRACE(std::string(row.name) + (depth == LocateDepth::Metadata ? ", metadata" : ", thorough"));
            // Exactly the file's bytes, so that a read past its end is seen.
            const auto copy = std::make_unique<uint8_t[]>(row.file.size());
            std::copy(row.file.begin(), row.file.end(), copy.get());
            LocateResult r;
            LocatePositions(ByteReader(row.file.empty() ? nullptr : copy.get(),
                                       static_cast<int64_t>(row.file.size())), r, depth);
            std::vector<Want> got;
            for (const PositionFind& f : r.finds)
                got.push_back({f.kind, f.container, f.pos, f.wholeFile, f.removable});
            EXPECT_EQ(got, row.finds) << DescribeFinds(r.finds);
            EXPECT_EQ(r.trailer, row.trailer);
            EXPECT_EQ(r.CanClean(true), row.canDrop);
        }
}

TEST(Container, Iso6709StringsAreTheFormsLocationAtomsStore) {
    const struct { std::string text; bool holds; } cases[] = {
        {"+35.6586+139.7454/", true},
        {"+35.6586+139.7454+010.000/", true},
        {"+3539.52+13944.72/", true},
        {"-335130-0705020-12/", true},                               // DDMMSS, DDDMMSS, altitude
        {std::string("\x00\x12\x15\xC7+35.6586+139.7454/", 22), true},  // inside a ©xyz atom
        {"++35.6586+139.7454/", true},
        {"+35.6586/", false},
        {"+1.3521+103.8198/", true},  // unpadded, as a writer prints a number
        {"+38.7223-9.1393/", true},
        {"+3.6+139.7/", false},       // too few decimals to tell from a note's numbers
        {"+35.6586+39.74/", false},
        {"35.6586+139.7454/", false},
        {"+35.+139.7454/", false},
        {"+35.6586+139.7454", false},
        {"+35.6586+139.7454 /", false},
        {"2024-01-02/", false},
    };
    for (const auto& c : cases) {
        const Bytes b(c.text.begin(), c.text.end());  // no terminator to read past
        EXPECT_EQ(HoldsIso6709(b.data(), static_cast<int64_t>(b.size())), c.holds) << c.text;
    }
}

// In compressed data "GPS" counts inside a run of 8 readable characters,
// wherever the search's pieces meet.
TEST(Container, GpsInCompressedDataCountsOnlyInsideText) {
    const struct { std::string text; bool holds; } cases[] = {
        {"GPS 35.6 N", true}, {"xxGPSxxx", true}, {"GPS\r\n\tlat", true},
        {"xGPSxxx", false}, {"\x01GPS\x02\xFF", false}, {"(GPS)", false},
    };
    Bytes b(kSearchPiece + 32, 0);
    for (const auto& c : cases)
        for (int64_t at : {int64_t{0}, kSearchPiece - 12, kSearchPiece - 9, kSearchPiece - 3, kSearchPiece - 1,
                           static_cast<int64_t>(b.size() - c.text.size())}) {
            std::fill(b.begin(), b.end(), 0);
            std::copy(c.text.begin(), c.text.end(), b.begin() + at);
            const ByteReader r(b.data(), static_cast<int64_t>(b.size()));
            EXPECT_EQ(HoldsGpsInText(r, 0, r.Length()), c.holds) << c.text << " at " << at;
            EXPECT_TRUE(HoldsGpsText(r, 0, r.Length())) << c.text << " at " << at;
        }
}

namespace {

struct CliRun {
    int status;
    std::vector<std::string> out;  // lines of standard output
    std::string err;
};

std::ostream& operator<<(std::ostream& os, const CliRun& r) {
    return os << "exit status " << r.status << ", standard error: \"" << r.err << "\"";
}

std::string U8(const std::filesystem::path& p) {
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

CliRun Cli(std::vector<std::string> args) {
    testos::Result run = testos::Run(TAMLIX_CLI, args);
    CliRun r{run.status, {}, run.err};
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) r.out.push_back(line);
    return r;
}

}  // namespace

TEST(Container, CliRefusesAnUnknownFormatAndCutsATrailerOnlyWhenAsked) {
    const std::filesystem::path d = testos::NewTempDir("tamlix_containers");
    const std::filesystem::path out = d / "out";
    std::filesystem::create_directories(out);
    const std::string bmp = U8(d / "photo.bmp");
    ASSERT_TRUE(WriteFileBytes(bmp, Text("BM GPS;")));
    CliRun r = Cli({"check", bmp});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, std::vector<std::string>{bmp + ": not checked: the format is not known"}) << r;
    r = Cli({"strip-gps", "-o", U8(out), bmp});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_TRUE(std::filesystem::is_empty(out));
    // A known container that cannot be taken apart (a gzip of a text) is named.
    const std::string gz = U8(d / "notes.txt.gz");
    ASSERT_TRUE(WriteFileBytes(gz, Gzip(Text("trip notes"))));
    r = Cli({"check", gz});
    EXPECT_EQ(r.status, 1) << r;
    EXPECT_EQ(r.out, std::vector<std::string>{gz + ": not checked: this gzip cannot be taken apart"}) << r;

    const Bytes pic = Picture({});
    const std::string jpg = U8(d / "photo.jpg"), link = U8(d / "link.jpg");
    ASSERT_TRUE(WriteFileBytes(jpg, Concat({pic, Text("Breite (GPS) : N/A")})));
    std::filesystem::create_hard_link(d / "photo.jpg", d / "link.jpg");
    r = Cli({"strip-gps", "-o", U8(out), jpg});
    EXPECT_EQ(r.status, 1) << r;
    ASSERT_EQ(r.out.size(), 1u) << r;
    EXPECT_NE(r.out[0].find("--drop-trailer"), std::string::npos) << r.out[0];
    EXPECT_TRUE(std::filesystem::is_empty(out));
    r = Cli({"strip-gps", "--drop-trailer", "-o", U8(out), jpg});
    EXPECT_EQ(r.status, 0) << r;
    ASSERT_EQ(r.out.size(), 1u) << r;
    const std::string said = "dropped 18 bytes after the picture's end at " + std::to_string(pic.size());
    EXPECT_NE(r.out[0].find(said), std::string::npos) << r.out[0];
    EXPECT_EQ(ReadFileBytes(U8(out / "photo.jpg")), pic);
    r = Cli({"strip-gps", "--drop-trailer", "--in-place", jpg});
    EXPECT_EQ(r.status, 0) << r;
    // The file itself is cut, not replaced: its other name sees the cut.
    EXPECT_EQ(ReadFileBytes(link), pic);
    EXPECT_EQ(ReadFileBytes(jpg), pic);
    std::filesystem::remove_all(d);
}
