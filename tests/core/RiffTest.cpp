// The RIFF walk: one row per place a position hides in a WebP (its EXIF
// chunk with or without "Exif\0\0", its XMP chunk), an AVI or a WAV (INFO
// strings, XMP in `_PMX`, a large clip's next RIFF) and per damaged
// chunk tree. Picture, sound and video data hold "GPS" in most rows: it is
// skipped, never read. Each file is walked at both depths; each one whose
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
    const Bytes info = RiffList("INFO", Concat({RiffChunk("ISFT", Text("Lavf")), RiffChunk("ICMT", Text(kWhere))}));
    const Bytes avi = Riff("AVI ", Concat({RiffList("hdrl", Concat({RiffChunk("avih", Bytes(56, 0)),
                                                                     RiffList("strl", RiffChunk("strh", Bytes(56, 0)))})),
                                           info, RiffList("movi", RiffChunk("00dc", Text("GPS"))),
                                           RiffChunk("idx1", Text("GPS!"))}));
    const Bytes avix = Concat({Riff("AVI ", RiffList("movi", Text("GPS!"))), Riff("AVIX", info)});
    const Bytes wav = Riff("WAVE", Concat({RiffChunk("fmt ", Bytes(16, 0)), RiffChunk("data", Text("GPS")),
                                           RiffChunk("_PMX", Text(kXmp))}));
    Bytes deep = RiffChunk("ICMT", Text(kWhere));
    for (int i = 0; i < 20; ++i) deep = RiffList("INFO", deep);
    deep = Riff("AVI ", deep);

    auto exifGps = [&](const Bytes& f) { return Want{FindKind::ExifGps, true, FindWhy::None, At(f, tiff, gpsIfd), "EXIF"}; };
    auto xmpGps = [](const Bytes& f) { return Want{FindKind::Xmp, true, FindWhy::None, At(f, "exif:GPSLatitude"), "XMP"}; };
    auto opaque = [](int64_t pos, const std::string& carrier) {
        return Want{FindKind::Unparsed, false, FindWhy::ChunksUnparsed, pos, carrier};
    };
    return {
        {"WebP EXIF chunk", exif, {exifGps(exif)}},
        {"WebP EXIF chunk after Exif\\0\\0", prefixed, {exifGps(prefixed)}},
        {"WebP XMP chunk", xmp, {xmpGps(xmp)}},
        {"WebP EXIF and XMP chunks", both, {exifGps(both), xmpGps(both)}},
        {"WebP of RIFF size 0", zero, {exifGps(zero)}},
        {"unknown chunk holding GPS", unknown, {opaque(At(unknown, "abcd"), "abcd")}},
        {"chunk running past the RIFF", iccpPast, {opaque(At(iccpPast, "ICCP"), "after the chunks")}},
        {"EXIF chunk running past the RIFF", exifPast,
         {{FindKind::Container, false, FindWhy::NotReadYet, At(exifPast, tiff), "after the chunks"}}},
        {"a position after the RIFF's size", trailer,
         {{FindKind::AfterEnd, false, FindWhy::AfterEndHoldsIso6709, static_cast<int64_t>(webp({}).size()), ""}}},
        {"AVI: INFO string, frames and index", avi, {opaque(At(avi, "ICMT"), "LIST INFO / ICMT")}},
        {"AVI: a large clip's AVIX RIFF", avix, {opaque(At(avix, "ICMT"), "AVIX #2 / LIST INFO / ICMT")}},
        {"WAV: XMP in _PMX", wav, {{FindKind::Xmp, true, FindWhy::None, At(wav, "exif:GPSLatitude"), "_PMX"}}},
        {"LIST chunks nested 20 deep", deep, {{FindKind::Unparsed, false, FindWhy::ChunksTooDeep, -1, ""}}},
    };
}

}  // namespace

TEST(Riff, EveryPlaceInAChunkTreeIsFoundAndStrippedInPlace) {
    // Data after the RIFF is left to a cut; every other find is stripped.
    for (const Row& row : Rows()) ExpectWalkAndStrip(row);
}
