// Damaged inputs through the whole chain the window and the terminal use
// (analysis, GPS texts, summary, JSON): every truncation of a few real
// photos and seeded random byte changes. Each input sits in a buffer of its
// exact size, so the sanitizers report any read past the end; the record's
// invariants are checked after each run.
#include "app/Summary.h"
#include "cli/Json.h"
#include "exif/GpsDecode.h"
#include "tests/support/ExifTestUtil.h"
#include "tests/support/MiniJson.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

using namespace testjpeg;

namespace {

const std::string kCorpus = TAMLIX_CORPUS_DIR;

const TagNameTable& Tags() {
    static const TagNameTable tags = TableFromCsv("0x010F,Make\r\n0x0110,Model\r\n0x8825,GPS\r\n");
    return tags;
}

// Runs the chain on the first `len` bytes; returns the record. Fails the
// test (with `what`) when an invariant is broken or the JSON is not one object.
// The steps after the analysis depend on the record alone, so they are
// skipped when it equals the one in `lastAnalysis` (most truncations change
// nothing), which is then updated.
ExifAnalysis RunChain(const Bytes& file, size_t len, const std::string& what,
                      ExifAnalysis* lastAnalysis = nullptr) {
    Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(len));
    ExifAnalysis a = Analyze(prefix, Tags());
    if (lastAnalysis) {
        if (std::memcmp(&a, lastAnalysis, sizeof a) == 0) return a;
        *lastAnalysis = a;
    }
    EXPECT_EQ(InvariantFailure(a), "") << what;
    FormatGpsTexts(a);
    EXPECT_EQ(InvariantFailure(a), "") << what;
    SummaryTexts s = MakeSummary(a, 1, 1);
    EXPECT_EQ(s.m_strLat, a.m_nGpsState == kGpsData ? a.m_szLat : "") << what;
    testjson::Value v = testjson::Value::Parse(AnalysisToJson("damaged.jpg", a));
    EXPECT_EQ(v.kind(), testjson::Value::Object) << what;
    return a;
}

// One byte past the last byte the analysis of the whole file read: the IFDs,
// the texts and the rationals.
size_t EndOfWhatWasRead(const ExifAnalysis& a) {
    int64_t end = int64_t{a.m_nIfd0Pos} + 2 + 12 * int64_t{a.m_nIfd0Done};
    end = std::max(end, int64_t{a.m_nGpsPos} + 2 + 12 * int64_t{a.m_nGpsDone});
    for (int i = 0; i < a.m_nIfd0Done; ++i) {
        const IfdEntry& e = a.m_Ifd0[i];
        if (e.m_nTag == 271 || e.m_nTag == 272 || e.m_nTag == 306)
            end = std::max(end, int64_t{e.m_nValuePos} + e.m_nCount);
    }
    end = std::max({end, int64_t{a.m_nLatPos} + 24, int64_t{a.m_nLonPos} + 24});
    return static_cast<size_t>(end);
}

}  // namespace

TEST(Robustness, EveryTruncationOfRealPhotos) {
    // II with GPS, MM with GPS (tiny file), MM with Exif at 24, II version-only GPS.
    const char* files[] = {"gps/nikon_p6000_dscn0010.jpg", "gps/apple_iphone_xr_tiny.jpg",
                           "gps/samsung_sm_g930f.jpg", "gps_version_only/canon_40d.jpg"};
    for (const char* name : files) {
        SCOPED_TRACE(name);
        Bytes f = ReadFileBytes(kCorpus + "/" + name);
        ASSERT_GT(f.size(), 200u);
        ExifAnalysis full = RunChain(f, f.size(), "whole file");
        ASSERT_EQ(full.m_nByteOrder != 0, true);
        size_t every = EndOfWhatWasRead(full) + 16;
        size_t stride = std::max<size_t>(f.size() / 16, 1);
        ExifAnalysis last{};
        for (size_t len = 0; len < f.size(); len += len < every ? 1 : stride) {
            std::string what = "length " + std::to_string(len);
            ExifAnalysis a = RunChain(f, len, what, &last);
            // A shorter file never yields more than the whole one, and a text
            // cut at the end is the start of the whole text.
            EXPECT_LE(a.m_nIfd0Done, full.m_nIfd0Done) << what;
            EXPECT_LE(a.m_nGpsDone, full.m_nGpsDone) << what;
            EXPECT_EQ(std::string(full.m_szMaker).rfind(a.m_szMaker, 0), 0u) << what;
            EXPECT_EQ(std::string(full.m_szDateTime).rfind(a.m_szDateTime, 0), 0u) << what;
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(Robustness, SeededRandomByteChanges) {
    Bytes built = ExifBuilder(Order::MM)
                      .Ifd0Text(271, "Maker")
                      .Ifd0Text(272, "Model name")
                      .Ifd0Text(306, "2024:01:02 03:04:05")
                      .Ifd0(0x0112, kShort, 1, 0x00010000)
                      .GpsRef(1, 'N')
                      .GpsRationals(2, {{35, 1}, {3117, 100}, {0, 1}})
                      .GpsRef(3, 'E')
                      .GpsRationals(4, {{139, 1}, {31, 1}, {4523, 100}})
                      .Gps(7, kRational, 3, 0)
                      .Build();
    const Bytes seeds[] = {
        built,
        ReadFileBytes(kCorpus + "/gps/nikon_p6000_dscn0010.jpg"),
        ReadFileBytes(kCorpus + "/gps/apple_iphone_xr_tiny.jpg"),
        ReadFileBytes(kCorpus + "/gps/samsung_sm_g930f.jpg"),
    };
    std::mt19937 rng(20240601u);
    const uint8_t interesting[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0x1E, 0x2A, 'M', 'I'};
    for (int trial = 0; trial < 2000; ++trial) {
        const Bytes& seed = seeds[trial % std::size(seeds)];
        // Only the start matters to the analysis; keep the copies small.
        size_t keep = std::min<size_t>(seed.size(), 2400);
        Bytes f(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(keep));
        size_t reach = std::min<size_t>(f.size(), 1200);
        int changes = 1 + static_cast<int>(rng() % 6);
        for (int c = 0; c < changes; ++c) {
            size_t at = rng() % reach;
            f[at] = rng() % 2 ? interesting[rng() % std::size(interesting)]
                              : static_cast<uint8_t>(rng());
        }
        size_t len = rng() % 8 == 0 ? rng() % (f.size() + 1) : f.size();
        RunChain(f, len, "trial " + std::to_string(trial));
        if (::testing::Test::HasFailure()) return;
    }
}
