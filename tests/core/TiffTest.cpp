// The TIFF walk: one row per place a position hides in a TIFF or raw file
// (a GPS IFD named by any IFD of the chain, a SubIFD or the Exif IFD; the
// raw files' own magic numbers; XMP in tag 700; an embedded JPEG holding
// Exif GPS; the raw files of other structures, X3F, CRW and MRW, and
// Canon's recipe data after a JPEG, a TIFF or a CRW) and per hostile structure. Each file is walked at both depths;
// each one whose finds can all be removed is stripped: same length, found
// clean again, no byte changed outside the strip's ranges. A walk reads
// the IFDs and what they name, never the image data.
#include "cli/FindText.h"
#include "fuzz/StripContract.h"
#include "locate/Locator.h"
#include "locate/Sink.h"
#include "locate/tiff/TiffWalker.h"
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
// (at even offsets; a BigTIFF's at multiples of 8) and named by their
// offsets; the header comes first. A BigTIFF's IFDs have 64-bit counts and
// offsets and 20-byte entries, whose 8-byte value field holds a SHORT in
// its first two bytes, a smaller value in its first four, else 64 bits.
class TiffMaker {
public:
    explicit TiffMaker(const std::string& head = std::string("II*\0", 4), Order o = Order::II, bool big = false)
        : m_o(o), m_big(big), m_b(head.begin(), head.end()) {
        m_b.resize(big ? 16 : 8, 0);
        if (big) Put16(m_b, 4, 8, o);
    }
    static TiffMaker Big(Order o) { return TiffMaker(o == Order::MM ? std::string("MM\0+", 4) : std::string("II+\0", 4), o, true); }
    uint32_t Add(const Bytes& data) {
        while (m_b.size() % (m_big ? 8 : 2) != 0) m_b.push_back(0);
        const auto at = static_cast<uint32_t>(m_b.size());
        m_b.insert(m_b.end(), data.begin(), data.end());
        return at;
    }
    struct E { uint16_t tag, type; uint64_t count, value; };
    uint32_t Ifd(const std::vector<E>& entries, uint64_t next = 0, int64_t declared = -1) {
        Bytes t;
        const uint64_t n = declared < 0 ? entries.size() : static_cast<uint64_t>(declared);
        if (m_big) Put64(t, 0, n);
        else Put16(t, 0, static_cast<uint16_t>(n), m_o);
        for (const E& e : entries) {
            Put16(t, t.size(), e.tag, m_o);
            Put16(t, t.size(), e.type, m_o);
            if (!m_big) {
                Put32(t, t.size(), static_cast<uint32_t>(e.count), m_o);
                Put32(t, t.size(), static_cast<uint32_t>(e.value), m_o);
                continue;
            }
            Put64(t, t.size(), e.count);
            const size_t field = t.size();
            const uint64_t unit = e.type == 3 ? 2 : e.type == 5 || e.type >= 16 ? 8 : e.type == 4 || e.type == 13 ? 4 : 1;
            if (unit == 8 || e.count * unit > 4) Put64(t, field, e.value);
            else if (unit == 2 && e.count == 1) Put16(t, field, static_cast<uint16_t>(e.value), m_o);
            else Put32(t, field, static_cast<uint32_t>(e.value), m_o);
            t.resize(field + 8, 0);
        }
        if (m_big) Put64(t, t.size(), next);
        else Put32(t, t.size(), static_cast<uint32_t>(next), m_o);
        return Add(t);
    }
    // A GPS IFD of two entries: N, 35/1 39/1 2910/100.
    uint32_t Gps() {
        const uint32_t latitude = Add(RationalBytes({{35, 1}, {39, 1}, {2910, 100}}, m_o));
        return Ifd({{1, kAscii, 2, m_o == Order::MM ? uint32_t{'N'} << 24 : 'N'}, {2, kRational, 3, latitude}});
    }
    Bytes Done(uint64_t ifd0) {
        if (m_big) Put64(m_b, 8, ifd0);
        else Put32(m_b, 4, static_cast<uint32_t>(ifd0), m_o);
        return m_b;
    }
    void Put64(Bytes& b, size_t at, uint64_t v) const {
        const auto hi = static_cast<uint32_t>(v >> 32), lo = static_cast<uint32_t>(v);
        Put32(b, at, m_o == Order::MM ? hi : lo, m_o);
        Put32(b, at + 4, m_o == Order::MM ? lo : hi, m_o);
    }

private:
    Order m_o;
    bool m_big;
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
    {
        // Minolta's MRW: blocks (numbers, then the TIFF structure), then
        // raw data holding "GPS", which is not read.
        const Bytes tiff = TiffFile(fiveMm);
        const Bytes blocks = Concat({Text(std::string("\0PRD", 4)), Be32(8), Bytes(8, 1),
                                     Text(std::string("\0TTW", 4)), Be32(static_cast<uint32_t>(tiff.size())), tiff});
        const Bytes mrw = Concat({Text(std::string("\0MRM", 4)), Be32(static_cast<uint32_t>(blocks.size())), blocks,
                                  Text("GPS raw data")});
        rows.push_back({"MRW: the GPS IFD in its TTW block", mrw,
                        gps(At(mrw, tiff, fiveMm.FilePosOfGpsIfd() - fiveMm.FilePosOfTiff()), "block TTW")});
    }
    {
        // Sigma's X3F: a header, sections listed by a directory at the end
        // (the JPEG preview among them, the properties in UTF-16), and the
        // directory's offset in the last 4 bytes.
        auto le32 = [](uint32_t v) {
            Bytes b;
            Put32(b, 0, v, Order::II);
            return b;
        };
        auto utf16 = [](const std::string& s) {
            Bytes b;
            for (char c : s) b.insert(b.end(), {static_cast<uint8_t>(c), 0});
            return b;
        };
        auto x3f = [&](const std::string& property) {
            Bytes f = Concat({Text("FOVb"), le32(0x00020003)});
            f.resize(104, 0);
            const Bytes jpeg = Concat({Text("SECi"), le32(0x00020000), le32(2), le32(18), le32(1), le32(1),
                                       le32(0), Picture({ExifSegment(FiveEntryGps())})});
            const Bytes prop = Concat({Text("SECp"), le32(0x00020000), le32(1), le32(0), le32(0), le32(0),
                                       le32(0), le32(9), utf16("LOCATION\0" + property + std::string(1, '\0'))});
            const auto jpegAt = static_cast<uint32_t>(f.size()), propAt = static_cast<uint32_t>(jpegAt + jpeg.size());
            const auto dir = static_cast<uint32_t>(propAt + prop.size());
            return Concat({f, jpeg, prop, Text("SECd"), le32(0x00020000), le32(2), le32(jpegAt),
                           le32(static_cast<uint32_t>(jpeg.size())), Text("IMA2"), le32(propAt),
                           le32(static_cast<uint32_t>(prop.size())), Text("PROP"), le32(dir)});
        };
        const Bytes preview = x3f("Kitakyushu"), prop = x3f("GPS 33.88 N");
        const Bytes photo = Picture({ExifSegment(FiveEntryGps())});
        const int64_t previewGps = At(preview, photo, five.FilePosOfGpsIfd());
        rows.push_back({"X3F: the GPS IFD in its JPEG preview", preview,
                        gps(previewGps, "section #1 IMA2 / picture 1 / APP1 #1")});
        rows.push_back({"X3F: position text in its UTF-16 properties", prop,
                        {{FindKind::ExifGps, true, FindWhy::None, previewGps, ""},
                         {FindKind::Unparsed, false, FindWhy::CameraDataUnparsed, At(prop, "SECp"), "section #2 PROP"}}});
        Bytes lost = preview;
        Put32(lost, lost.size() - 4, 0x7FFFFFF0, Order::II);
        rows.push_back({"X3F: its directory past the end", lost,
                        {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}});

        // Canon's recipe data (as its raw converter appends them; writers
        // put a CRW's XMP there), the footer ending in `last`.
        const Bytes sig = Text(std::string("CANON OPTIONAL DATA\0", 20));
        auto vrd = [&](const Bytes& blocks, const Bytes& last) {
            const Bytes size = Be32(static_cast<uint32_t>(blocks.size()));
            Bytes footer = Concat({sig, size});
            footer.resize(0x40 - last.size(), 0);
            return Concat({sig, {0, 1, 0, 0}, size, blocks, footer, last});
        };
        const Bytes xmpBlock = Concat({Be32(0xFFFF00F6), Be32(static_cast<uint32_t>(kXmp.size())), Text(kXmp)}),
                    recipe = Concat({Be32(0xFFFF00F4), Be32(4), Bytes(4, 7)});
        const Bytes jpegVrd = Concat({Picture({}), vrd(Concat({recipe, xmpBlock}), {0xFF, 0xD9})});
        const Bytes tiffVrd = Concat({TiffFile(ExifBuilder().Ifd0Text(0x010F, "Make")), vrd(xmpBlock, Bytes(4, 0))});
        const Bytes vrdFile = vrd(xmpBlock, Bytes(4, 0));
        TiffMaker huge;  // the 0th IFD declares more entries than the file holds
        const Bytes vrdInIfd = Concat({huge.Done(huge.Ifd({}, 0, 0x9090)), vrd(xmpBlock, Bytes(4, 0))});
        auto xmp = [](const Bytes& f, const std::string& in) {
            return std::vector<Want>{{FindKind::Xmp, true, FindWhy::None, At(f, "exif:GPSLatitude"), in}};
        };
        rows.push_back({"JPEG: XMP in Canon's recipe data after the picture (ends in EOI)", jpegVrd,
                        xmp(jpegVrd, "recipe block #2")});
        rows.push_back({"TIFF: XMP in Canon's recipe data ending the file", tiffVrd,
                        xmp(tiffVrd, "recipe data / recipe block #1")});
        rows.push_back({"Canon's recipe data as a file of their own", vrdFile, xmp(vrdFile, "recipe block #1")});
        // The later converter's recipe (.dr4): numbers and style names, by the opaque rule.
        const Bytes dr4 = Concat({Text(std::string("IIII\x04\0\x04\0", 8)), Bytes(16, 3), Text("Standard")});
        const Bytes dr4Text = Concat({dr4, Text("GPS 35.6586")});
        rows.push_back({"a .dr4 recipe", dr4, {}});
        rows.push_back({"a .dr4 recipe holding GPS text", dr4Text,
                        {{FindKind::Unparsed, false, FindWhy::CameraDataUnparsed, 0, ""}}});
        rows.push_back({"TIFF: recipe data inside the 0th IFD's table (found by fuzzing)", vrdInIfd,
                        {{FindKind::Container, false, FindWhy::TiffPartsOverlap, At(vrdInIfd, sig), "recipe data"}}});
        // A TIFF whose XMP field names the recipe data's XMP block: one walk cleans it, or none.
        TiffMaker named;
        const uint32_t namedIfd0 = named.Ifd({{700, kByte, kXmp.size(), 0}});
        Bytes vrdNamed = named.Done(namedIfd0);
        Put32(vrdNamed, namedIfd0 + 2 + 8, static_cast<uint32_t>(vrdNamed.size() + 0x1C + 8), Order::II);
        vrdNamed = Concat({vrdNamed, vrd(xmpBlock, Bytes(4, 0))});
        rows.push_back({"TIFF: its XMP field naming the recipe data's", vrdNamed,
                        xmp(vrdNamed, "recipe data / recipe block #1")});

        // Canon's CRW: a header, then a heap (the JPEG, a heap holding the
        // owner's name, the directory and its offset), then recipe data
        // whose footer repeats that offset.
        Bytes heap = photo;
        const auto sub = static_cast<uint32_t>(heap.size());
        Bytes owner = Text("Tamlix");
        owner.resize(32, 0);
        const Bytes subHeap = Concat({owner, {1, 0, 0x10, 0x08, 32, 0, 0, 0, 0, 0, 0, 0}, le32(32)});
        heap = Concat({heap, subHeap});
        const auto dirOff = static_cast<uint32_t>(heap.size());
        heap = Concat({heap, {2, 0}, {0x07, 0x20}, le32(static_cast<uint32_t>(photo.size())), le32(0),
                       {0x0A, 0x30}, le32(static_cast<uint32_t>(subHeap.size())), le32(sub), le32(dirOff)});
        Bytes head = Concat({Text("II"), le32(26), Text("HEAPCCDR"), le32(0x00010002)});
        head.resize(26, 0);
        const Bytes crw = Concat({head, heap, vrd(xmpBlock, le32(dirOff))});
        rows.push_back({"CRW: the GPS IFD in its JPEG, XMP in its recipe data", crw,
                        {{FindKind::ExifGps, true, FindWhy::None, At(crw, photo, five.FilePosOfGpsIfd()),
                          "record 0x2007 / picture 1 / APP1 #1"},
                         xmp(crw, "recipe data / recipe block #1")[0]}});
        Bytes outside = crw;
        Put32(outside, static_cast<size_t>(26 + dirOff + 2 + 2 + 4), 0x10000, Order::II);  // the JPEG past the heap
        rows.push_back({"CRW: a record outside its heap", outside,
                        {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}});
    }
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
    {
        // Photoshop's image resources (tag 0x8649): an XMP resource, 0x0424.
        TiffMaker t;
        const Bytes xmp = Text(kXmp);
        const Bytes irb = Concat({Text("8BIM"), Bytes{0x04, 0x24, 0, 0}, Be32(static_cast<uint32_t>(xmp.size())), xmp,
                                  Bytes(xmp.size() % 2, 0)});
        const uint32_t r = t.Add(irb);
        const auto at = static_cast<int64_t>(r + 12 + kXmp.find("exif:GPS"));
        const Bytes f = t.Done(t.Ifd({{34377, kUndefined, static_cast<uint32_t>(irb.size()), r}}));
        rows.push_back({"XMP in the image resources", f, {{FindKind::Xmp, true, FindWhy::None, at,
                                                           "IFD0 / image resources / 0x0424"}}});
    }
    {
        // The chain's next IFD laid over the XMP packet (offsets shifted by
        // an editor): the packet ends where that IFD starts, and the rest
        // of it, which readers still read, cannot be taken apart.
        // A packet naming only "Latitude" counts as its own walk would take it.
        const std::string latitudeOnly =
            "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF><rdf:Description exif:Latitude='35,39.5N'/></rdf:RDF>"
            "</x:xmpmeta>";
        for (const std::string& packet : {kXmp, latitudeOnly}) {
            TiffMaker t;
            const uint32_t x = t.Add(Text(packet));
            rows.push_back({"the chain's next IFD laid over the XMP packet",
                            t.Done(t.Ifd({{700, kUndefined, static_cast<uint32_t>(packet.size()), x}}, x + 8)),
                            {{FindKind::Xmp, false, FindWhy::TiffPartsOverlap, x + 8, "IFD0"}}});
        }
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
        // A preview length that runs over the XMP packet after it: each
        // part ends where the next starts, and both are cleaned.
        TiffMaker t;
        const uint32_t j = t.Add(jpeg), x = t.Add(Text(kXmp));
        const uint32_t ifd1 = t.Ifd({{513, kLong, 1, j}, {514, kLong, 1, jpegLen + static_cast<uint32_t>(kXmp.size())}});
        rows.push_back({"JPEG preview whose length runs over the XMP packet",
                        t.Done(t.Ifd({{700, kUndefined, static_cast<uint32_t>(kXmp.size()), x}}, ifd1)),
                        {{FindKind::Xmp, true, FindWhy::None, x + static_cast<int64_t>(kXmp.find("exif:GPS")), "IFD0"},
                         {FindKind::ExifGps, true, FindWhy::None, j + five.FilePosOfGpsIfd(),
                          "IFD1 / JPEG preview / picture 1 / APP1 #1"}}});
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
    // BigTIFF: the same places in 64-bit offsets and 20-byte entries; the
    // pointers as LONG, left in the field's first bytes, or as IFD8.
    constexpr uint16_t kIfd8 = 18;
    {
        TiffMaker t = TiffMaker::Big(Order::II);
        const uint32_t g = t.Gps(), x = t.Add(Text(kXmp));
        rows.push_back({"BigTIFF: GPS IFD and XMP in IFD0",
                        t.Done(t.Ifd({{700, kUndefined, kXmp.size(), x}, {kGpsTag, kLong, 1, g}})),
                        {{FindKind::ExifGps, true, FindWhy::None, g, "IFD0"},
                         {FindKind::Xmp, true, FindWhy::None, x + static_cast<int64_t>(kXmp.find("exif:GPS")), "IFD0"}}});
    }
    {
        TiffMaker t = TiffMaker::Big(Order::MM);
        const uint32_t g = t.Gps(), exif = t.Ifd({{kGpsTag, kIfd8, 1, g}});
        rows.push_back({"big-endian BigTIFF: GPS IFD named by the Exif IFD",
                        t.Done(t.Ifd({{0x0100, kShort, 1, 64}, {34665, kIfd8, 1, exif}})), gps(g, "IFD0 / Exif IFD")});
    }
    {
        // Two SubIFDs as LONGs lie in the entry's own field.
        TiffMaker t = TiffMaker::Big(Order::MM);
        const uint32_t g = t.Gps(), sub1 = t.Ifd({}), sub2 = t.Ifd({{kGpsTag, kLong, 1, g}});
        rows.push_back({"big-endian BigTIFF: GPS IFD named by a SubIFD",
                        t.Done(t.Ifd({{330, kLong, 2, uint64_t{sub1} << 32 | sub2}})), gps(g, "SubIFD 2")});
    }
    {
        TiffMaker t = TiffMaker::Big(Order::II);
        const uint32_t j = t.Add(jpeg), ifd1 = t.Ifd({{513, 16, 1, j}, {514, kLong, 1, jpegLen}});
        rows.push_back({"BigTIFF: JPEG preview in IFD1", t.Done(t.Ifd({}, ifd1)),
                        gps(j + five.FilePosOfGpsIfd(), "IFD1 / JPEG preview / picture 1 / APP1 #1")});
    }
    // A BigTIFF header of another offset size is a layout no reader takes.
    rows.push_back({"BigTIFF of 4-byte offsets", Concat({Text(std::string("II+\0\x04\0\0\0\x10\0\0\0", 12)), Bytes(16, 0)}),
                    {{FindKind::Container, false, FindWhy::NotTakenApart, 0, ""}}});
    // Hostile BigTIFF: 64-bit offsets and counts near 2^64 (sums that wrap),
    // a chain that loops, a GPS IFD declaring 2^62 entries of which two are
    // in the file, and a 0th IFD past the end.
    {
        TiffMaker t = TiffMaker::Big(Order::II);
        const uint32_t g = t.Gps();
        const uint32_t ifd0 = t.Ifd({{kGpsTag, kLong, 1, g}, {kGpsTag, 16, 1, ~uint64_t{0} - 8},
                                     {330, 16, uint64_t{1} << 61, ~uint64_t{0} - 16}, {34665, kIfd8, 1, ~uint64_t{0}},
                                     {700, kByte, ~uint64_t{0}, ~uint64_t{0} - 100}, {513, 16, 1, ~uint64_t{0} - 1},
                                     {514, 16, 1, ~uint64_t{0}}});
        Bytes f = t.Done(ifd0);
        t.Put64(f, ifd0 + 8 + 20 * 7, ifd0);  // IFD0's next: itself
        rows.push_back({"BigTIFF: offsets and counts near 2^64, a chain that loops", f, gps(g, "IFD0")});
    }
    {
        // The GPS IFD comes last: two of its entries are in the file.
        TiffMaker t = TiffMaker::Big(Order::II);
        const uint32_t ifd0 = t.Ifd({{kGpsTag, kLong, 1, 0}}), g = t.Gps();
        Bytes f = t.Done(ifd0);
        t.Put64(f, ifd0 + 8 + 12, g);
        t.Put64(f, g, uint64_t{1} << 62);  // the GPS IFD's count
        rows.push_back({"BigTIFF: GPS IFD declaring 2^62 entries", f, gps(g, "IFD0")});
        rows.push_back({"BigTIFF: 0th IFD past the end", TiffMaker::Big(Order::MM).Done(~uint64_t{0} - 7),
                        {{FindKind::Container, false, FindWhy::TiffIfd0Outside, 0, ""}}});
    }
    {
        // More entries than an IFD is read for, all in the file: a strip
        // would leave those after them.
        TiffMaker t = TiffMaker::Big(Order::II);
        const uint32_t latitude = t.Add(RationalBytes({{35, 1}, {39, 1}, {2910, 100}}, Order::II));
        const std::vector<TiffMaker::E> many(0x10000, {2, kRational, 3, latitude});
        const uint32_t g = t.Ifd(many);
        rows.push_back({"BigTIFF: GPS IFD of more entries than are read", t.Done(t.Ifd({{kGpsTag, kLong, 1, g}})),
                        {{FindKind::ExifGps, false, FindWhy::GpsIfdTooLong, g, "IFD0"}}});
    }
    {
        // Coordinates typed into the texts: the description (ASCII), the
        // user's comment (its code, then UCS-2 in the file's order) and
        // Windows' comment (UTF-16LE); texts without a coordinate stay. A
        // comment whose code is damaged is read in whichever form it reads.
        auto utf16 = [](const std::string& s, bool big) {
            Bytes b;
            for (char c : s) big ? b.insert(b.end(), {0, static_cast<uint8_t>(c)}) : b.insert(b.end(), {static_cast<uint8_t>(c), 0});
            return Concat({b, Bytes{0, 0}});
        };
        const struct {
            Order o;
            const char* code;
            bool textBig;
            const char* name;
        } forms[] = {{Order::II, "UNICODE", false, "coordinates in texts"},
                     {Order::MM, "UNICODE", true, "coordinates in texts, big-endian"},
                     {Order::II, "UNIGODE", true, "coordinates in texts, the comment's code damaged"}};
        for (const auto& form : forms) {
            const bool mm = form.o == Order::MM;
            const Order o = form.o;
            TiffMaker t(mm ? std::string("MM\0*", 4) : std::string("II*\0", 4), o);
            const Bytes comment =
                Concat({Text(std::string(form.code, 8)), utf16("Latitude: 35.6586", form.textBig)});
            const uint32_t d = t.Add(Text(kWhere + std::string(1, '\0'))), u = t.Add(comment);
            const uint32_t x = t.Add(utf16("Latitude 35.65860", false));
            const uint32_t plain = t.Add(Text(std::string("OLYMPUS DIGITAL CAMERA\0", 23)));
            const uint32_t gpsWord = t.Add(utf16("GPS was on", false));
            // Another ASCII value (here under a damaged tag) holds only the form programs write.
            const uint32_t other = t.Add(Text("+38.7223-9.1393+1?/")), words = t.Add(Text("Lat 35.6586 lens"));
            const uint32_t exif = t.Ifd({{37510, kUndefined, comment.size(), u}});
            const uint32_t ifd0 = t.Ifd({{266, kAscii, 19, other}, {270, kAscii, kWhere.size() + 1, d},
                                         {305, kAscii, 16, words}, {34665, kLong, 1, exif},
                                         {40092, kByte, 36, x}, {40091, kByte, 22, gpsWord}});
            const uint32_t ifd1 = t.Ifd({{270, kAscii, 23, plain}});
            Bytes f = t.Done(ifd0);
            if (mm) Put32(f, ifd0 + 2 + 6 * 12, ifd1, o);
            rows.push_back({form.name, f,
                            {{FindKind::Location, true, FindWhy::None, other, "text"},
                             {FindKind::Location, true, FindWhy::None, d, "text"},
                             {FindKind::Location, true, FindWhy::None, x, "text"},
                             {FindKind::Location, true, FindWhy::None, u + 8, "text"}}});
        }
        // A description whose bytes are also another entry's value cannot
        // be written over alone.
        TiffMaker t;
        const uint32_t d = t.Add(Text(kWhere + std::string(1, '\0')));
        rows.push_back({"coordinates in a text another entry shares",
                        t.Done(t.Ifd({{270, kAscii, kWhere.size() + 1, d}, {700, kByte, 8, d}})),
                        {{FindKind::Location, false, FindWhy::GpsIfdSharesBytes, d, "text"}}});
        // Found by fuzzing: a description that is its own IFD's table, both
        // cut at the block's end where the coordinates lie.
        TiffMaker u;
        const uint32_t self = u.Ifd({{270, kAscii, 0xFFFF, 8}}, 0, 0x4949);
        u.Add(Text(kWhere));
        rows.push_back({"coordinates in a text that is its own IFD", u.Done(self),
                        {{FindKind::Location, false, FindWhy::GpsIfdSharesBytes, self, "text"}}});
    }
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
    for (const Row& row : Rows()) ExpectWalkAndStrip(row);
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
    t.Add(Bytes(64, 0));  // the file's last 64 bytes are read for a trailer
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

// A BigTIFF's GPS IFD is cleared in the modes a classic one is: its 8-byte
// count and 20-byte entries (tag 2, type 2, count 8, value field 8) as
// chosen, its values apart; the find covers the count and the entries.
TEST(Tiff, BigTiffGpsIfdIsClearedInEachModeAtItsOwnLayout) {
    for (Order o : {Order::II, Order::MM}) {
        TiffMaker t = TiffMaker::Big(o);
        const int64_t g = t.Gps(), latitude = 16;
        const Bytes f = t.Done(t.Ifd({{kGpsTag, kLong, 1, static_cast<uint64_t>(g)}}));
        LocateResult r;
        LocatePositions(ByteReader(f.data(), static_cast<int64_t>(f.size())), r, LocateDepth::Thorough);
        ASSERT_EQ(r.finds.size(), 1u);
        EXPECT_EQ(r.finds[0].pos, g);
        EXPECT_EQ(r.finds[0].len, 8 + 2 * 20);
        auto ranges = [&](GpsStripMode m) {
            std::ostringstream os;
            for (const ByteRange& b : StripRanges(r, m)) os << b.pos - g << "+" << b.len << " ";
            return os.str();
        };
        EXPECT_EQ(ranges({true, false, false}), "0+10 28+2 ");   // count, tags
        EXPECT_EQ(ranges({false, true, false}), "10+18 30+18 "); // type, count, value field
        EXPECT_EQ(ranges({true, true, false}), "0+48 ");
        EXPECT_EQ(ranges({false, false, true}), std::to_string(latitude - g) + "+24 ");
    }
}

// A BigTIFF walked in a bounded range (a picture an index names) whose GPS
// IFD lies after that range: a reader taking offsets from the whole file
// reads it, and a strip may change nothing outside the range.
TEST(Tiff, BigTiffGpsIfdOutsideItsRangeIsFoundNotRemovable) {
    TiffMaker t = TiffMaker::Big(Order::II);
    const uint32_t ifd0 = t.Ifd({{kGpsTag, kLong, 1, 0}}), g = t.Gps();
    Bytes f = t.Done(ifd0);
    t.Put64(f, ifd0 + 8 + 12, g);
    const ByteReader file(f.data(), static_cast<int64_t>(f.size()));
    LocateResult r;
    Sink sink(file, LocateDepth::Thorough, nullptr, r);
    WalkTiffContainer({0, g}, Carrier{}, sink);
    ASSERT_EQ(r.finds.size(), 1u);
    EXPECT_EQ(r.finds[0].kind, FindKind::ExifGps);
    EXPECT_EQ(r.finds[0].pos, g);
    EXPECT_FALSE(r.finds[0].removable);
    EXPECT_EQ(r.finds[0].why, FindWhy::GpsIfdOutsideSegment);
}
