// ASF (WMV, WMA): one row per place a position hides in the header (an
// attribute as FFmpeg writes a clip's location, a title naming a
// coordinate, a position's number in a metadata record inside the header
// extension, a cover photo, XMP) and per part that cannot be taken apart
// (an object of another kind holding UTF-16 text, attributes cut short).
// The data object's packets hold "GPS" and an ISO 6709 string in every
// row: they are never read.
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

using namespace testjpeg;

namespace {

Bytes Le16(size_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes Le32(size_t v) { return Concat({Le16(v), Le16(v >> 16)}); }
Bytes Le64(size_t v) { return Concat({Le32(v), Le32(uint64_t(v) >> 32)}); }
Bytes Utf16(const std::string& s) {
    Bytes b;
    for (char c : s) b.insert(b.end(), {static_cast<uint8_t>(c), 0});
    return Concat({b, Bytes{0, 0}});
}
// GUIDs as stored (the first three fields little-endian).
const Bytes kHeader{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const Bytes kData{0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const Bytes kDescription{0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const Bytes kExtended{0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11, 0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
const Bytes kExtension{0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11, 0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const Bytes kLibrary{0x94, 0x1C, 0x23, 0x44, 0x98, 0x94, 0xD1, 0x49, 0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54};
const Bytes kXmpGuid{0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8, 0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC};
const Bytes kOther(16, 0x42);

Bytes Object(const Bytes& guid, const Bytes& data) { return Concat({guid, Le64(24 + data.size()), data}); }
// An extended content description's attribute.
Bytes Attribute(const std::string& name, uint16_t type, const Bytes& value) {
    const Bytes n = Utf16(name);
    return Concat({Le16(n.size()), n, Le16(type), Le16(value.size()), value});
}
Bytes Extended(const std::vector<Bytes>& attributes) {
    Bytes b = Le16(attributes.size());
    for (const Bytes& a : attributes) b = Concat({b, a});
    return Object(kExtended, b);
}
// A header of `objects`, then a data object whose packets hold a position's text.
Bytes Asf(const std::vector<Bytes>& objects) {
    Bytes children;
    for (const Bytes& o : objects) children = Concat({children, o});
    const Bytes header = Concat({kHeader, Le64(30 + children.size()), Le32(objects.size()), Bytes{1, 2}, children});
    return Concat({header, Object(kData, Concat({Bytes(26, 0), Text("GPS " + kWhere)}))});
}

std::vector<Row> Rows() {
    const Bytes ffmpeg = Asf({Extended({Attribute("WM/EncodingSettings", 0, Utf16("Lavf59.27.100")),
                                        Attribute("location", 0, Utf16(kWhere))})});
    const Bytes title = Utf16("GPS 35.6586 139.7454");
    const Bytes lengths = Concat({Le16(title.size()), Le16(2), Le16(0), Le16(0), Le16(0)});
    const Bytes described = Asf({Object(kDescription, Concat({lengths, title, Bytes{0, 0}}))});
    // A metadata library record inside the header extension: a 64-bit number.
    const Bytes lat = Le64(356586);
    const Bytes name = Utf16("WM/Latitude");
    const Bytes record = Concat({Le16(0), Le16(0), Le16(name.size()), Le16(4), Le32(8), name, lat});
    const Bytes library = Object(kLibrary, Concat({Le16(1), record}));
    const Bytes extension = Asf({Object(kExtension, Concat({Bytes(16, 0), Le16(6), Le32(library.size()), library}))});
    const Bytes photo = Picture({ExifSegment(FiveEntryGps())});
    const Bytes picture = Concat({Bytes{3}, Le32(photo.size()), Utf16("image/jpeg"), Utf16(""), photo});
    const Bytes cover = Asf({Extended({Attribute("WM/Picture", 1, picture)})});
    const Bytes xmp = Concat({Asf({}), Object(kXmpGuid, Text(kXmp))});
    const Bytes wide = Utf16("taken at " + kWhere);
    const Bytes other = Asf({Object(kOther, Concat({Bytes(3, 0), wide}))});
    Bytes cut = Extended({Attribute("location", 0, Utf16(kWhere))});
    cut[cut.size() - Utf16(kWhere).size() - 2] = 0xFF;  // the value's length runs past the object
    const Bytes cutShort = Asf({cut});
    auto location = [](const Bytes& f, const Bytes& at, const std::string& carrier) {
        return Want{FindKind::Location, true, FindWhy::None, At(f, at), carrier};
    };
    return {
        {"FFmpeg's location attribute", ffmpeg,
         {location(ffmpeg, Utf16(kWhere), "header / extended content description / location")}},
        {"a title naming a coordinate", described,
         {location(described, title, "header / content description / title")}},
        {"a position's number in the header extension", extension,
         {location(extension, lat, "header / header extension / metadata library / WM/Latitude")}},
        {"a cover photo's Exif", cover, {{FindKind::ExifGps, true, FindWhy::None, -1}}},
        {"XMP after the data", xmp, {{FindKind::Xmp, true, FindWhy::None, -1}}},
        {"an object of another kind holding UTF-16 text", other,
         {{FindKind::Unparsed, false, FindWhy::ObjectsUnparsed, At(other, kOther, 24)}}},
        {"attributes cut short", cutShort,
         {{FindKind::Unparsed, false, FindWhy::ObjectsUnparsed, At(cutShort, kExtended, 26)}}},
        {"a clean clip", Asf({Extended({Attribute("WM/EncodingSettings", 0, Utf16("Lavf59.27.100")),
                                        Attribute("Latitude", 3, Le32(0))})}),
         {}},
    };
}

}  // namespace

TEST(Asf, EveryPlaceInAnAsfHeaderIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) ExpectWalkAndStrip(row);
}
