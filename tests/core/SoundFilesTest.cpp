// AIFF and CAF sound: one row per place a position hides (an ID3 chunk or
// an information chunk as FFmpeg writes a clip's location, a text or a
// comment naming a coordinate, XMP) and per part that cannot be taken
// apart (a chunk of another kind, pairs the count does not explain). The
// sound holds "GPS" and an ISO 6709 string in every row: it is never read.
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

using namespace testjpeg;

namespace {

const Bytes kSound = Text("\x01\x02GPS " + kWhere);

Bytes Be16(size_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
Bytes Be64(uint64_t v) { return Concat({Be32(static_cast<uint32_t>(v >> 32)), Be32(static_cast<uint32_t>(v))}); }

// An AIFF chunk, padded to an even length; a form of chunks after COMM.
Bytes Chunk(const std::string& id, const Bytes& data) {
    return Concat({Text(id), Be32(static_cast<uint32_t>(data.size())), data, Bytes(data.size() % 2, 0)});
}
Bytes Aiff(const std::vector<Bytes>& chunks) {
    Bytes b = Concat({Text("AIFF"), Chunk("COMM", Bytes(18, 1)), Chunk("SSND", kSound)});
    for (const Bytes& c : chunks) b = Concat({b, c});
    return Concat({Text("FORM"), Be32(static_cast<uint32_t>(b.size())), b});
}
Bytes Id3(const std::string& desc, const std::string& value) {
    const Bytes frame = Concat({Bytes{3}, Text(desc), Bytes{0}, Text(value)});
    const Bytes frames = Concat({Text("TXXX"), Be32(static_cast<uint32_t>(frame.size())), Bytes{0, 0}, frame});
    return Concat({Text("ID3"), Bytes{4, 0, 0}, Be32(static_cast<uint32_t>(frames.size())), frames});
}

// A CAF chunk; a file of chunks after its description, the audio data
// (its size -1: to the end) last.
Bytes CafChunk(const std::string& type, const Bytes& data) {
    return Concat({Text(type), Be64(data.size()), data});
}
Bytes Caf(const std::vector<Bytes>& chunks) {
    Bytes b = Concat({Text("caff"), Bytes{0, 1, 0, 0}, CafChunk("desc", Bytes(32, 1))});
    for (const Bytes& c : chunks) b = Concat({b, c});
    return Concat({b, Text("data"), Bytes(8, 0xFF), kSound});
}
Bytes Info(const std::vector<std::pair<std::string, std::string>>& pairs, uint32_t count = 0) {
    Bytes b = Be32(count != 0 ? count : static_cast<uint32_t>(pairs.size()));
    for (const auto& [k, v] : pairs) b = Concat({b, Text(k), Bytes{0}, Text(v), Bytes{0}});
    return CafChunk("info", b);
}
const Bytes kXmpUuid{0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8, 0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC};

std::vector<Row> Rows() {
    const Bytes id3 = Aiff({Chunk("NAME", Text("Song")), Chunk("ID3 ", Id3("location", kWhere))});
    const Bytes named = Aiff({Chunk("ANNO", Text("Latitude: 35.6586"))});
    const Bytes comment = Text("taken at 35.6586, 139.7454");
    const Bytes comments =
        Aiff({Chunk("COMT", Concat({Be16(1), Be32(0), Be16(0), Be16(comment.size()), comment, Bytes{0}}))});
    const Bytes appl = Aiff({Chunk("APPL", Concat({Text("XMP "), Text(kXmp)}))});
    const Bytes other = Aiff({Chunk("MARK", Concat({Be16(1), Be16(1), Be32(0), Text("\x12" + kWhere)}))});
    const Bytes info = Caf({Info({{"encoder", "Lavf59.27.100"}, {"location", kWhere}})});
    const Bytes uuid = Caf({CafChunk("uuid", Concat({kXmpUuid, Text(kXmp)}))});
    const Bytes counted = Caf({Info({{"title", "Walk"}, {"comments", "GPS " + kWhere}}, 1)});
    auto location = [](const Bytes& f, const std::string& text, const std::string& carrier) {
        return Want{FindKind::Location, true, FindWhy::None, At(f, text), carrier};
    };
    return {
        {"AIFF: FFmpeg's location in an ID3 chunk", id3,
         {{FindKind::Location, true, FindWhy::None, At(id3, "location", 9), "ID3 / ID3v2.4 / TXXX / location"}}},
        {"AIFF: an annotation naming a coordinate", named, {location(named, "Latitude", "ANNO")}},
        {"AIFF: a comment naming a coordinate", comments,
         {{FindKind::Location, true, FindWhy::None, At(comments, comment), "COMT / comment 1"}}},
        {"AIFF: XMP in an application chunk", appl, {{FindKind::Xmp, true, FindWhy::None, -1}}},
        {"AIFF: a marker's name", other, {{FindKind::Unparsed, false, FindWhy::ChunksUnparsed, At(other, "MARK", 8)}}},
        {"AIFF: clean", Aiff({Chunk("NAME", Text("GPS tour"))}), {}},
        {"CAF: FFmpeg's location in the information chunk", info, {location(info, kWhere, "info / location")}},
        {"CAF: XMP in a uuid chunk", uuid, {{FindKind::Xmp, true, FindWhy::None, -1}}},
        {"CAF: pairs the count does not explain", counted,
         {{FindKind::Unparsed, false, FindWhy::ChunksUnparsed, At(counted, "comments")}}},
        {"CAF: clean", Caf({Info({{"title", "Walk"}})}), {}},
    };
}

}  // namespace

TEST(SoundFiles, EveryPlaceInAiffAndCafIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) ExpectWalkAndStrip(row);
}
