// Ogg and FLAC: one row per place a position hides in their comments (a
// comment packet in one page or across two, Opus tags, a FLAC file's
// comment block and cover picture) and per damaged or unusual file (a
// page whose CRC is already wrong, a stream of another kind, a file cut
// inside a page). Sound packets hold "GPS" in every row: they are never
// read. Each stripped copy keeps the strip contract, and every page's CRC
// in it is right.
#include "locate/ogg/OggCrc.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

using namespace testjpeg;

namespace {

Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// One page of stream `serial` holding `data`, one packet or a piece of
// one: 255-byte lacing values as needed, the last under 255 unless `open`
// (`data` a multiple of 255 bytes), when the packet goes on in the next
// page.
Bytes Page(uint32_t serial, uint8_t flags, const Bytes& data, bool open = false, int crcWrongBy = 0) {
    Bytes lacing;
    size_t left = data.size();
    while (left >= 255) lacing.push_back(255), left -= 255;
    if (!open) lacing.push_back(static_cast<uint8_t>(left));
    Bytes page = Concat({Text("OggS"), Bytes{0, flags}, Bytes(8, 0), Le32(serial), Le32(0), Le32(0),
                         Bytes{static_cast<uint8_t>(lacing.size())}, lacing, data});
    const uint32_t crc = OggCrc(0, page.data(), static_cast<int64_t>(page.size())) + crcWrongBy;
    std::copy_n(Le32(crc).begin(), 4, page.begin() + 22);
    return page;
}

// Vorbis comments: a vendor string, then each "NAME=value".
Bytes Comments(const std::vector<std::string>& entries, const std::string& vendor = "Lavf60") {
    Bytes b = Concat({Le32(static_cast<uint32_t>(vendor.size())), Text(vendor),
                      Le32(static_cast<uint32_t>(entries.size()))});
    for (const std::string& e : entries) b = Concat({b, Le32(static_cast<uint32_t>(e.size())), Text(e)});
    return b;
}

const std::string kLocation = "LOCATION=" + kWhere;
const Bytes kSound = Text("GPS sound");

// A Vorbis stream: its identification, its comments (split over two pages
// after `split` bytes, when given), its setup and a sound packet.
Bytes Vorbis(const Bytes& comments, size_t split = 0, int crcWrongBy = 0) {
    const Bytes packet = Concat({Text("\x03vorbis"), comments, Bytes{1}});
    const Bytes ident = Page(7, 0x02, Concat({Text("\x01vorbis"), Bytes(23, 0)}));
    const Bytes tail = Page(7, 0, Concat({Text("\x05vorbis"), Bytes(4, 0)}));
    if (split == 0) return Concat({ident, Page(7, 0, packet, false, crcWrongBy), tail, Page(7, 0x04, kSound)});
    // The first page ends on a 255-byte segment, so the packet goes on.
    const Bytes first(packet.begin(), packet.begin() + static_cast<int64_t>(split));
    const Bytes rest(packet.begin() + static_cast<int64_t>(split), packet.end());
    return Concat(
        {ident, Page(7, 0, first, true), Page(7, 0x01, rest, false, crcWrongBy), tail, Page(7, 0x04, kSound)});
}

bool PageCrcsRight(const std::vector<uint8_t>& f) {
    for (size_t i = 0; i + 27 <= f.size();) {
        size_t end = i + 27 + f[i + 26];
        for (size_t k = 0; k < f[i + 26]; ++k) end += f[i + 27 + k];
        if (end > f.size()) return false;
        std::vector<uint8_t> page(f.begin() + static_cast<int64_t>(i), f.begin() + static_cast<int64_t>(end));
        std::fill_n(page.begin() + 22, 4, 0);
        const uint32_t stored = f[i + 22] | f[i + 23] << 8 | f[i + 24] << 16 | uint32_t{f[i + 25]} << 24;
        if (OggCrc(0, page.data(), static_cast<int64_t>(page.size())) != stored) return false;
        i = end;
    }
    return true;
}

std::vector<Row> Rows() {
    const Bytes plain = Vorbis(Comments({"TITLE=walk", kLocation}));
    // A long comment before the location, so that its value (at 500 in the
    // packet) crosses from the first page (510 bytes) into the next.
    const Bytes crossing = Vorbis(Comments({"DESCRIPTION=" + std::string(450, 'x'), kLocation}), 510);
    const Bytes wrongCrc = Vorbis(Comments({kLocation}), 0, 1);
    const Bytes named = Vorbis(Comments({"GPS_LATITUDE=35.6586", "LOCATION=Abbey Road"}));
    const Bytes unnamed = Vorbis(Comments({"COMMENT=the GPS was on"}));
    const Bytes words = Vorbis(Comments({"TITLE=Lat: 35.6586 Lon: 139.7454"}));
    const Bytes opus = Concat({Page(9, 0x02, Text("OpusHead\x01\x02")),
                               Page(9, 0, Concat({Text("OpusTags"), Comments({kLocation}), Bytes(8, 0)})),
                               Page(9, 0x04, kSound)});
    // A skeleton stream beside the sound: its packets follow the opaque rule.
    const Bytes other = Concat({Page(3, 0x02, Text(std::string("fishead\0GPS", 11))), plain});
    Bytes cut = plain;
    cut.resize(cut.size() - 4);
    // Damage readers read through: a LOCATION whose coordinates are
    // damaged, then a comment whose length runs past the packet; a page
    // whose version byte is damaged (its CRC then wrong too).
    Bytes runOver = Comments({"LOCATION=+35.6586+139,7454/", "TITLE=x"});
    std::copy_n(Le32(0x400).begin(), 4, runOver.end() - 11);
    const Bytes damaged = Vorbis(runOver);
    // A LOCATION whose own length runs past the packet: readers show it to the packet's end.
    Bytes pastEnd = Comments({"TITLE=x", "LOCATION=-1.2921#36.8219/"});
    std::copy_n(Le32(0x419).begin(), 4, pastEnd.end() - 29);
    const Bytes runPast = Vorbis(pastEnd);
    Bytes serial = opus;  // the tags' page in a stream of its own, its head unseen
    serial[static_cast<size_t>(At(serial, "OpusTags") - 28 + 14)] ^= 1;
    Bytes version = plain;
    version[static_cast<size_t>(At(version, "\x03vorbis") - 28 + 4)] = 1;  // its page: 27 bytes, one lacing value
    const ExifBuilder gps = FiveEntryGps();
    const Bytes photo = Picture({ExifSegment(gps)});
    auto be32 = [](uint32_t v) { return Be32(v); };
    const Bytes pictureBlock = Concat({be32(3), be32(10), Text("image/jpeg"), be32(0), Bytes(16, 0),
                                       be32(static_cast<uint32_t>(photo.size())), photo});
    auto block = [](uint8_t type, const Bytes& data) {
        const auto n = static_cast<uint32_t>(data.size());
        return Concat({Bytes{type, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)}, data});
    };
    const Bytes flac = Concat({Text("fLaC"), block(0, Bytes(34, 0)), block(4, Comments({kLocation})),
                               block(0x86, pictureBlock), Text("GPS frames")});
    auto location = [](const Bytes& f, const std::string& carrier = {}, bool removable = true,
                       FindWhy why = FindWhy::None) {
        return Want{FindKind::Location, removable, why, At(f, kWhere), carrier};
    };
    return {
        {"a Vorbis comment in one page", plain, {location(plain, "stream 7 / packet 1 / LOCATION")}},
        {"a comment across two pages", crossing, {location(crossing)}},
        {"a page whose CRC is already wrong", wrongCrc, {location(wrongCrc, "", false, FindWhy::PageCrcWrong)}},
        {"a comment named GPS; a LOCATION naming a place, not asked for", named,
         {{FindKind::Location, true, FindWhy::None, At(named, "35.6586"), "stream 7 / packet 1 / GPS_LATITUDE"}}},
        {"a comment holding GPS text", unnamed,
         {{FindKind::Unparsed, false, FindWhy::CommentUnparsed, At(unnamed, "the GPS")}}},
        {"a title naming a coordinate in words, as a caption does", words,
         {{FindKind::Location, true, FindWhy::None, At(words, "Lat:"), "stream 7 / packet 1 / TITLE"}}},
        {"Opus tags", opus, {location(opus, "stream 9 / packet 1 / LOCATION")}},
        {"a damaged LOCATION before a comment that runs over", damaged,
         {{FindKind::Location, true, FindWhy::None, At(damaged, "+35.6586"), "stream 7 / packet 1 / LOCATION"}}},
        {"a LOCATION whose length runs past the packet", runPast,
         {{FindKind::Unparsed, false, FindWhy::CommentUnparsed, At(runPast, "LOCATION=")}}},
        {"a page whose version byte is damaged", version, {location(version, "", false, FindWhy::PageCrcWrong)}},
        {"a tags page whose serial number is damaged (the head's next packet then read in its place)", serial,
         {location(serial, "stream 8 / packet 0 / LOCATION", false, FindWhy::PageCrcWrong),
          {FindKind::Unparsed, false, FindWhy::CommentUnparsed, At(serial, "GPS sound")}}},
        {"a skeleton stream naming GPS", other,
         {{FindKind::Unparsed, false, FindWhy::OggPacketUnparsed, At(other, "fishead")}, location(other)}},
        {"a file cut inside its last page", cut,
         {location(cut), {FindKind::AfterEnd, false, FindWhy::AfterEndHoldsGps, -1}}},
        {"FLAC: a comment block and a cover picture's Exif", flac,
         {location(flac, "block 2 / LOCATION"), {FindKind::ExifGps, true, FindWhy::None, -1}}},
    };
}

}  // namespace

TEST(Ogg, EveryPlaceInACommentOrPictureIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) {
        const std::vector<uint8_t> out = ExpectWalkAndStrip(row);
        if (!out.empty() && row.file[0] == 'O') {
            EXPECT_TRUE(PageCrcsRight(out)) << row.name;
        }
    }
}
