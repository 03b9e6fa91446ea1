// FLV: one row per place a position hides in script data (onMetaData's
// strings and numbers, XMP, a caption) and per damaged or unusual file (AMF
// that cannot be read, encrypted script data, a tag cut short, a header of
// another kind). Picture tags hold "GPS" and an ISO 6709 string in every
// row: they are never read.
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testjpeg;

namespace {

Bytes Be16(size_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
Bytes Name(const std::string& s) { return Concat({Be16(s.size()), Text(s)}); }
Bytes String(const std::string& s) { return Concat({Bytes{2}, Name(s)}); }
Bytes Number(double d) {
    uint64_t v = 0;
    std::memcpy(&v, &d, 8);
    Bytes b{0};
    for (int i = 7; i >= 0; --i) b.push_back(uint8_t(v >> (8 * i)));
    return b;
}
// A named list of values (an ECMA array) after the script data's name.
Bytes Script(const std::string& name, const std::vector<std::pair<std::string, Bytes>>& props) {
    Bytes b = Concat({String(name), Bytes{8}, Be32(static_cast<uint32_t>(props.size()))});
    for (const auto& [n, v] : props) b = Concat({b, Name(n), v});
    return Concat({b, Bytes{0, 0, 9}});
}
Bytes Tag(uint8_t type, const Bytes& data, int64_t declared = -1) {
    const auto n = static_cast<uint32_t>(declared < 0 ? data.size() : declared);
    return Concat({Bytes{type, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0, 0, 0, 0, 0, 0, 0}, data,
                   Be32(static_cast<uint32_t>(11 + data.size()))});
}
// The header, the first tag's size (0), a picture tag that holds a
// position's text, then `tags`.
Bytes Flv(const std::vector<Bytes>& tags) {
    Bytes b = Concat({Text("FLV"), Bytes{1, 5}, Be32(9), Be32(0), Tag(9, Text("GPS " + kWhere))});
    for (const Bytes& t : tags) b = Concat({b, t});
    return b;
}

const Bytes kClean = Script("onMetaData", {{"duration", Number(1.5)}, {"encoder", String("Lavf59.27.100")}});

std::vector<Row> Rows() {
    std::vector<Row> rows;
    // A row of one find, at `at` (plus `plus`) in the file; anywhere when `at` is empty.
    auto one = [&](const char* name, const Bytes& f, const Bytes& at, FindKind k, bool removable, FindWhy why,
                   int64_t plus = 0) {
        rows.push_back({name, f, {{k, removable, why, at.empty() ? -1 : At(f, at, plus), ""}}});
    };
    const Bytes location = String(kWhere);
    const Bytes ffmpeg = Flv({Tag(18, Script("onMetaData", {{"duration", Number(1.5)}, {"location", location},
                                                             {"location-eng", location}}))});
    one("onMetaData's location, as FFmpeg copies it", ffmpeg, location, FindKind::Location, true, FindWhy::None, 3);
    const Bytes damaged = String("+35.6586:139.7454/");  // no longer ISO 6709, yet a place's name never starts so
    one("a location whose ISO 6709 string is damaged",
        Flv({Tag(18, Script("onMetaData", {{"location", damaged}, {"city", String("+1 for Tokyo")}}))}), damaged,
        FindKind::Location, true, FindWhy::None, 3);
    const Bytes lat = Number(35.6586);
    one("numbers under a position's names",
        Flv({Tag(18, Script("onMetaData", {{"altitude", Number(40)}, {"latitude", lat},
                                           {"gps", Concat({Bytes{3}, Name("lon"), Number(139.7454), Bytes{0, 0, 9}})},
                                           {"longitude", Number(0)}}))}),
        lat, FindKind::Location, true, FindWhy::None, 1);
    one("XMP in onXMPData", Flv({Tag(18, kClean), Tag(18, Script("onXMPData", {{"liveXML", String(kXmp)}}))}),
        {}, FindKind::Xmp, true, FindWhy::None);
    const Bytes caption = Text("Lat: 35.6586 Lon: 139.7454");
    one("a caption naming a fix (onTextData)",
        Flv({Tag(18, Script("onTextData", {{"text", String("Lat: 35.6586 Lon: 139.7454")}}))}), caption,
        FindKind::Unparsed, false, FindWhy::TextValueNamesPosition);
    // Not taken apart: AMF3, encrypted script data, a tag of another type,
    // a tag cut short by the file's end.
    const Bytes amf3 = Concat({String("onMetaData"), Bytes{0x11, 0x0A, 0x0B, 1}, Text(kWhere)});
    one("AMF3 script data", Flv({Tag(18, amf3)}), amf3, FindKind::Unparsed, false, FindWhy::TagsUnparsed);
    one("encrypted script data", Flv({Tag(18 | 0x20, location)}), location, FindKind::Unparsed, false,
        FindWhy::TagsUnparsed);
    const Bytes odd = Tag(7, location);
    one("a tag of another type", Flv({Tag(18, kClean), odd}), odd, FindKind::Unparsed, false, FindWhy::TagsUnparsed);
    Bytes cut = Flv({Tag(18, kClean), Tag(18, location, 4000)});
    cut.resize(cut.size() - 4);
    const Bytes cutTag = Tag(18, location, 4000);
    one("a tag cut short", cut, Bytes(cutTag.begin(), cutTag.begin() + 11), FindKind::Unparsed, false,
        FindWhy::TagsUnparsed);
    rows.push_back({"a clean clip", Flv({Tag(18, kClean), Tag(8, Text("GPS"))}), {}});
    return rows;
}

}  // namespace

TEST(Flv, EveryPlaceInAnFlvFileIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) ExpectWalkAndStrip(row);
}
