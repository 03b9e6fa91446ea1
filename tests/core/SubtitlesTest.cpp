// Subtitles beside a clip: one row per way a drone captions its fix in a
// SubRip or WebVTT file, and per text that is not one. Each file is walked
// at both depths; each one whose finds can all be removed keeps the strip
// contract (same length, found clean again, no byte changed outside the
// cues' text).
#include "locate/Locator.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

using namespace testjpeg;

TEST(Subtitles, DronesCaptionsAreFoundAndBlankedAtTheirLength) {
    const std::string mini = "\xEF\xBB\xBF" "1\r\n00:00:00,000 --> 00:00:00,033\r\n<font size=\"28\">FrameCnt: 1\r\n"
                             "[iso: 100] [latitude: 35.658600] [longitude: 139.745400] [rel_alt: 1.2]</font>\r\n\r\n"
                             "2\r\n00:00:00,033 --> 00:00:00,066\r\n[iso: 100] [latitude: 35.658610]\r\n";
    const std::string phantom = "1\n00:00:01,000 --> 00:00:02,000\nHOME(139.7454,35.6586) 2019.05.04 12:00:00\n"
                                "GPS(139.7455,35.6587,19) BAROMETER:19.6\n";
    const std::string vtt = "WEBVTT\n\n00:00.000 --> 00:01.000\n+35.6586+139.7454/\n";
    const std::string note = "WEBVTT\n\nNOTE shot at +35.6586+139.7454/\n\n00:00.000 --> 00:01.000\nhello\n";
    const std::string header = "WEBVTT\n00:00.000 --> 00:01.000\nGPS 35.6586 139.7454\n";  // no blank line after it
    const std::string speech = "1\n00:00:01,000 --> 00:00:02,000\nTurn on GPS, then press 2.\n";
    const Bytes a = Text(mini), b = Text(phantom), c = Text(vtt), d = Text(note);
    const std::vector<Row> rows = {
        {"a drone's SubRip captions, each cue with its fix", a,
         {{FindKind::TimedGps, true, FindWhy::None, At(a, "<font"), "block 1"}}},
        {"an older drone's HOME and GPS captions", b, {{FindKind::TimedGps, true, FindWhy::None, At(b, "HOME")}}},
        {"WebVTT holding an ISO 6709 string", c, {{FindKind::TimedGps, true, FindWhy::None, At(c, "+35")}}},
        {"a WebVTT note holding an ISO 6709 string", d, {{FindKind::TimedGps, true, FindWhy::None, At(d, " shot")}}},
        {"a WebVTT header in the first cue's block", Text(header), {{FindKind::TimedGps, true}}},
        {"captions that name GPS but hold no position", Text(speech), {}},
    };
    for (const Row& row : rows) {
        const std::vector<uint8_t> out = ExpectWalkAndStrip(row);
        if (out.empty()) continue;
        // Numbers, timings and line ends stay; no digit of the fix does.
        const Bytes kept(out.begin(), out.end());
        EXPECT_EQ(At(kept, "00:00:0") >= 0 || At(kept, "00:00.000") >= 0, true) << row.name;
        EXPECT_LT(At(kept, "35.65"), 0) << row.name;
    }
    // A text file that is not subtitles is not read.
    LocateResult r;
    const Bytes notes = Text("Trip notes\n35.6586, 139.7454\n");
    LocatePositions(ByteReader(notes.data(), static_cast<int64_t>(notes.size())), r);
    ASSERT_EQ(r.finds.size(), 1u);
    EXPECT_EQ(r.finds[0].why, FindWhy::NotReadYet);
}
