// The TIFF walk: one row per place a position hides in a TIFF or raw file
// (a GPS IFD named by any IFD of the chain, a SubIFD or the Exif IFD; the
// raw files' own magic numbers; XMP in tag 700; an embedded JPEG holding
// Exif GPS) and per hostile structure. Each file is walked at both depths;
// each one whose finds can all be removed is stripped: same length, found
// clean again, no byte changed outside the strip's ranges. A walk reads
// the IFDs and what they name, never the image data.
#include "cli/FindText.h"
#include "fuzz/StripContract.h"
#include "locate/Locator.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

using namespace testjpeg;

namespace {

// A TIFF structure put together piece by piece: data and IFDs are appended
// (at even offsets) and named by their offsets; the header comes first.
class TiffMaker {
public:
    explicit TiffMaker(const std::string& head = std::string("II*\0", 4), Order o = Order::II)
        : m_o(o), m_b(head.begin(), head.end()) {
        m_b.resize(8, 0);
    }
    uint32_t Add(const Bytes& data) {
        if (m_b.size() % 2 != 0) m_b.push_back(0);
        const auto at = static_cast<uint32_t>(m_b.size());
        m_b.insert(m_b.end(), data.begin(), data.end());
        return at;
    }
    struct E { uint16_t tag, type; uint32_t count, value; };
    uint32_t Ifd(const std::vector<E>& entries, uint32_t next = 0, int declared = -1) {
        Bytes t;
        Put16(t, 0, static_cast<uint16_t>(declared < 0 ? entries.size() : declared), m_o);
        for (const E& e : entries) {
            Put16(t, t.size(), e.tag, m_o);
            Put16(t, t.size(), e.type, m_o);
            Put32(t, t.size(), e.count, m_o);
            Put32(t, t.size(), e.value, m_o);
        }
        Put32(t, t.size(), next, m_o);
        return Add(t);
    }
    // A GPS IFD of two entries: N, 35/1 39/1 2910/100.
    uint32_t Gps() {
        const uint32_t latitude = Add(RationalBytes({{35, 1}, {39, 1}, {2910, 100}}, m_o));
        return Ifd({{1, kAscii, 2, m_o == Order::MM ? uint32_t{'N'} << 24 : 'N'}, {2, kRational, 3, latitude}});
    }
    Bytes Done(uint32_t ifd0) {
        Put32(m_b, 4, ifd0, m_o);
        return m_b;
    }

private:
    Order m_o;
    Bytes m_b;
};

constexpr uint16_t kGpsTag = 34853;

std::vector<Row> Rows() {
    const ExifBuilder five = FiveEntryGps(), fiveMm = FiveEntryGps(Order::MM);
    const int64_t gpsAt = five.FilePosOfGpsIfd() - five.FilePosOfTiff();
    auto gps = [](int64_t pos, const std::string& in) {
        return std::vector<Want>{{FindKind::ExifGps, true, FindWhy::None, pos, in}};
    };
    std::vector<Row> rows = {
        {"TIFF: GPS IFD named by IFD0", TiffFile(five), gps(gpsAt, "IFD0")},
        {"big-endian TIFF", TiffFile(fiveMm), gps(fiveMm.FilePosOfGpsIfd() - fiveMm.FilePosOfTiff(), "IFD0")},
        {"TIFF without GPS", TiffFile(ExifBuilder().Ifd0Text(0x010F, "Make")), {}},
    };
    // The GPS IFD named by the chain's second IFD, a SubIFD, the Exif IFD;
    // and by IFD0 of the raw files' headers.
    {
        TiffMaker t;
        const uint32_t g = t.Gps(), ifd1 = t.Ifd({{kGpsTag, kLong, 1, g}});
        rows.push_back({"GPS IFD named by IFD1", t.Done(t.Ifd({{0x0100, kShort, 1, 1}}, ifd1)), gps(g, "IFD1")});
    }
    {
        TiffMaker t;
        const uint32_t g = t.Gps(), sub1 = t.Ifd({}), sub2 = t.Ifd({{kGpsTag, kLong, 1, g}});
        Bytes offsets;
        Put32(offsets, 0, sub1, Order::II);
        Put32(offsets, 4, sub2, Order::II);
        const uint32_t subs = t.Add(offsets);
        rows.push_back({"GPS IFD named by a SubIFD", t.Done(t.Ifd({{330, kLong, 2, subs}})), gps(g, "SubIFD 2")});
    }
    {
        TiffMaker t;
        const uint32_t g = t.Gps(), exif = t.Ifd({{kGpsTag, kLong, 1, g}});
        rows.push_back({"GPS IFD named by the Exif IFD", t.Done(t.Ifd({{34665, kLong, 1, exif}})),
                        gps(g, "IFD0 / Exif IFD")});
    }
    for (const char* head : {"IIRO", "IIRS", "IIU\0"}) {
        TiffMaker t(std::string(head, 4));
        const uint32_t g = t.Gps();
        rows.push_back({std::string("raw header ") + head, t.Done(t.Ifd({{kGpsTag, kLong, 1, g}})), gps(g, "IFD0")});
    }
    {
        TiffMaker t("MMOR", Order::MM);
        const uint32_t g = t.Gps();
        rows.push_back({"raw header MMOR", t.Done(t.Ifd({{kGpsTag, kLong, 1, g}})), gps(g, "IFD0")});
    }
    // XMP in tag 700.
    {
        TiffMaker t;
        const std::string xml = "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/"
                                "02/22-rdf-syntax-ns#'><rdf:Description xmlns:exif='http://ns.adobe.com/exif/1.0/'"
                                " exif:GPSLatitude='35,39.485N'/></rdf:RDF></x:xmpmeta>";
        const uint32_t x = t.Add(Text(xml));
        const auto at = static_cast<int64_t>(x + xml.find("exif:GPS"));
        rows.push_back({"XMP in tag 700", t.Done(t.Ifd({{700, kByte, static_cast<uint32_t>(xml.size()), x}})),
                        {{FindKind::Xmp, true, FindWhy::None, at, "IFD0"}}});
    }
    // An embedded JPEG holding Exif GPS: a preview (513/514), one strip of
    // JPEG compression, an RW2's JpgFromRaw.
    const Bytes jpeg = Picture({ExifSegment(five)});
    const auto jpegLen = static_cast<uint32_t>(jpeg.size());
    {
        TiffMaker t;
        const uint32_t j = t.Add(jpeg), ifd1 = t.Ifd({{513, kLong, 1, j}, {514, kLong, 1, jpegLen}});
        rows.push_back({"JPEG preview in IFD1", t.Done(t.Ifd({}, ifd1)),
                        gps(j + five.FilePosOfGpsIfd(), "IFD1 / JPEG preview / picture 1 / APP1 #1")});
    }
    {
        TiffMaker t;
        const uint32_t j = t.Add(jpeg);
        const uint32_t sub = t.Ifd({{259, kShort, 1, 7}, {273, kLong, 1, j}, {279, kLong, 1, jpegLen}});
        rows.push_back({"JPEG strip in a SubIFD", t.Done(t.Ifd({{330, kLong, 1, sub}})),
                        gps(j + five.FilePosOfGpsIfd(), "SubIFD 1 / JPEG strip / picture 1 / APP1 #1")});
    }
    {
        TiffMaker t(std::string("IIU\0", 4));
        const uint32_t j = t.Add(jpeg);
        rows.push_back({"RW2 JpgFromRaw", t.Done(t.Ifd({{0x002E, kUndefined, jpegLen, j}})),
                        gps(j + five.FilePosOfGpsIfd(), "IFD0 / JpgFromRaw / picture 1 / APP1 #1")});
    }
    {
        // A SubIFD list laid over the JPEG: cleaning the JPEG would change
        // where the SubIFDs are.
        TiffMaker t(std::string("IIU\0", 4));
        const uint32_t j = t.Add(jpeg);
        rows.push_back({"RW2 JpgFromRaw under a SubIFD list",
                        t.Done(t.Ifd({{0x002E, kUndefined, jpegLen, j}, {330, kLong, 4, j}})),
                        {{FindKind::Container, false, FindWhy::TiffPartsOverlap, j, "IFD0 / JpgFromRaw"}}});
    }
    // BigTIFF is not read yet.
    rows.push_back({"BigTIFF", Concat({Text(std::string("II+\0\x08\0\0\0", 8)), Bytes(16, 0)}),
                    {{FindKind::Container, false, FindWhy::NotReadYet, 0, ""}}});
    // Hostile: a chain that loops, offsets past the end, huge counts, a
    // preview starting inside an IFD.
    {
        TiffMaker t;
        const uint32_t g = t.Gps();
        const uint32_t ifd0 = t.Ifd({{kGpsTag, kLong, 1, g}});
        Bytes f = t.Done(ifd0);
        Put32(f, ifd0 + 2 + 12, ifd0, Order::II);  // IFD0's next: itself
        rows.push_back({"IFD chain that loops", f, gps(g, "IFD0")});
    }
    {
        TiffMaker t;
        Bytes f = t.Done(t.Ifd({{kGpsTag, kLong, 1, 0x7FFFFFF0}, {330, kLong, 3, 0xFFFFFFF0},
                                {700, kByte, 100, 4000}, {513, kLong, 1, 0xFFFFFF00}, {514, kLong, 1, 100},
                                {34665, kLong, 1, 9999}}, 0x8000000));
        rows.push_back({"offsets past the end", f, {}});
        rows.push_back({"IFD0 past the end", TiffMaker().Done(0xFFFFFFF0),
                        {{FindKind::Container, false, FindWhy::TiffIfd0Outside, 0, ""}}});
    }
    {
        TiffMaker t;
        const uint32_t g = t.Gps(), j = t.Add(jpeg);
        rows.push_back({"huge counts", t.Done(t.Ifd({{kGpsTag, kLong, 1, g}, {330, kLong, 0xFFFFFFFF, 0xFFFFFF00},
                                                     {513, kLong, 1, j}, {514, kLong, 1, 0xFFFFFFFF}}, 0, 0xFFFF)),
                        {{FindKind::ExifGps, true, FindWhy::None, g, "IFD0"},
                         {FindKind::ExifGps, true, FindWhy::None, j + five.FilePosOfGpsIfd(), ""}}});
    }
    {
        TiffMaker t;
        const uint32_t ifd0 = t.Ifd({{0x9999, kShort, 1, 0xD8FF}, {513, kLong, 1, 0}, {514, kLong, 1, 64}});
        Bytes f = t.Done(ifd0);
        Put32(f, ifd0 + 2 + 12 + 8, ifd0 + 2 + 8, Order::II);  // the preview at the first entry's value
        rows.push_back({"preview starting inside an IFD", f,
                        {{FindKind::Container, false, FindWhy::TiffPartsOverlap, ifd0 + 10, "IFD0 / JPEG preview"}}});
    }
    return rows;
}

}  // namespace

TEST(Tiff, EveryPlaceInATiffStructureIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.name);
        LocateResult r;
        std::unique_ptr<uint8_t[]> copy;
        ExpectFinds(row.file, row.finds, r, copy);
        std::vector<uint8_t> out;
        std::vector<ByteRange> changed;
        EXPECT_EQ(CheckStripContract(copy.get(), row.file.size(), r, out, changed), !r.finds.empty() && r.CanClean());
    }
}

// A source that refuses the bytes of the image data: a walk that asks for them fails.
class Guard final : public ByteSource {
public:
    explicit Guard(ByteRange image) : m_image(image) {}
    bool Bring(int64_t pos, int64_t n) override {
        touched = touched || (pos < m_image.End() && m_image.pos < pos + n);
        return true;
    }
    bool touched = false;

private:
    ByteRange m_image;
};

TEST(Tiff, OnlyTheIfdsAndWhatTheyNameAreRead) {
    TiffMaker t;
    t.Add(Bytes(256, 0));  // past the window's first 200 bytes
    const uint32_t g = t.Gps(), image = t.Add(Bytes(1 << 20, 'G'));
    const uint32_t ifd0 = t.Ifd({{256, kShort, 1, 1024}, {273, kLong, 1, image}, {279, kLong, 1, 1 << 20},
                                 {kGpsTag, kLong, 1, g}});
    const Bytes f = t.Done(ifd0);
    for (LocateDepth depth : {LocateDepth::Metadata, LocateDepth::Thorough}) {
        Guard guard({image, 1 << 20});
        LocateResult r;
        LocatePositions(ByteReader(f.data(), static_cast<int64_t>(f.size()), ByteReader::kLittleEndian, &guard), r,
                        depth);
        EXPECT_FALSE(guard.touched);
        ASSERT_EQ(r.finds.size(), 1u);
        EXPECT_EQ(r.finds[0].pos, g);
    }
}
