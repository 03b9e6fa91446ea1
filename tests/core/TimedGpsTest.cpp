// Timed GPS tracks: CAMM, GPMF, rtmd, RVMI and DJI's djmd samples laid out between other bytes,
// what is found, and that the strip gives the same samples built with
// zeros in their GPS values (and is then found clean); damaged samples;
// sample tables and track fragments turned into file ranges.
#include "locate/isobmff/SampleTable.h"
#include "locate/payload/TimedGps.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

using namespace testjpeg;

namespace {

Bytes Fill(size_t n, uint8_t b) { return Bytes(n, b); }

// A CAMM packet: reserved, type (little-endian), value.
Bytes Camm(uint16_t type, const Bytes& value) {
    return Concat({{0, 0, static_cast<uint8_t>(type), static_cast<uint8_t>(type >> 8)}, value});
}

// A GPMF item: key, type, structure size, repeat count, data padded to 4.
Bytes Klv(const char* key, char type, uint8_t size, uint16_t repeat, Bytes data) {
    Bytes b(key, key + 4);
    b.insert(b.end(), {static_cast<uint8_t>(type), size, static_cast<uint8_t>(repeat >> 8), static_cast<uint8_t>(repeat)});
    data.resize((data.size() + 3) & ~size_t{3});
    return Concat({b, data});
}
Bytes Nest(const char* key, const Bytes& items) { return Klv(key, 0, 1, static_cast<uint16_t>(items.size()), items); }
Bytes Strm(const Bytes& items) { return Nest("DEVC", Nest("STRM", items)); }

// An rtmd item: tag, length (big-endian), value; and a sample: its
// header's length (28 bytes), the rest of the header, then the items.
Bytes Rtmd(uint16_t tag, const Bytes& value) {
    const auto n = static_cast<uint16_t>(value.size());
    return Concat({{static_cast<uint8_t>(tag >> 8), static_cast<uint8_t>(tag), static_cast<uint8_t>(n >> 8),
                    static_cast<uint8_t>(n)},
                   value});
}
Bytes RtmdSample(const Bytes& items) { return Concat({{0, 28}, Fill(26, 0x11), items}); }

// GPS bytes, or the zeros a strip leaves in their place.
Bytes Gps(bool zero, size_t n) { return zero ? Fill(n, 0) : Fill(n, 0x41); }

// Protobuf fields (numbers and lengths under 16 and 128): a message or
// string, a double of GPS bytes, a varint.
Bytes PbMsg(int n, const Bytes& v) { return Concat({{static_cast<uint8_t>(n << 3 | 2), static_cast<uint8_t>(v.size())}, v}); }
Bytes PbDouble(int n, bool zero) { return Concat({{static_cast<uint8_t>(n << 3 | 1)}, Gps(zero, 8)}); }
Bytes PbVarint(int n, uint8_t v) { return {static_cast<uint8_t>(n << 3), v}; }
// A djmd sample: the protocol's name at 1.1.1 (when given), then a frame
// whose fix lies at 3.3.4.1 (units, latitude, longitude; altitude beside).
Bytes Djmd(const std::string& protocol, bool zero) {
    const Bytes gps = Concat({PbVarint(1, 0), PbDouble(2, zero), PbDouble(3, zero)});
    const Bytes frame = PbMsg(3, PbMsg(3, PbMsg(4, Concat({PbMsg(1, gps), PbVarint(2, 5)}))));
    if (protocol.empty()) return frame;
    return Concat({PbMsg(1, PbMsg(1, PbMsg(1, Bytes(protocol.begin(), protocol.end())))), frame});
}

// A Parrot record or extension: its id, its length in words, its body.
Bytes Parrot(char kind, char version, const Bytes& body) {
    return Concat({{static_cast<uint8_t>(kind), static_cast<uint8_t>(version), 0,
                    static_cast<uint8_t>(body.size() / 4)}, body});
}

struct Row {
    const char* name;
    TimedFormat fmt;
    std::vector<Bytes> (*samples)(bool zero);
    int finds;
    bool removable;
    int sample;      // where the find is: a sample and an offset in it
    int64_t offset;
    bool outside = false;  // one more sample past the file's end
};

const Row kRows[] = {
    {"CAMM gyro and acceleration", TimedFormat::Camm,
     [](bool) { return std::vector<Bytes>{Camm(2, Fill(12, 1)), Camm(3, Fill(12, 2))}; }, 0, false, 0, 0},
    {"CAMM type 5 and 6 among gyro", TimedFormat::Camm,
     [](bool z) { return std::vector<Bytes>{Camm(2, Fill(12, 1)), Camm(6, Gps(z, 56)), Camm(5, Gps(z, 24))}; },
     1, true, 1, 4},
    {"CAMM gyro then type 5 in one sample", TimedFormat::Camm,
     [](bool z) { return std::vector<Bytes>{Concat({Camm(2, Fill(12, 1)), Camm(5, Gps(z, 24))})}; }, 1, true, 0, 20},
    {"CAMM type 6 cut short", TimedFormat::Camm,
     [](bool) { return std::vector<Bytes>{Camm(5, Fill(24, 3)), Camm(6, Fill(40, 3))}; }, 1, false, 1, 0},
    {"CAMM type 6 cut short, zeros", TimedFormat::Camm,
     [](bool) { return std::vector<Bytes>{Camm(6, Fill(40, 0))}; }, 0, false, 0, 0},
    {"CAMM sample past the file", TimedFormat::Camm,
     [](bool) { return std::vector<Bytes>{Camm(2, Fill(12, 1))}; }, 1, false, 1, 0, true},
    {"GPMF accelerometer only", TimedFormat::Gpmf,
     [](bool) { return std::vector<Bytes>{Strm(Klv("ACCL", 's', 6, 2, Fill(12, 5)))}; }, 0, false, 0, 0},
    {"GPMF GPS stream", TimedFormat::Gpmf,
     [](bool z) {
         return std::vector<Bytes>{Strm(Concat({Klv("GPSF", 'L', 4, 1, Be32(3)), Klv("GPSU", 'U', 16, 1, Gps(z, 16)),
                                                Klv("GPSP", 'S', 2, 1, Gps(z, 2)), Klv("GPS5", 'l', 20, 2, Gps(z, 40))}))};
     },
     1, true, 0, 16 + 12 + 24 + 12 + 8},
    {"GPMF GPS9 in a later sample after padding", TimedFormat::Gpmf,
     [](bool z) {
         return std::vector<Bytes>{Strm(Klv("GYRO", 's', 6, 1, Fill(6, 7))),
                                   Concat({Fill(8, 0), Strm(Klv("GPS9", '?', 48, 1, Gps(z, 48)))})};
     },
     1, true, 1, 8 + 16 + 8},
    {"GPMF GPS5 runs past its stream", TimedFormat::Gpmf,
     [](bool) {
         Bytes s = Strm(Klv("GPS5", 'l', 20, 1, Fill(20, 9)));
         s[23] = 2;  // GPS5's repeat count: 40 bytes in 20
         return std::vector<Bytes>{s};
     },
     1, false, 0, 16},
    {"GPMF GPS5 repeat count huge", TimedFormat::Gpmf,
     [](bool) {
         Bytes s = Klv("GPS5", 'l', 20, 1, Fill(20, 9));
         s[6] = s[7] = 0xFF;
         return std::vector<Bytes>{Klv("GPSU", 'U', 16, 1, Fill(16, 1)), s};
     },
     1, false, 1, 0},
    {"GPMF damaged stream naming no GPS key", TimedFormat::Gpmf,
     [](bool) { return std::vector<Bytes>{Concat({Strm(Klv("ACCL", 's', 6, 2, Fill(12, 5))), Fill(3, 1)})}; }, 0,
     false, 0, 0},
    {"GPMF stream past its sample, naming GPS5", TimedFormat::Gpmf,
     [](bool) {
         Bytes s = Strm(Klv("GPS5", 'l', 20, 1, Fill(20, 9)));
         s[7] += 4;  // DEVC's repeat count
         return std::vector<Bytes>{s};
     },
     1, false, 0, 0},
    {"GPMF nested too deep", TimedFormat::Gpmf,
     [](bool) {
         Bytes s = Klv("GPS5", 'l', 20, 1, Fill(20, 9));
         for (int i = 0; i < 12; ++i) s = Nest("STRM", s);
         return std::vector<Bytes>{s};
     },
     1, false, 0, 64},
    {"rtmd: a key, then a set holding exposure and GPS items", TimedFormat::Rtmd,
     [](bool z) {
         const Bytes key = Concat({{0x06, 0x0E}, Fill(14, 0x2B)});
         const Bytes gps = Concat({Rtmd(0x8000, Fill(4, 7)), Rtmd(0x8501, Gps(z, 2)), Rtmd(0x8502, Gps(z, 24)),
                                   Rtmd(0x8504, Gps(z, 24))});
         return std::vector<Bytes>{RtmdSample(Rtmd(0x8000, Fill(4, 7))),
                                   RtmdSample(Concat({key, {0x83, 0x00, 0, static_cast<uint8_t>(gps.size())}, gps}))};
     },
     1, true, 1, 28 + 16 + 4 + 8 + 4 + 2 + 4},
    {"rtmd without GPS items", TimedFormat::Rtmd,
     [](bool) { return std::vector<Bytes>{RtmdSample(Concat({Rtmd(0x8000, Fill(4, 7)), Rtmd(0x8106, Fill(8, 1))}))}; },
     0, false, 0, 0},
    {"rtmd GPS item running past its sample", TimedFormat::Rtmd,
     [](bool) {
         Bytes s = RtmdSample(Rtmd(0x8502, Fill(24, 9)));
         s.resize(s.size() - 8);
         return std::vector<Bytes>{s};
     },
     1, false, 0, 28 + 4},
    {"RVMI: a G-sensor record, then a fix", TimedFormat::Rvmi,
     [](bool z) { return std::vector<Bytes>{Concat({{'s', 'R', 'e', 'V'}, Fill(8, 3)}), Concat({{'g', 'R', 'e', 'V'}, Gps(z, 16)})}; },
     1, true, 1, 4},
    {"DJI djmd: the protocol, then frames with a fix", TimedFormat::Djmd,
     [](bool z) { return std::vector<Bytes>{Djmd("dvtm_Mini4_Pro.proto", z), Djmd("", z)}; }, 1, true, 0, 26 + 11},
    {"DJI djmd of Osmo Pocket 3, which keeps no fix", TimedFormat::Djmd,
     [](bool) { return std::vector<Bytes>{Djmd("dvtm_PP-101.proto", false)}; }, 0, false, 0, 0},
    {"DJI djmd of a protocol not known", TimedFormat::Djmd,
     [](bool) { return std::vector<Bytes>{Djmd("dvtm_X9.proto", false)}; }, 1, false, 0, 6},
    {"DJI djmd frames before any protocol", TimedFormat::Djmd,
     [](bool) { return std::vector<Bytes>{Djmd("", false)}; }, 1, false, 0, 0},
    // Dashcams that write gpmd samples of their own form: zeroed whole when known.
    {"gpmd of a Kingslim dashcam", TimedFormat::Gpmf,
     [](bool z) {
         const Bytes fix = Concat({Fill(21, 0x41), Fill(3, 0), Bytes{'A', 'N', 'E'}, Fill(13, 0x42)});
         return std::vector<Bytes>{z ? Fill(40, 0) : fix};
     },
     1, true, 0, 0},
    {"gpmd of a Vantrue dashcam", TimedFormat::Gpmf,
     [](bool z) {
         return std::vector<Bytes>{z ? Fill(32, 0) : Concat({Bytes{'F', 'M', 'A', 'S'}, Fill(4, 0), Fill(24, 0x41)})};
     },
     1, true, 0, 0},
    {"gpmd of a form not known", TimedFormat::Gpmf, [](bool) { return std::vector<Bytes>{Fill(4, 0), Fill(16, 1)}; },
     1, false, 1, 0},
    // Parrot's base records count their extensions in their length.
    {"Parrot v3 with its timestamp and automation extensions", TimedFormat::Parrot,
     [](bool z) {
         const Bytes ext = Concat({Parrot('E', '1', Fill(8, 3)), Parrot('E', '3', Concat({Gps(z, 24), Fill(4, 4)}))});
         return std::vector<Bytes>{Parrot('P', '3', Concat({Fill(4, 1), Gps(z, 12), Fill(52, 2), ext}))};
     },
     1, true, 0, 8},
    {"Parrot v2 with a follow-me target", TimedFormat::Parrot,
     [](bool z) {
         const Bytes target = Parrot('E', '2', Concat({Gps(z, 12), Fill(12, 5)}));
         return std::vector<Bytes>{Parrot('P', '2', Concat({Fill(4, 1), Fill(12, 0), Fill(36, 2), target}))};
     },
     1, true, 0, 60},
    {"Parrot v1 as recorded (no id), then the basic record", TimedFormat::Parrot,
     [](bool z) {
         return std::vector<Bytes>{Concat({Fill(32, 1), Gps(z, 12), Fill(16, 2)}), Parrot('P', '1', Fill(24, 1))};
     },
     1, true, 0, 32},
    {"Parrot of a later version", TimedFormat::Parrot,
     [](bool) { return std::vector<Bytes>{Parrot('P', '4', Fill(8, 1))}; }, 1, false, 0, 0},
    {"Parrot extension running past its record", TimedFormat::Parrot,
     [](bool) {
         Bytes s = Parrot('P', '3', Concat({Fill(68, 2), Parrot('E', '3', Fill(28, 7))}));
         s[3] -= 2;
         return std::vector<Bytes>{s};
     },
     1, false, 0, 72},
    {"GPMF GPS5 of zeros", TimedFormat::Gpmf,
     [](bool) { return std::vector<Bytes>{Strm(Klv("GPS5", 'l', 20, 1, Fill(20, 0)))}; }, 0, false, 0, 0},
};

// The samples, each after a few bytes of something else.
Bytes Lay(const std::vector<Bytes>& samples, std::vector<ByteRange>& ranges) {
    Bytes file = Fill(7, 0xEE);
    for (const Bytes& s : samples) {
        file.insert(file.end(), 5, 0xEE);
        ranges.push_back({static_cast<int64_t>(file.size()), static_cast<int64_t>(s.size())});
        file.insert(file.end(), s.begin(), s.end());
    }
    return file;
}

TimedGpsScan Scan(const Bytes& file, TimedFormat fmt, const std::vector<ByteRange>& ranges) {
    return ScanTimedGps(ByteReader(file.data(), static_cast<int64_t>(file.size())), fmt, ranges);
}

TEST(TimedGps, FindsAndStrips) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        std::vector<ByteRange> ranges, cleanRanges;
        Bytes file = Lay(row.samples(false), ranges);
        const Bytes clean = Lay(row.samples(true), cleanRanges);
        if (row.outside) ranges.push_back({static_cast<int64_t>(file.size()) - 2, 10});
        const TimedGpsScan s = Scan(file, row.fmt, ranges);
        ASSERT_EQ(static_cast<int>(s.finds.size()), row.finds);
        if (row.finds == 0) continue;
        const PositionFind& f = s.finds[0];
        EXPECT_EQ(f.kind, FindKind::TimedGps);
        EXPECT_EQ(f.pos, ranges[row.sample].pos + row.offset);
        EXPECT_EQ(f.removable, row.removable);
        if (!row.removable) {
            EXPECT_EQ(f.why, FindWhy::TimedGpsUnreadable);
            EXPECT_TRUE(s.plan.Empty());
            continue;
        }
        ASSERT_TRUE(s.plan.Apply(file.data(), static_cast<int64_t>(file.size())));
        EXPECT_EQ(file, clean);
        EXPECT_TRUE(Scan(file, row.fmt, ranges).finds.empty());
    }
}

// Samples that overlap are not read past the file's length.
TEST(TimedGps, OverlappingSamplesAreUnreadable) {
    std::vector<ByteRange> ranges;
    const Bytes file = Lay({Camm(2, Fill(12, 1))}, ranges);
    ranges.assign(1000, ranges[0]);
    const TimedGpsScan s = Scan(file, TimedFormat::Camm, ranges);
    ASSERT_EQ(s.finds.size(), 1u);
    EXPECT_FALSE(s.finds[0].removable);
}

Bytes BoxOf(const char* type, const Bytes& body) {
    return Concat({Be32(static_cast<uint32_t>(body.size() + 8)), Bytes(type, type + 4), body});
}
Bytes Full(const char* type, const Bytes& body) { return BoxOf(type, Concat({Be32(0), body})); }
Bytes Words(std::initializer_list<uint32_t> words) {
    Bytes b;
    for (uint32_t w : words) b = Concat({b, Be32(w)});
    return b;
}

struct TableRow {
    const char* name;
    Bytes children;                  // of the `stbl` at offset 0 of a 600-byte file, samples from 200
    std::vector<ByteRange> samples;  // empty: TrackSamples answers false
};

TEST(TimedGps, SampleTables) {
    const Bytes stsc3 = Full("stsc", Words({3, 1, 2, 1, 2, 1, 1, 4, 2, 1}));  // chunks of 2, 1, 1, 2 samples
    const Bytes co64 = Full("co64", Words({4, 0, 500, 0, 300, 0, 450, 0, 200}));
    const Bytes sizes6 = Full("stsz", Words({0, 6, 3, 5, 2, 4, 6, 1}));
    const Bytes one = Full("stsc", Words({1, 1, 3, 1}));
    const std::vector<TableRow> rows = {
        {"several runs, co64", Concat({sizes6, stsc3, co64}),
         {{500, 3}, {503, 5}, {300, 2}, {450, 4}, {200, 6}, {206, 1}}},
        {"stz2 of 4 bits", Concat({Full("stz2", Words({4, 3, 0x1F400000})), one, Full("stco", Words({1, 200}))}),
         {{200, 1}, {201, 15}, {216, 4}}},
        {"one size for all", Concat({Full("stsz", Words({8, 3})), one, Full("stco", Words({1, 220}))}),
         {{220, 8}, {228, 8}, {236, 8}}},
        {"a sample past the file", Concat({Full("stsz", Words({8, 3})), one, Full("stco", Words({1, 590}))}), {}},
        {"first run not at chunk 1", Concat({sizes6, Full("stsc", Words({1, 2, 6, 1})), co64}), {}},
        {"chunks hold fewer samples", Concat({sizes6, one, Full("stco", Words({1, 120}))}), {}},
        {"chunks share bytes", Concat({Full("stsz", Words({8, 2})), Full("stsc", Words({1, 1, 1, 1})),
                                       Full("stco", Words({2, 220, 224}))}), {}},
        {"a count no file holds", Concat({Full("stsz", Words({1, 0xFFFFFFFF})), one, Full("stco", Words({1, 0}))}), {}},
        {"table past its box", Concat({Full("stsz", Words({0, 1000, 1})), one, Full("stco", Words({1, 0}))}), {}},
        {"no chunk offsets", Concat({sizes6, stsc3}), {}},
    };
    for (const TableRow& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file = BoxOf("stbl", row.children);
        ASSERT_LE(file.size(), 200u);
        file.resize(600, 0x55);
        const ByteReader r(file.data(), static_cast<int64_t>(file.size()));
        Box stbl;
        ASSERT_TRUE(ReadBox(r, 0, r.Length(), stbl));
        std::vector<ByteRange> got;
        EXPECT_EQ(TrackSamples(r, stbl, 0, got), !row.samples.empty());
        ASSERT_EQ(got.size(), row.samples.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].pos, row.samples[i].pos) << i;
            EXPECT_EQ(got[i].len, row.samples[i].len) << i;
        }
    }
}

// Two fragments: track 2's data right after track 1's (no base given),
// then track 2 counted from its `moof` after track 1's fragment, with
// sizes from trex and tfhd.
TEST(TimedGps, Fragments) {
    const Bytes moov = BoxOf("moov", BoxOf("mvex", Concat({Full("trex", Words({1, 1, 0, 10, 0})),
                                                           Full("trex", Words({2, 1, 0, 4, 0}))})));
    auto box = [](const char* type, uint32_t flags, std::initializer_list<uint32_t> w) {
        return BoxOf(type, Concat({Be32(flags), Words(w)}));
    };
    // At 96: track 1's samples of 3 and 5 bytes at 96 + 164, then track 2's three.
    const Bytes moof1 = BoxOf("moof", Concat({BoxOf("traf", Concat({box("tfhd", 0, {1}), box("trun", 0x201, {2, 164, 3, 5})})),
                                              BoxOf("traf", Concat({box("tfhd", 0, {2}), box("trun", 0, {3})}))}));
    // At 196: track 1's sample at 196 + 300; track 2's from the moof: two
    // samples of 6 bytes at 196 + 180, then a run right after them.
    const Bytes moof2 = BoxOf("moof", Concat({BoxOf("traf", Concat({box("tfhd", 0, {1}), box("trun", 0x201, {1, 300, 7})})),
                                              BoxOf("traf", Concat({box("tfhd", 0x20010, {2, 6}), box("trun", 0x1, {2, 180}),
                                                                    box("trun", 0, {1})}))}));
    Bytes file = Concat({moov, BoxOf("free", Fill(96 - moov.size() - 8, 0)), moof1, moof2});
    ASSERT_EQ(file.size(), 316u);
    file.resize(520, 0x55);
    const ByteReader r(file.data(), static_cast<int64_t>(file.size()));
    std::vector<ByteRange> got;
    ASSERT_TRUE(FragmentSamples(r, {0, r.Length()}, 2, got));
    const std::vector<int64_t> want = {268, 272, 276, 376, 382, 388};
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].pos, want[i]) << i;
    EXPECT_EQ(got[0].len, 4);
    EXPECT_EQ(got[5].len, 6);

    file[196 + 100] = 0x70;  // track 2's data offset in moof 2, far past the file
    const ByteReader bad(file.data(), static_cast<int64_t>(file.size()));
    EXPECT_FALSE(FragmentSamples(bad, {0, bad.Length()}, 2, got));
    EXPECT_TRUE(got.empty());
}

}  // namespace
