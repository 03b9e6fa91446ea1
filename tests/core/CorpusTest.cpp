// Every real photo of the corpus against truth.json, an independent reading
// of each file. The truth lists what is in the file; what a 200-byte scan
// finds in it follows from the offsets: no "Exif" before 200 means no Exif,
// no valid TIFF header before 200 means no byte order, and so on.
#include "app/Summary.h"
#include "cli/Json.h"
#include "exif/ExifReader.h"
#include "tests/support/ExifTestUtil.h"
#include "tests/support/MiniJson.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

using testjson::Value;

namespace {

const std::string kCorpus = TAMLIX_CORPUS_DIR;

const Value& Truth() {
    static const Value truth = [] {
        testjpeg::Bytes b = testjpeg::ReadFileBytes(kCorpus + "/truth.json");
        return Value::Parse(std::string(b.begin(), b.end()));
    }();
    return truth;
}

const TagNameTable& ShippedTags() {
    static const TagNameTable tags = [] {
        TagNameTable t;
        LoadTagNameTable(TAMLIX_RES_DIR "/JpegTIFFTag.csv", t);
        return t;
    }();
    return tags;
}

int64_t IntOr(const Value& v, int64_t fallback) { return v.IsNull() ? fallback : v.AsInt(); }

// The stored text as the record holds it: up to the first NUL (the truth's
// text already is), cut to the field. ASCII throughout the corpus.
std::string Cut(const Value& text, size_t cap) {
    return text.IsNull() ? "" : text.AsString().substr(0, cap - 1);
}

// Entries [index, tag, type, count] of the truth against the processed ones.
void CheckEntries(const char* what, const Value& listed, const IfdEntry* entries, int32_t done,
                  int64_t ifdPos) {
    for (int32_t i = 0; i < done; ++i)
        EXPECT_EQ(entries[i].m_nEntryPos, ifdPos + 2 + 12 * i) << what << " entry " << i;
    for (const Value& e : listed.Items()) {
        int64_t i = e[0].AsInt();
        if (i >= done) continue;
        SCOPED_TRACE(std::string(what) + " entry " + std::to_string(i));
        EXPECT_EQ(entries[i].m_nTag, e[1].AsInt());
        EXPECT_EQ(entries[i].m_nType, e[2].AsInt());
        EXPECT_EQ(static_cast<uint32_t>(entries[i].m_nCount), static_cast<uint64_t>(e[3].AsInt()));
    }
}

// The value of the IFD0 entry with `tag` is used only as ASCII of count > 4.
std::string ExpectedText(const Value& t, int tag, const char* key, size_t cap, int32_t done) {
    std::string text;
    for (const Value& e : t["ifd0_entries"].Items())
        if (e[1].AsInt() == tag && e[0].AsInt() < done && e[2].AsInt() == 2 && e[3].AsInt() > 4)
            text = Cut(t[key], cap);
    return text;
}

struct Coord {
    const char *ref, *refPos, *values, *pos;
    char letter;
    int32_t refAt, at;
    int32_t flag[3], num[3], den[3];
};

void CheckCoord(const Value& t, const char* name, const Coord& c) {
    SCOPED_TRACE(name);
    const Value& ref = t[c.ref];
    EXPECT_EQ(static_cast<uint8_t>(c.letter),
              ref.IsNull() || ref.AsString().empty() ? 0 : static_cast<uint8_t>(ref.AsString()[0]));
    EXPECT_EQ(c.refAt, IntOr(t[c.refPos], 0));
    const Value& values = t[c.values];
    EXPECT_EQ(c.at, IntOr(t[c.pos], 0));
    for (size_t k = 0; k < 3; ++k) {
        bool present = !values.IsNull() && k < values.Size();
        EXPECT_EQ(c.flag[k], present ? 1 : 0) << "rational " << k;
        if (!present) continue;
        EXPECT_EQ(static_cast<uint32_t>(c.num[k]), static_cast<uint64_t>(values[k][0].AsInt()));
        EXPECT_EQ(static_cast<uint32_t>(c.den[k]), static_cast<uint64_t>(values[k][1].AsInt()));
    }
}

void CheckFile(const Value& t) {
    const std::string name = t["file"].AsString();
    SCOPED_TRACE(name);
    ExifAnalysis a{};
    FileContent content;
    const ReadResult result =
        ReadCurrentFile((kCorpus + "/" + name).c_str(), a, content, ShippedTags());
    ASSERT_EQ(a.m_bLoaded, 1);
    ASSERT_EQ(content.m_nFileLen, t["file_size"].AsInt());
    EXPECT_EQ(testjpeg::InvariantFailure(a), "");

    int64_t first = IntOr(t["exif_bytes_first_offset"], -1);
    bool exif = first >= 0 && first < kExifScanLimit;
    EXPECT_EQ(a.m_bExif, exif ? 1 : 0);
    if (!exif) {
        ExifAnalysis onlyLoaded{};
        onlyLoaded.m_bLoaded = 1;
        EXPECT_EQ(std::memcmp(&a, &onlyLoaded, sizeof a), 0);
        EXPECT_EQ(result, ReadResult::NoExif);
        return;
    }
    int64_t tiff = IntOr(t["tiff_pos"], -1);
    bool header = tiff >= 0 && tiff + 8 <= kExifScanLimit + 7 && tiff < kExifScanLimit &&
                  t["tiff_magic_ok"].AsBool();
    if (!header) {
        EXPECT_EQ(result, ReadResult::NoTiffHeader);
        EXPECT_EQ(a.m_nByteOrder, 0);
        EXPECT_EQ(a.m_nTiffPos, 0);
        EXPECT_EQ(a.m_nIfd0Done, 0);
        return;
    }
    EXPECT_EQ(result, ReadResult::Analysed);
    EXPECT_EQ(a.m_nByteOrder, t["byte_order"].AsString() == "MM" ? 1 : 2);
    EXPECT_EQ(a.m_nTiffPos, tiff);
    EXPECT_EQ(a.m_nIfd0Offset, t["ifd0_offset"].AsInt());
    EXPECT_EQ(a.m_nIfd0Pos, t["ifd0_pos"].AsInt());
    int64_t count = t["ifd0_count"].AsInt();
    EXPECT_EQ(a.m_nIfd0Count, count);
    int32_t done = count <= 30 ? static_cast<int32_t>(count) : 20;
    ASSERT_EQ(a.m_nIfd0Done, done);
    CheckEntries("ifd0", t["ifd0_entries"], a.m_Ifd0, done, t["ifd0_pos"].AsInt());
    for (int32_t i = 0; i < done; ++i) {
        if (a.m_Ifd0[i].m_nTag == 271) {
            EXPECT_STREQ(a.m_Ifd0[i].m_szName, "Make");
        } else if (a.m_Ifd0[i].m_nTag == kGpsIfdTag) {
            EXPECT_STREQ(a.m_Ifd0[i].m_szName, "GPSInfoIFDPointer");
        }
    }

    EXPECT_EQ(a.m_szMaker, ExpectedText(t, 271, "make", sizeof a.m_szMaker, done));
    EXPECT_EQ(a.m_szModel, ExpectedText(t, 272, "model", sizeof a.m_szModel, done));
    EXPECT_EQ(a.m_szDateTime, ExpectedText(t, 306, "modify_date", sizeof a.m_szDateTime, done));

    if (!t["gps_pointer"].AsBool()) {
        EXPECT_EQ(a.m_nGpsState, kGpsNone);
        EXPECT_EQ(a.m_nGpsPos, 0);
        return;
    }
    int64_t gpsCount = IntOr(t["gps_count"], 0);
    bool empty = IntOr(t["gps_pointer_count"], 0) == 0 || gpsCount == 0;
    EXPECT_EQ(a.m_nGpsState, empty ? kGpsEmpty : kGpsData);
    EXPECT_EQ(a.m_nGpsPos, t["gps_ifd_pos"].AsInt());
    EXPECT_EQ(a.m_nGpsCount, gpsCount);
    int32_t gpsDone = static_cast<int32_t>(std::min<int64_t>(gpsCount, 30));
    ASSERT_EQ(a.m_nGpsDone, gpsDone);
    CheckEntries("gps", t["gps_entries"], a.m_Gps, gpsDone, t["gps_ifd_pos"].AsInt());
    CheckCoord(t, "latitude",
               {"gps_lat_ref", "gps_lat_ref_pos", "gps_lat", "gps_lat_pos", a.m_cLatRef,
                a.m_nLatRefPos, a.m_nLatPos,
                {a.m_bLatDeg, a.m_bLatMin, a.m_bLatSec},
                {a.m_nLatDegNum, a.m_nLatMinNum, a.m_nLatSecNum},
                {a.m_nLatDegDen, a.m_nLatMinDen, a.m_nLatSecDen}});
    CheckCoord(t, "longitude",
               {"gps_lon_ref", "gps_lon_ref_pos", "gps_lon", "gps_lon_pos", a.m_cLonRef,
                a.m_nLonRefPos, a.m_nLonPos,
                {a.m_bLonDeg, a.m_bLonMin, a.m_bLonSec},
                {a.m_nLonDegNum, a.m_nLonMinNum, a.m_nLonSecNum},
                {a.m_nLonDegDen, a.m_nLonMinDen, a.m_nLonSecDen}});
}

}  // namespace

TEST(Corpus, TruthCoversEveryPhotoOfTheCorpus) {
    ASSERT_EQ(Truth().kind(), Value::Object);
    std::set<std::string> listed, onDisk;
    for (const Value& t : Truth()["files"].Items()) listed.insert(t["file"].AsString());
    for (const auto& e : std::filesystem::recursive_directory_iterator(kCorpus))
        if (e.path().extension() == ".jpg")
            onDisk.insert(std::filesystem::relative(e.path(), kCorpus).generic_string());
    EXPECT_EQ(listed, onDisk);
    EXPECT_EQ(listed.size(), 70u);
}

TEST(Corpus, EveryPhotoReadsAsTheTruthSays) {
    for (const Value& t : Truth()["files"].Items()) {
        // ExifTool did not take this block as Exif; its own test follows.
        if (t["tiff_pos"].IsNull() && !t["exif_bytes_first_offset"].IsNull()) continue;
        CheckFile(t);
    }
}

TEST(Corpus, ExifAndHeaderAfterAStrayMarkerAreStillFoundByTheScan) {
    // FF D8 FE DC ...; at 24 "Exif" 00 00, at 30 "MM" 00 2A 00 00 00 08, and
    // at 38 a 0th IFD of 0 entries. The scan does not look at markers.
    ExifAnalysis a{};
    FileContent content;
    std::string path = kCorpus + "/malformed/no_app0_marker_exif_at_24.jpg";
    EXPECT_EQ(ReadCurrentFile(path.c_str(), a, content, ShippedTags()), ReadResult::Analysed);
    EXPECT_EQ(a.m_bExif, 1);
    EXPECT_EQ(a.m_nByteOrder, 1);
    EXPECT_EQ(a.m_nTiffPos, 30);
    EXPECT_EQ(a.m_nIfd0Pos, 38);
    EXPECT_EQ(a.m_nIfd0Count, 0);
    EXPECT_EQ(a.m_nIfd0Done, 0);
}

TEST(Corpus, CoordinateTextsOfChosenPhotos) {
    // Worked out by hand from the rationals in the truth file.
    struct Case { const char *file, *lat, *lon; };
    const Case cases[] = {
        // N 51/1 45/1 4467/100, W 0/1 19/1 441/100
        {"gps/apple_iphone6_W_0deg.jpg", "北緯  51度 45分 44.67秒", "西経   0度 19分  4.41秒"},
        // N 48/1 5332358/100000 0/0, E 21/1 259507/100000 0/0
        {"gps/nikon_d5000_sec_den0.jpg", "北緯  48度 53.32分", "東経  21度  2.60分"},
        // no letters, every rational 0/0
        {"gps/leica_t_zero_denominators.jpg", "   0度  0分  0.00秒", "   0度  0分  0.00秒"},
        // N 50 57.0 (x/2^24), W 118 6.0 (minutes x/2^27)
        {"gps/olympus_fe230_den_2pow24.jpg", "北緯  50度 57.00分", "西経 118度  6.00分"},
        // N 43/1 51/1 3409/100, E 15/1 30/1 591/50
        {"gps/apple_iphone_xr_tiny.jpg", "北緯  43度 51分 34.09秒", "東経  15度 30分 11.82秒"},
        // S 0/1 22278/1000 0/1
        {"gps/kodak_cx7530_S_decmin.jpg", "南緯   0度 22.28分", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ExifAnalysis a{};
        FileContent content;
        ReadCurrentFile((kCorpus + "/" + c.file).c_str(), a, content, ShippedTags());
        EXPECT_STREQ(a.m_szLat, c.lat);
        if (c.lon) {
            EXPECT_STREQ(a.m_szLon, c.lon);
        }
        SummaryTexts s = MakeSummary(a, 1, 1);
        EXPECT_EQ(s.m_strLat, c.lat);
    }
}

TEST(Corpus, JsonOfEveryPhotoIsOneValidObject) {
    for (const Value& t : Truth()["files"].Items()) {
        SCOPED_TRACE(t["file"].AsString());
        ExifAnalysis a{};
        FileContent content;
        ReadCurrentFile((kCorpus + "/" + t["file"].AsString()).c_str(), a, content, ShippedTags());
        std::string json = AnalysisToJson(t["file"].AsString(), a);
        EXPECT_EQ(json.find('\n'), std::string::npos);
        Value v = Value::Parse(json);
        ASSERT_EQ(v.kind(), Value::Object);
        EXPECT_EQ(v["path"].AsString(), t["file"].AsString());
        EXPECT_EQ(v["gps_state"].AsInt(), a.m_nGpsState);
        EXPECT_EQ(v["ifd0"]["entries"].Size(), static_cast<size_t>(a.m_nIfd0Done));
        EXPECT_EQ(v["maker"].AsString(), a.m_szMaker);
    }
}
