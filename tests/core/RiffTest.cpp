// The RIFF walk: one row per place a position hides in a WebP (its EXIF
// chunk with or without "Exif\0\0", its XMP chunk), an AVI or a WAV (INFO
// strings, XMP in `_PMX`, a large clip's next RIFF, a broadcast WAV's
// `bext`, a field recorder's iXML) and per damaged chunk tree. Picture,
// sound and video data hold "GPS" in most rows: it is skipped, never read. Each file is walked at both depths; each one whose
// finds can all be removed keeps the strip contract (same length, found
// clean again, no byte changed outside the strip's ranges).
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

std::vector<Row> Rows() {
    const ExifBuilder gps = FiveEntryGps();
    const Bytes tiff = TiffFile(gps);
    const int64_t gpsIfd = gps.FilePosOfGpsIfd() - gps.FilePosOfTiff();
    const Bytes vp8x = RiffChunk("VP8X", {0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const Bytes vp8 = RiffChunk("VP8 ", Text("GPS " + kWhere));
    auto webp = [&](const Bytes& chunk) { return Riff("WEBP", Concat({vp8x, vp8, chunk})); };
    const Bytes exif = webp(RiffChunk("EXIF", tiff));
    const Bytes prefixed = webp(RiffChunk("EXIF", Concat({Text(std::string("Exif\0\0", 6)), tiff})));
    const Bytes xmp = webp(RiffChunk("XMP ", Text(kXmp)));
    const Bytes magickXmp = webp(RiffChunk(std::string("XMP\0", 4), Text(kXmp)));  // as ImageMagick names it
    const Bytes both = webp(Concat({RiffChunk("EXIF", tiff), RiffChunk("XMP ", Text(kXmp))}));
    const Bytes unknown = webp(RiffChunk("abcd", Text("GPS 35.6586")));
    // A chunk whose size runs past the RIFF and the file.
    Bytes iccpPast = webp(RiffChunk("ICCP", Text("GPS 35.6586"))), exifPast = exif;
    Put32(iccpPast, static_cast<size_t>(At(iccpPast, "ICCP", 4)), 1000, Order::II);
    Put32(exifPast, static_cast<size_t>(At(exifPast, "EXIF", 4)), 1000, Order::II);
    // A size of 0 (a writer that never came back to it): to the end.
    Bytes zero = exif;
    Put32(zero, 4, 0, Order::II);
    const Bytes trailer = Concat({webp({}), Text(kWhere)});
    // A RIFF size that ends before the EXIF chunk, and one that ends inside its header.
    Bytes shortRiff = exif, cutRiff = exif;
    Put32(shortRiff, 4, static_cast<uint32_t>(At(exif, "EXIF") - 8), Order::II);
    Put32(cutRiff, 4, static_cast<uint32_t>(At(exif, "EXIF") - 4), Order::II);
    const Bytes info = RiffList("INFO", Concat({RiffChunk("ISFT", Text("Lavf")), RiffChunk("ICMT", Text(kWhere))}));
    // A stream named (its title) with a coordinate in words.
    const Bytes strn = RiffChunk("strn", Text("Lat: 35.6586 Lon: 139.7454"));
    const Bytes strl = RiffList("strl", Concat({RiffChunk("strh", Bytes(56, 0)), strn}));
    const Bytes avi = Riff("AVI ", Concat({RiffList("hdrl", Concat({RiffChunk("avih", Bytes(56, 0)), strl})),
                                           info, RiffList("movi", RiffChunk("00dc", Text("GPS"))),
                                           RiffChunk("idx1", Text("GPS!"))}));
    const Bytes avix = Concat({Riff("AVI ", RiffList("movi", RiffChunk("00dc", Text("GPS!")))), Riff("AVIX", info)});
    // AVI clips of a video stream and a text stream (handler `handler`),
    // their frames' list holding `chunks`, with an index of them or not.
    auto le32 = [](uint32_t v) { return Bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; };
    auto clip = [&](const std::vector<Bytes>& chunks, bool indexed, const std::string& handler = "    ",
                    const Bytes& hdrl = {}) {
        auto strl = [](const std::string& type, const std::string& h) {
            return RiffList("strl", RiffChunk("strh", Concat({Text(type), Text(h), Bytes(48, 0)})));
        };
        Bytes idx;
        uint32_t off = 4;
        for (const Bytes& ch : chunks) {
            idx = Concat({idx, Bytes(ch.begin(), ch.begin() + 4), le32(0x10), le32(off), Bytes(ch.begin() + 4, ch.begin() + 8)});
            off += static_cast<uint32_t>(ch.size());
        }
        return Riff("AVI ", Concat({RiffList("hdrl", Concat({RiffChunk("avih", Bytes(56, 0)), strl("vids", "MJPG"),
                                                             strl("txts", handler), hdrl})),
                                    RiffList("movi", Concat(chunks)), indexed ? RiffChunk("idx1", idx) : Bytes{}}));
    };
    const Bytes frame = RiffChunk("00dc", Text("GPS " + kWhere)), caption = RiffChunk("01tx", Text(
        "[iso: 100] [latitude: 35.658600] [longitude: 139.745400]"));
    Bytes user(72, 0);
    user[60] = 0x42;  // a latitude (a float) at 60
    const Bytes captioned = clip({frame, caption, frame}, false), indexed = clip({frame, caption, frame}, true),
                userClip = clip({frame, RiffChunk("01tx", user)}, true, "USER"),
                gps0 = clip({frame, RiffChunk("gps0", Bytes(32, 1)), frame}, true),
                lucas = clip({frame, RiffChunk("JUNK", Text("0GPS" + std::string(48, '\1'))), frame}, false),
                rec = clip({RiffList("rec ", Concat({frame, caption}))}, false),
                plainFrames = clip({frame, RiffChunk("01tx", Text("hello")), frame}, true),
                mjpeg = clip({RiffChunk("00dc", Picture({ExifSegment(FiveEntryGps())}))}, true);
    Bytes avif = HeaderlessExif(Order::II, 8, 8), qvmi = HeaderlessExif(Order::MM, 10, 0);
    std::copy_n("AVIF", 4, avif.begin());
    std::copy_n("QVMI", 4, qvmi.begin());
    const Bytes strd = clip({frame}, true, "    ", RiffChunk("strd", avif)),
                junk = Riff("AVI ", Concat({RiffChunk("JUNK", qvmi), RiffList("movi", frame)}));
    const Bytes wav = Riff("WAVE", Concat({RiffChunk("fmt ", Bytes(16, 0)), RiffChunk("data", Text("GPS")),
                                           RiffChunk("_PMX", Text(kXmp))}));
    auto wave = [](const Bytes& chunk) { return Riff("WAVE", Concat({RiffChunk("fmt ", Bytes(16, 0)), chunk})); };
    const Bytes bext = wave(RiffChunk("bext", Concat({Text("Lat: 35.6586 Lon: 139.7454"), Bytes(576, 0)})));
    const Bytes ixml = wave(RiffChunk("iXML", Text("<?xml version=\"1.0\"?><BWFXML><LOCATION><LOCATION_GPS>35.6586, "
                                                   "139.7454</LOCATION_GPS></LOCATION></BWFXML>")));
    const Bytes labelled = wave(RiffList("INFO", RiffChunk("ICMT", Text("GPS on"))));
    Bytes deep = RiffChunk("ICMT", Text(kWhere));
    for (int i = 0; i < 20; ++i) deep = RiffList("INFO", deep);
    deep = Riff("AVI ", deep);

    auto exifGps = [&](const Bytes& f) { return Want{FindKind::ExifGps, true, FindWhy::None, At(f, tiff, gpsIfd), "EXIF"}; };
    auto xmpGps = [](const Bytes& f) { return Want{FindKind::Xmp, true, FindWhy::None, At(f, "exif:GPSLatitude"), "XMP"}; };
    auto timed = [](int64_t pos, const std::string& carrier) {
        return Want{FindKind::TimedGps, true, FindWhy::None, pos, carrier};
    };
    auto location = [](int64_t pos, const std::string& carrier) {
        return Want{FindKind::Location, true, FindWhy::None, pos, carrier};
    };
    auto opaque = [](int64_t pos, const std::string& carrier) {
        return Want{FindKind::Unparsed, false, FindWhy::ChunksUnparsed, pos, carrier};
    };
    return {
        {"WebP EXIF chunk", exif, {exifGps(exif)}},
        {"WebP EXIF chunk after Exif\\0\\0", prefixed, {exifGps(prefixed)}},
        {"WebP XMP chunk", xmp, {xmpGps(xmp)}},
        {"WebP XMP chunk named with a NUL", magickXmp,
         {{FindKind::Xmp, true, FindWhy::None, At(magickXmp, "exif:GPSLatitude"), "XMP."}}},
        {"WebP EXIF and XMP chunks", both, {exifGps(both), xmpGps(both)}},
        {"WebP of RIFF size 0", zero, {exifGps(zero)}},
        {"unknown chunk holding GPS", unknown, {opaque(At(unknown, "abcd"), "abcd")}},
        {"chunk running past the RIFF", iccpPast, {opaque(At(iccpPast, "ICCP"), "after the chunks")}},
        {"EXIF chunk running past the RIFF", exifPast,
         {{FindKind::Container, false, FindWhy::NotReadYet, At(exifPast, tiff), "after the chunks"}}},
        {"WebP whose RIFF size ends before its EXIF chunk", shortRiff,
         {{FindKind::ExifGps, true, FindWhy::None, At(shortRiff, tiff, gpsIfd), "past the RIFF's size / EXIF"}}},
        {"WebP whose RIFF size ends inside its EXIF chunk's header", cutRiff,
         {{FindKind::Container, false, FindWhy::NotReadYet, At(cutRiff, tiff), ""}}},
        {"a position after the RIFF's size", trailer,
         {{FindKind::AfterEnd, false, FindWhy::AfterEndHoldsIso6709, static_cast<int64_t>(webp({}).size()), ""}}},
        {"AVI: a stream's name, INFO string, frames and index", avi,
         {location(At(avi, "strn", 8), "LIST hdrl / LIST strl / strn"),
          location(At(avi, "ICMT", 8), "LIST INFO / ICMT")}},
        {"AVI: a large clip's AVIX RIFF", avix, {location(At(avix, "ICMT", 8), "AVIX #2 / LIST INFO / ICMT")}},
        {"AVI: a text stream's captions among the frames", captioned, {timed(At(captioned, "[iso"), "LIST movi / 01tx")}},
        {"AVI: the same, with an index of the frames", indexed, {timed(At(indexed, "[iso"), "LIST movi / 01tx")}},
        {"AVI: a USER text stream's binary fix", userClip, {timed(At(userClip, "01tx", 8), "LIST movi / 01tx")}},
        {"AVI: a text stream without a position", plainFrames, {}},
        {"AVI: a dashcam's gps0 chunk among the frames", gps0,
         {{FindKind::TimedGps, false, FindWhy::TimedGpsUnreadable, At(gps0, "gps0"), "LIST movi / gps0"}}},
        {"AVI: GPS records in a JUNK chunk among the frames", lucas, {opaque(At(lucas, "JUNK"), "LIST movi / JUNK")}},
        {"AVI: a Motion JPEG frame keeping a photo's Exif", mjpeg, {{FindKind::ExifGps, true, FindWhy::None, -1}}},
        {"AVI: captions in a LIST rec", rec, {timed(At(rec, "[iso"), "LIST movi / 01tx")}},
        {"AVI: Exif IFDs in a stream's strd (AVIF)", strd,
         {{FindKind::ExifGps, true, FindWhy::None, -1, "LIST hdrl / strd"}}},
        {"AVI: Casio's Exif IFDs in JUNK (QVMI)", junk, {{FindKind::ExifGps, true, FindWhy::None, -1, "JUNK"}}},
        {"WAV: XMP in _PMX", wav, {{FindKind::Xmp, true, FindWhy::None, At(wav, "exif:GPSLatitude"), "_PMX"}}},
        {"WAV: bext's description naming a coordinate", bext, {location(At(bext, "Lat:"), "bext / description")}},
        {"WAV: a field recorder's iXML", ixml, {location(At(ixml, "35.6586"), "iXML")}},
        {"WAV: an INFO comment naming GPS, a label", labelled, {}},
        {"LIST chunks nested 20 deep", deep, {{FindKind::Unparsed, false, FindWhy::ChunksTooDeep, -1, ""}}},
    };
}

}  // namespace

TEST(Riff, EveryPlaceInAChunkTreeIsFoundAndStrippedInPlace) {
    // Data after the RIFF is left to a cut; every other find is stripped.
    for (const Row& row : Rows()) ExpectWalkAndStrip(row);
}
