// ID3 tags: one row per place a position hides in them (a user text as
// FFmpeg writes a clip's location, a UTF-16 title, ID3v2.2's frames, a
// cover photo, XMP in a private frame, a tag at the file's end, a WAV's ID3
// chunk, ID3v1's fields) and per frame that cannot be taken apart
// (compressed). The sound after the tag holds "GPS" and an ISO 6709 string in
// every row: it is never read, nor are bare frames with no tag before them
// (MP3, AAC in ADTS, AMR) or WavPack's blocks, whose APE tag is.
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

using namespace testjpeg;

namespace {

Bytes Syncsafe(size_t n) {
    return {uint8_t(n >> 21 & 0x7F), uint8_t(n >> 14 & 0x7F), uint8_t(n >> 7 & 0x7F), uint8_t(n & 0x7F)};
}
// A frame of ID3v2.3 (v 3), v2.4 (v 4, its size syncsafe) or v2.2 (v 2).
Bytes Frame(const std::string& id, const Bytes& data, int v = 4, uint16_t flags = 0) {
    if (v == 2) {
        const size_t n = data.size();
        return Concat({Text(id), Bytes{uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)}, data});
    }
    return Concat({Text(id), v == 4 ? Syncsafe(data.size()) : Be32(static_cast<uint32_t>(data.size())),
                   Bytes{uint8_t(flags >> 8), uint8_t(flags)}, data});
}
Bytes Tag(const Bytes& frames, int v = 4, uint8_t flags = 0) {
    return Concat({Text("ID3"), Bytes{uint8_t(v), 0, flags}, Syncsafe(frames.size()), frames});
}
// A user text (TXXX): encoding, description, NUL, value.
Bytes UserText(const std::string& desc, const std::string& value) {
    return Concat({Bytes{3}, Text(desc), Bytes{0}, Text(value)});
}
Bytes Utf16(const std::string& s) {
    Bytes b{0xFF, 0xFE};
    for (char c : s) b.insert(b.end(), {static_cast<uint8_t>(c), 0});
    return b;
}
const Bytes kSound = Concat({Bytes{0xFF, 0xFB, 0x90, 0x00}, Text(" GPS " + kWhere)});

std::vector<Row> Rows() {
    const Bytes ffmpeg = Concat({Tag(Concat({Frame("TXXX", UserText("location", kWhere)),
                                             Frame("TSSE", Concat({Bytes{3}, Text("Lavf59")})), Bytes(20, 0)})),
                                 kSound});
    const Bytes title = Concat({Tag(Frame("TIT2", Concat({Bytes{1}, Utf16("Latitude: 35.6586")}), 3), 3), kSound});
    const Bytes named = Concat({Bytes{0}, Text("GPSLatitude"), Bytes{0}, Text("35.6586")});
    const Bytes tour = Frame("TT2", Concat({Bytes{0}, Text("GPS tour")}), 2);
    const Bytes old = Concat({Tag(Concat({Frame("TXX", named, 2), tour}), 2), kSound});
    const Bytes photo = Picture({ExifSegment(FiveEntryGps())});
    const Bytes cover =
        Concat({Tag(Frame("APIC", Concat({Bytes{0}, Text("image/jpeg"), Bytes{0, 3, 0}, photo}))), kSound});
    const Bytes xmp = Concat({Tag(Frame("PRIV", Concat({Text("XMP"), Bytes{0}, Text(kXmp)}))), kSound});
    const Bytes sealed = Concat({Tag(Frame("TXXX", UserText("location", kWhere), 4, 0x0008)), kSound});
    const Bytes v1 = Concat({Tag(Frame("TIT2", Concat({Bytes{0}, Text("Song")}))), kSound, Text("TAG"),
                             Text(kWhere), Bytes(125 - kWhere.size(), 0)});
    const Bytes appended = Tag(Frame("TXXX", UserText("location", kWhere)), 4, 0x10);
    // A table of contents listing a chapter whose title names a coordinate.
    const Bytes chapterTitle = Frame("TIT2", Concat({Bytes{3}, Text("Lat: 35.6586 Lon: 139.7454")}));
    const Bytes toc = Frame("CTOC", Concat({Text("toc"), Bytes{0, 3, 1}, Text("ch0"), Bytes{0}}));
    const Bytes chapters = Concat({Tag(Concat({toc, Frame("CHAP", Concat({Text("ch0"), Bytes(17, 0), chapterTitle}))})),
                                   kSound});
    Bytes footer = appended;
    std::copy_n("3DI", 3, footer.begin());
    const Bytes atEnd = Concat({Tag(Frame("TIT2", Concat({Bytes{0}, Text("Song")}))), kSound, appended,
                                Bytes(footer.begin(), footer.begin() + 10)});
    const Bytes id3 = Tag(Frame("TXXX", UserText("location", kWhere), 3), 3);
    auto le32 = [](size_t n) { return Bytes{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)}; };
    const Bytes chunks = Concat({Text("WAVEfmt "), le32(16), Bytes(16, 1), Text("data"), le32(kSound.size()), kSound,
                                 Bytes(kSound.size() % 2, 0), Text("id3 "), le32(id3.size()), id3});
    const Bytes wav = Concat({Text("RIFF"), le32(chunks.size()), chunks});
    // MPEG-1 layer III frames of 128 kbit/s at 44.1 kHz (417 bytes), and
    // AAC's ADTS frames of 16 bytes, holding a position's text.
    Bytes mp3Frame = Concat({Bytes{0xFF, 0xFB, 0x90, 0x00}, Text("GPS " + kWhere)});
    mp3Frame.resize(417);
    const Bytes v1Tag = Concat({Text("TAG"), Bytes(94, ' '), Text("Lat: 35.6586"), Bytes(18, 0), Bytes{12}});
    const Bytes bareV1 = Concat({mp3Frame, mp3Frame, mp3Frame, v1Tag});
    const Bytes adtsFrame = Concat({Bytes{0xFF, 0xF1, 0x50, 0x80, 0x02, 0x00, 0x00}, Text("GPS +35."), Bytes{0}});
    const Bytes adts = Concat({adtsFrame, adtsFrame, adtsFrame, adtsFrame});
    // An APE tag (version 2, with a header) of text items, and one cover.
    auto ape = [&](const std::vector<std::pair<std::string, Bytes>>& items, uint32_t binary = 0) {
        Bytes b;
        for (const auto& [key, value] : items)
            b = Concat({b, le32(value.size()), le32(key == "Cover Art (Front)" ? binary : 0), Text(key), Bytes{0},
                        value});
        auto part = [&](uint32_t flags) {
            return Concat({Text("APETAGEX"), le32(2000), le32(b.size() + 32), le32(items.size()), le32(flags),
                           Bytes(8, 0)});
        };
        return Concat({part(0xA0000000u), b, part(0x80000000u)});
    };
    const Bytes wavpack = Concat({Text("wvpk"), kSound, ape({{"title", Text("Walk")}, {"location", Text(kWhere)}})});
    const Bytes apeCover = Concat({Bytes(bareV1.begin(), bareV1.end() - 128),
                                   ape({{"Cover Art (Front)", Concat({Text("cover.jpg"), Bytes{0}, photo})}}, 2)});
    auto location = [](const Bytes& f, const std::string& text, const std::string& carrier = {}) {
        return Want{FindKind::Location, true, FindWhy::None, At(f, text), carrier};
    };
    // Damage readers read through: a location's value (a comma for its
    // point), a description's terminator (the value run into it), an
    // encoding no version defines, a longitude's point in a note.
    const Bytes damaged =
        Concat({Tag(Concat({Frame("TXXX", UserText("location", "+35.6586+139,7454/")),
                            Frame("TXXX", Concat({Bytes{3}, Text("locationj" + kWhere)})),
                            Frame("TXXX", Concat({Bytes{7}, Text("location"), Bytes{0},
                                                  Text("+35.6586+139.w454/")})),
                            Frame("TXXX", UserText("note", "+38.7223-009\x80" "1393/"))})),
                kSound});
    return {
        {"damaged user texts", damaged,
         {location(damaged, "+35.6586+139,"), location(damaged, "locationj"), location(damaged, "+35.6586+139.w"),
          location(damaged, "+38.7223")}},
        {"FFmpeg's location (TXXX)", ffmpeg, {location(ffmpeg, kWhere, "ID3v2.4 / TXXX / location")}},
        {"a UTF-16 title naming a coordinate", title, {{FindKind::Location, true, FindWhy::None, At(title, "L", 0)}}},
        {"a chapter's title naming a coordinate", chapters,
         {{FindKind::Location, true, FindWhy::None, At(chapters, "Lat:"), "ID3v2.4 / CHAP / TIT2"}}},
        {"ID3v2.2: a user text named GPS", old, {location(old, "35.6586", "ID3v2.2 / TXX / GPSLatitude")}},
        {"a cover photo's Exif", cover, {{FindKind::ExifGps, true, FindWhy::None, -1}}},
        {"XMP in a private frame", xmp, {{FindKind::Xmp, true, FindWhy::None, -1}}},
        {"a compressed frame", sealed,
         {{FindKind::Unparsed, false, FindWhy::FramesUnparsed, At(sealed, "\x03location")}}},
        {"ID3v1's title", v1, {{FindKind::Location, true, FindWhy::None, At(v1, "TAG+", 3), "ID3v1 / title"}}},
        {"a tag with a footer at the file's end", atEnd, {location(atEnd, kWhere + std::string(1, '\0') + "3DI", "")}},
        {"a WAV's ID3 chunk", wav, {{FindKind::Location, true, FindWhy::None, At(wav, "location", 9)}}},
        {"a clean tag", Concat({Tag(Frame("TIT2", Concat({Bytes{0}, Text("Song")}))), kSound}), {}},
        {"bare MP3 frames, ID3v1's comment", bareV1,
         {{FindKind::Location, true, FindWhy::None, At(bareV1, "TAG", 97), "ID3v1 / comment"}}},
        {"bare ADTS frames", adts, {}},
        {"WavPack: FFmpeg's location in the APE tag", wavpack,
         {{FindKind::Location, true, FindWhy::None, At(wavpack, "location", 9), "APE tag / location"}}},
        {"an APE tag's cover photo after MP3 frames", apeCover, {{FindKind::ExifGps, true, FindWhy::None, -1}}},
        {"AMR", Concat({Text("#!AMR\n"), kSound}), {}},
        {"a sync word that leads to no frame", Concat({mp3Frame, kSound}),
         {{FindKind::Container, false, FindWhy::NotReadYet, 0, ""}}},
    };
}

}  // namespace

TEST(Id3, EveryPlaceInAnId3TagIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) ExpectWalkAndStrip(row);
}
