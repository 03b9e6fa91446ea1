// The Matroska walk: one row per place a position hides in a Matroska or
// WebM file (a tag's string, under a CRC or not; a string or the segment's
// title naming a coordinate under another name; an attached picture's Exif) and per
// damaged or unusual file (a CRC already wrong, a binary value, sizes left
// unknown by a live recording, a file cut in its media), and the text
// tracks' frames in the clusters (captions a drone writes, plain, laced,
// compressed, under a cluster's CRC). Cluster data of other tracks holds
// "GPS" in every row: it is skipped, never read. Each file is walked
// at both depths; each one whose finds can all be removed keeps the strip
// contract (same length, found clean again, no byte changed outside the
// strip's ranges), and every CRC-32 around what the strip changed is
// written anew.
#include "fuzz/StripContract.h"
#include "locate/Locator.h"
#include "tests/support/ContainerBuilder.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <zlib.h>

using namespace testjpeg;

namespace {

// An element: its ID as written, an 8-byte size (or the unknown size), its data.
Bytes El(uint32_t id, const Bytes& data, bool unknownSize = false) {
    Bytes b;
    for (int shift = 24; shift >= 0; shift -= 8)
        if ((id >> shift) != 0 || shift == 0) b.push_back(static_cast<uint8_t>(id >> shift));
    const uint64_t n = unknownSize ? 0x00FFFFFFFFFFFFFF : data.size();
    b.push_back(0x01);
    for (int shift = 48; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(n >> shift));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// A master element whose first child is the CRC-32 of the others.
Bytes WithCrc(uint32_t id, const Bytes& children, int wrongBy = 0) {
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0L, children.data(), static_cast<uInt>(children.size()))) + wrongBy;
    return El(id, Concat({El(0xBF, {static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8),
                                    static_cast<uint8_t>(crc >> 16), static_cast<uint8_t>(crc >> 24)}),
                          children}));
}

Bytes SimpleTag(const std::string& name, const Bytes& value, uint32_t valueId = 0x4487) {
    return El(0x67C8, Concat({El(0x45A3, Text(name)), El(0x447A, Text("und")), El(valueId, value)}));
}

Bytes Tags(const Bytes& simpleTags, int crcWrongBy = -1) {
    const Bytes tag = El(0x7373, Concat({El(0x63C0, {}), simpleTags}));
    return crcWrongBy < 0 ? El(0x1254C367, tag) : WithCrc(0x1254C367, tag, crcWrongBy);
}

// EBML header, then a segment: information, a cluster holding "GPS", then `rest`.
Bytes Mkv(const Bytes& rest, bool live = false, const Bytes& info = El(0x1549A966, El(0x4D80, Text("Lavf60")))) {
    const Bytes header = El(0x1A45DFA3, Concat({El(0x4282, Text("matroska")), El(0x4287, {4})}));
    const Bytes cluster = El(0x1F43B675, Concat({El(0xE7, {0}), El(0xA3, Text("\x81\0\0\x80 GPS frame"))}), live);
    return Concat({header, El(0x18538067, Concat({info, cluster, rest}), live)});
}

// A text track's caption holding a fix, in the form a drone writes.
const std::string kCaption = "[latitude: 35.658600] [longitude: 139.745400]";

Bytes TrackEntry(uint8_t number, uint8_t type, const std::string& codec, const Bytes& more = {}) {
    return El(0xAE, Concat({El(0xD7, {number}), El(0x83, {type}), El(0x86, Text(codec)), more}));
}

// Tracks (a video track 1, the text track 2 with `more` in its entry), then
// a cluster under a CRC holding the text track's block `block`.
Bytes TextTrack(const Bytes& more, const Bytes& block, int crcWrongBy = 0) {
    const Bytes tracks =
        El(0x1654AE6B, Concat({TrackEntry(1, 1, "V_MPEG4/ISO/AVC"), TrackEntry(2, 0x11, "S_TEXT/UTF8", more)}));
    return Mkv(Concat({tracks, WithCrc(0x1F43B675, Concat({El(0xE7, {0}), block}), crcWrongBy)}));
}

// A block of track 2 (flags: its lacing) holding `frames`.
Bytes TextBlock(uint32_t id, uint8_t flags, const Bytes& frames) {
    return El(id, Concat({Bytes{0x82, 0, 0, flags}, frames}));
}

std::vector<Row> Rows() {
    const Bytes loc = Text(kWhere);
    const Bytes tagged = Mkv(Tags(SimpleTag("LOCATION", loc), 0));
    const Bytes plain = Mkv(Tags(SimpleTag("location-eng", loc)));
    const Bytes wrongCrc = Mkv(Tags(SimpleTag("LOCATION", loc), 1));
    const Bytes comment =
        Mkv(Tags(Concat({SimpleTag("COMMENT", Text("at " + kWhere)), SimpleTag("ENCODER", Text("x"))})));
    const Bytes gpsWord = Mkv(Tags(SimpleTag("COMMENT", Text("GPS was off"))));
    // A coordinate in words (as a caption names one) in a tag and in the
    // segment's title, where FFmpeg writes a clip's title.
    const Bytes words = Mkv(Tags(SimpleTag("DESCRIPTION", Text(kCaption))));
    const Bytes title =
        Mkv({}, false, WithCrc(0x1549A966, Concat({El(0x4D80, Text("Lavf60")), El(0x7BA9, Text(kCaption))})));
    const Bytes trackName = Mkv(WithCrc(0x1654AE6B, TrackEntry(1, 1, "V_MPEG4/ISO/AVC", El(0x536E, Text(kCaption)))));
    const Bytes display = El(0x80, Concat({El(0x85, Text(kCaption)), El(0x437C, Text("und"))}));
    const Bytes chapter = Mkv(WithCrc(0x1043A770, El(0x45B9, El(0xB6, Concat({El(0x73C4, {1}), display})))));
    const Bytes binary = Mkv(Tags(SimpleTag("LOCATION", loc, 0x4485)));
    const Bytes place = Mkv(Tags(SimpleTag("RECORDING_LOCATION", Text("JP"))));
    const Bytes nested = Mkv(Tags(El(0x67C8, Concat({El(0x45A3, Text("PLACE")), SimpleTag("ISO6709", loc)}))));
    const ExifBuilder gps = FiveEntryGps();
    const Bytes jpeg = Picture({ExifSegment(gps)});
    const Bytes file = Concat({El(0x466E, Text("cover.jpg")), El(0x4660, Text("image/jpeg")), El(0x465C, jpeg)});
    const Bytes attached = Mkv(WithCrc(0x1941A469, El(0x61A7, file)));
    const Bytes live = Mkv(Tags(SimpleTag("LOCATION", loc)), true);
    // Tags inside a cluster's bytes, where only the seek index leads.
    const Bytes block = El(0xA3, Text("\x81\0\0\x80 frame")), hiddenTags = Tags(SimpleTag("LOCATION", loc));
    auto seekHead = [](uint64_t pos) {
        Bytes p(8);
        for (int i = 0; i < 8; ++i) p[static_cast<size_t>(i)] = static_cast<uint8_t>(pos >> (56 - 8 * i));
        return El(0x114D9B74, El(0x4DBB, Concat({El(0x53AB, {0x12, 0x54, 0xC3, 0x67}), El(0x53AC, p)})));
    };
    const size_t seekLen = seekHead(0).size();
    const Bytes sought = Concat({El(0x1A45DFA3, Concat({El(0x4282, Text("matroska")), El(0x4287, {4})})),
                                 El(0x18538067, Concat({seekHead(seekLen + 12 + block.size()),
                                                        El(0x1F43B675, Concat({block, hiddenTags}))}))});
    // A seek index whose size a writer (or damage) ran past the information
    // after it, under the index's CRC; cues holding what no cue point is.
    const Bytes indexed =
        Mkv(WithCrc(0x114D9B74, Concat({seekHead(0), El(0x1549A966, El(0x7BA9, Text(kCaption)))})));
    const Bytes cues = Mkv(El(0x1C53BB6B, Concat({El(0xBB, {0}), El(0x4444, Text("GPS"))})));
    Bytes cut = Mkv(El(0x1F43B675, Text("GPS GPS GPS GPS")));
    cut.resize(cut.size() - 4);
    const Bytes caption = Text(kCaption), other = Text("Hello");
    const Bytes grouped = TextTrack({}, El(0xA0, Concat({TextBlock(0xA1, 0, caption), El(0x9B, {5})})));
    const Bytes laced =
        TextTrack({}, TextBlock(0xA3, 0x02, Concat({Bytes{1, static_cast<uint8_t>(other.size())}, other, caption})));
    Bytes packed(compressBound(kCaption.size()));
    uLongf packedLen = packed.size();
    compress2(packed.data(), &packedLen, caption.data(), caption.size(), 9);
    packed.resize(packedLen);
    const Bytes zlibEncoding = El(0x6D80, El(0x6240, El(0x5034, El(0x4254, {0}))));
    const Bytes compressed = TextTrack(zlibEncoding, TextBlock(0xA3, 0, packed));
    const Bytes crcWrong = TextTrack({}, TextBlock(0xA3, 0, caption), 1);
    const Bytes encrypted = TextTrack(El(0x6D80, El(0x6240, El(0x5035, El(0x47E1, {5})))), TextBlock(0xA3, 0, other));
    // A Motion JPEG track whose frame is a photo keeping its Exif, under the cluster's CRC.
    auto mjpeg = [&](int crcWrongBy) {
        const Bytes tracks = El(0x1654AE6B, TrackEntry(1, 1, "V_MJPEG"));
        const Bytes block = El(0xA3, Concat({Bytes{0x81, 0, 0, 0x80}, jpeg}));
        return Mkv(Concat({tracks, WithCrc(0x1F43B675, Concat({El(0xE7, {0}), block}), crcWrongBy)}));
    };
    auto timed = [](int64_t at, bool removable = true, FindWhy why = FindWhy::None) {
        return Want{FindKind::TimedGps, removable, why, at, "Segment #1 / text track 2"};
    };
    auto location = [](const Bytes& f, const std::string& carrier, bool removable = true,
                       FindWhy why = FindWhy::None) {
        return Want{FindKind::Location, removable, why, At(f, kWhere), carrier};
    };
    return {
        {"a LOCATION tag under the Tags' CRC", tagged, {location(tagged, "Segment #1 / Tags / Tag #1 / LOCATION")}},
        {"a location tag named in lower case, no CRC", plain, {location(plain, "")}},
        {"a Tags CRC already wrong", wrongCrc, {location(wrongCrc, "", false, FindWhy::ElementCrcWrong)}},
        {"a comment holding a coordinate string", comment,
         {{FindKind::Location, true, FindWhy::None, At(comment, "at +"), "Segment #1 / Tags / Tag #1 / COMMENT"}}},
        {"a comment holding GPS", gpsWord,
         {{FindKind::Unparsed, false, FindWhy::ElementsUnparsed, At(gpsWord, "GPS was"), ""}}},
        {"a description naming a coordinate in words", words,
         {{FindKind::Location, true, FindWhy::None, At(words, kCaption), "Segment #1 / Tags / Tag #1 / DESCRIPTION"}}},
        {"the segment's title naming one, under the information's CRC", title,
         {{FindKind::Location, true, FindWhy::None, At(title, kCaption), "Segment #1 / Info / Title"}}},
        {"a chapter's title naming one, under the chapters' CRC", chapter,
         {{FindKind::Location, true, FindWhy::None, At(chapter, kCaption), "Segment #1 / Chapters"}}},
        {"a track's name naming one, under the tracks' CRC", trackName,
         {{FindKind::Location, true, FindWhy::None, At(trackName, kCaption),
           "Segment #1 / Tracks / TrackEntry #1 / Name"}}},
        {"a binary LOCATION", binary, {location(binary, "", false, FindWhy::LocationUnreadable)}},
        {"a recording place, not asked for", place, {}},
        {"a nested tag", nested, {location(nested, "Segment #1 / Tags / Tag #1 / PLACE / ISO6709")}},
        {"an attached picture's Exif, under the attachments' CRC", attached,
         {{FindKind::ExifGps, true, FindWhy::None, -1, ""}}},
        {"a live recording: segment and cluster of unknown size", live, {location(live, "")}},
        {"the information inside a seek index, under its CRC", indexed,
         {{FindKind::Location, true, FindWhy::None, At(indexed, kCaption), "Segment #1 / SeekHead / Info / Title"}}},
        {"cues holding no cue point's data", cues,
         {{FindKind::Unparsed, false, FindWhy::ElementsUnparsed, At(cues, Bytes{0x44, 0x44, 0x01}),
           "Segment #1 / Cues"}}},
        {"a file cut inside a cluster", cut, {}},
        {"tags inside a cluster, where the seek index leads", sought,
         {location(sought, "Segment #1 / sought / Tags / Tag #1 / LOCATION")}},
        {"a caption in a block group of a text track, under the cluster's CRC", grouped,
         {timed(At(grouped, kCaption))}},
        {"a laced block: the second frame holds the caption", laced, {timed(At(laced, kCaption))}},
        {"a zlib-compressed caption, compressed anew at its length", compressed, {timed(At(compressed, packed))}},
        {"a cluster's CRC already wrong", crcWrong, {timed(At(crcWrong, kCaption), false, FindWhy::ElementCrcWrong)}},
        {"a Motion JPEG frame keeping a photo's Exif, under the cluster's CRC", mjpeg(0),
         {{FindKind::ExifGps, true, FindWhy::None, -1, ""}}},
        {"the same, the cluster's CRC already wrong", mjpeg(1),
         {{FindKind::ExifGps, false, FindWhy::ElementCrcWrong, -1, ""}}},
        {"an encrypted text track cannot be read", encrypted,
         {timed(At(encrypted, "Hello"), false, FindWhy::TimedGpsUnreadable)}},
    };
}

}  // namespace

// True when every top-level element of `f` that the walk reads (clusters,
// Tags, Attachments, Info, Tracks, Chapters) whose first child is a CRC-32
// (as El and WithCrc write them) holds the right one.
static bool CrcsRight(const std::vector<uint8_t>& f) {
    const Bytes ids[] = {{0x1F, 0x43, 0xB6, 0x75}, {0x12, 0x54, 0xC3, 0x67}, {0x19, 0x41, 0xA4, 0x69},
                         {0x15, 0x49, 0xA9, 0x66}, {0x16, 0x54, 0xAE, 0x6B}, {0x10, 0x43, 0xA7, 0x70}};
    for (const Bytes& id : ids)
        for (auto at = std::search(f.begin(), f.end(), id.begin(), id.end()); at != f.end();
             at = std::search(at + 1, f.end(), id.begin(), id.end())) {
            const auto pos = static_cast<size_t>(at - f.begin());
            if (pos + 25 > f.size() || f[pos + 4] != 0x01 || f[pos + 12] != 0xBF) continue;
            uint64_t size = 0;
            for (size_t i = 5; i < 12; ++i) size = size << 8 | f[pos + i];
            const size_t children = pos + 25, end = pos + 12 + static_cast<size_t>(size);
            if (end > f.size() || end < children) continue;
            const uint32_t want = f[pos + 21] | f[pos + 22] << 8 | f[pos + 23] << 16 | uint32_t{f[pos + 24]} << 24;
            if (crc32(0L, f.data() + children, static_cast<uInt>(end - children)) != want) return false;
        }
    return true;
}

TEST(Matroska, EveryPlaceInATagOrAttachmentIsFoundAndStrippedInPlace) {
    for (const Row& row : Rows()) {
        const std::vector<uint8_t> copy = ExpectWalkAndStrip(row);
        EXPECT_TRUE(copy.empty() || CrcsRight(copy)) << row.name << ": a CRC-32 is wrong after the strip";
    }
}
