// AVCHD clips: the MDPM block of an H.264 SEI, whose GPS entries are
// written over in the raw form at their length (an emulation prevention
// byte kept where the new value needs one too), found through the packets
// of a transport stream (188 bytes, or 192 with a time stamp) wherever a
// packet boundary or an adaptation field cuts it; and dashcams' fixes in
// the data streams beside the pictures and the sound.
#include "locate/payload/H264Sei.h"
#include "tests/support/FindTable.h"
#include "tests/support/SegmentBuilder.h"

#include <gtest/gtest.h>

#include <array>

using namespace testjpeg;

namespace {

// The MDPM user data SEI of `entries` (tag, four value bytes each), raw:
// emulation prevention bytes put in, as an encoder writes them.
Bytes SeiNal(const std::vector<std::array<uint8_t, 5>>& entries) {
    Bytes rbsp{5, 0};  // user data, its size below
    const uint8_t uuid[] = {0x17, 0xEE, 0x8C, 0x60, 0xF8, 0x4D, 0x11, 0xD9,
                            0x8C, 0xD6, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66};
    rbsp.insert(rbsp.end(), std::begin(uuid), std::end(uuid));
    for (char ch : std::string("MDPM")) rbsp.push_back(static_cast<uint8_t>(ch));
    rbsp.push_back(static_cast<uint8_t>(entries.size()));
    for (const auto& e : entries) rbsp.insert(rbsp.end(), e.begin(), e.end());
    rbsp[1] = static_cast<uint8_t>(rbsp.size() - 2);
    rbsp.push_back(0x80);
    Bytes nal{0, 0, 0, 1, 0x06};
    int zeros = 0;
    for (uint8_t b : rbsp) {
        if (zeros >= 2 && b <= 3) nal.push_back(3), zeros = 0;
        nal.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
    return nal;
}

// An access unit: a delimiter, the SEI, an IDR slice.
Bytes AccessUnit(const Bytes& sei) {
    return Concat({Bytes{0, 0, 0, 1, 0x09, 0xF0}, sei, Bytes{0, 0, 0, 1, 0x65}, Bytes(300, 0x5A)});
}

const std::vector<std::array<uint8_t, 5>> kFix = {
    {0xB1, 'N', 0, 0, 0},  {0xB2, 0, 35, 0, 1},  {0xB3, 0, 39, 0, 1},   {0xB4, 0x07, 0x08, 0, 100},
    {0xB5, 'E', 0, 0, 0},  {0xB6, 0, 139, 0, 1}, {0xB7, 0, 44, 0, 1},   {0xB8, 0x0A, 0x0B, 0, 100},
    {0xE0, 0x01, 0x02, 0x03, 0x04}};

// Three program tables, then the PES of `au` in packets of `stride` bytes
// on PID 0x1011, the second packet padded by an adaptation field of
// `stuffing` bytes.
Bytes Ts(const Bytes& au, int64_t stride, size_t stuffing) {
    const Bytes pes = Concat({Bytes{0, 0, 1, 0xE0, 0, 0, 0x80, 0x80, 5, 0x21, 0, 1, 0, 1}, au});
    Bytes out;
    const Bytes pat{0x47, 0x40, 0x00, 0x10, 0x00, 0x00, 0xB0, 0x0D};
    auto packet = [&](const Bytes& header, const Bytes& payload) {
        Bytes p = Concat({header, payload});
        p.resize(188, 0xFF);
        if (stride == 192) out.insert(out.end(), {0, 0, 0, 0});
        out.insert(out.end(), p.begin(), p.end());
    };
    for (int k = 0; k < 3; ++k) packet(pat, {});
    size_t at = 0;
    for (int k = 0; at < pes.size(); ++k) {
        Bytes header{0x47, static_cast<uint8_t>(k == 0 ? 0x50 : 0x10), 0x11, 0x10};
        if (k == 1 && stuffing > 0) {
            header[3] = 0x30;
            header.push_back(static_cast<uint8_t>(stuffing - 1));
            if (stuffing > 1) header.push_back(0);
            header.resize(4 + stuffing, 0xFF);
        }
        const size_t n = std::min(pes.size() - at, 188 - header.size());
        packet(header, Bytes(pes.begin() + static_cast<long>(at), pes.begin() + static_cast<long>(at + n)));
        at += n;
    }
    packet(pat, {});
    return out;
}

// A transport stream of 188-byte packets: a PAT naming a PMT (PID 0x100)
// that declares `declared` (PID, stream type), then each unit (PID,
// bytes) in packets, its first marked as a unit's start.
Bytes TsStreams(const std::vector<std::pair<uint16_t, uint8_t>>& declared,
                const std::vector<std::pair<uint16_t, Bytes>>& units) {
    Bytes out;
    auto packets = [&](uint16_t pid, const Bytes& payload) {
        for (size_t at = 0; at < payload.size(); at += 184) {
            Bytes p{0x47, static_cast<uint8_t>((at == 0 ? 0x40 : 0) | pid >> 8), static_cast<uint8_t>(pid), 0x10};
            p.insert(p.end(), payload.begin() + static_cast<long>(at),
                     payload.begin() + static_cast<long>(std::min(payload.size(), at + 184)));
            p.resize(188, 0xFF);
            out.insert(out.end(), p.begin(), p.end());
        }
    };
    packets(0, {0, 0x00, 0xB0, 13, 0, 1, 0xC1, 0, 0, 0, 1, 0xE1, 0x00, 0, 0, 0, 0});
    Bytes pmt{0, 0x02, 0xB0, static_cast<uint8_t>(13 + 5 * declared.size()), 0, 1, 0xC1, 0, 0, 0xE1, 0x01, 0xF0, 0};
    for (const auto& [pid, type] : declared)
        pmt.insert(pmt.end(), {type, static_cast<uint8_t>(0xE0 | pid >> 8), static_cast<uint8_t>(pid), 0xF0, 0});
    pmt.insert(pmt.end(), {0, 0, 0, 0});
    packets(0x100, pmt);
    for (const auto& [pid, bytes] : units) packets(pid, bytes);
    return out;
}

// A PES of private stream 1 holding `data`.
Bytes PrivatePes(const Bytes& data) { return Concat({Bytes{0, 0, 1, 0xBD, 0, 0, 0x80, 0, 0}, data}); }

}  // namespace

// Each GPS value is written as zero in a raw form of its own length; the
// entries after them, and every byte outside the values, stay.
TEST(TransportStream, MdpmValuesAreWrittenOverAtTheirRawLength) {
    const Bytes au = AccessUnit(SeiNal(kFix));
    MdpmScan s;
    ScanAccessUnit(au.data(), static_cast<int64_t>(au.size()), false, s);
    ASSERT_EQ(s.bad, -1);
    ASSERT_EQ(s.writes.size(), 8u);
    Bytes out = au;
    for (const MdpmScan::Write& w : s.writes) std::copy(w.raw.begin(), w.raw.end(), out.begin() + w.off);
    EXPECT_EQ(out.size(), au.size());
    // Read again: no GPS value left, the camera's entry and the slice unchanged.
    MdpmScan again;
    ScanAccessUnit(out.data(), static_cast<int64_t>(out.size()), false, again);
    EXPECT_EQ(again.first, -1);
    EXPECT_EQ(again.bad, -1);
    EXPECT_EQ(At(out, Bytes{0xE0, 0x01, 0x02, 0x03, 0x04}), At(au, Bytes{0xE0, 0x01, 0x02, 0x03, 0x04}));
    EXPECT_TRUE(std::equal(out.end() - 306, out.end(), au.end() - 306));
    // An SEI cut short by the bytes read cannot be taken apart.
    MdpmScan cut;
    ScanAccessUnit(au.data(), At(au, "MDPM") + 30, true, cut);
    EXPECT_GE(cut.bad, 0);
}

TEST(TransportStream, EveryPlaceIsFoundAndStrippedInPlace) {
    const Bytes fix = AccessUnit(SeiNal(kFix));
    const Bytes noGps = AccessUnit(SeiNal({{0xE0, 1, 2, 3, 4}}));
    Bytes lost = Ts(fix, 188, 0);
    lost[188 * 3] = 0x00;  // the first video packet's sync byte
    const Bytes nmea = Text("$GPRMC,120000,A,3539.516,N,13944.724,E,0.0,0.0,010124,,,A*00\r\n");
    Bytes novatek(64, 0);
    novatek[24] = 'A', novatek[25] = 'N', novatek[26] = 'E', novatek[28] = 0x42;
    const Bytes klv = Concat({Bytes{0, 0, 0, 0, 0, 0x06, 0x0E, 0x2B, 0x34, 0x02, 0x0B, 0x01, 0x01}, Bytes(40, 7)});
    const Bytes dashcam = TsStreams({{0x300, 0x06}}, {{0x300, PrivatePes(nmea)}, {0x300, PrivatePes(nmea)}}),
                undeclared = TsStreams({}, {{0x400, novatek}}),
                misb = TsStreams({{0x301, 0x15}}, {{0x301, Concat({Bytes{0, 0, 1, 0xFC, 0, 0, 0x80, 0, 0}, klv})}}),
                inAudio = TsStreams({{0x1100, 0x81}}, {{0x1100, PrivatePes(nmea)}}),
                plainData = TsStreams({{0x300, 0x06}}, {{0x300, PrivatePes(Text("GPS on, 12 satellites"))}}),
                service = TsStreams({}, {{0x11, Concat({Bytes{0, 0x42}, Text("GPS 35.6586 139.7454")})}}),
                // H.264 as the table declares it, its PES's stream id damaged.
                badId = TsStreams({{0x1011, 0x1B}}, {{0x1011, Concat({Bytes{0, 0, 1, 0x3C, 0, 0, 0x80, 0, 0}, fix})}});
    const std::vector<Row> rows = {
        {"a dashcam's NMEA sentences in a private data stream", dashcam,
         {{FindKind::TimedGps, true, FindWhy::None, At(dashcam, "$GPRMC"), "data"}}},
        {"a dashcam's binary fix in a PID no table names", undeclared,
         {{FindKind::TimedGps, true, FindWhy::None, At(undeclared, Bytes(24, 0)), "data"}}},
        {"a drone's MISB KLV metadata", misb, {{FindKind::TimedGps, true, FindWhy::None, -1, "data"}}},
        {"sentences in a sound stream are not read", inAudio, {}},
        {"a data stream that names GPS but holds no position", plainData, {}},
        {"a service name holding a position", service, {{FindKind::Unparsed, false, FindWhy::StreamsUnparsed, -1, "tables"}}},
        {"a clip of 188-byte packets", Ts(fix, 188, 0), {{FindKind::TimedGps, true}}},
        {"an AVCHD clip: time-stamped packets, an adaptation field cutting the SEI", Ts(fix, 192, 150),
         {{FindKind::TimedGps, true}}},
        {"a clip whose SEI holds no GPS entry", Ts(noGps, 192, 20), {}},
        {"a video PES whose stream id is damaged", badId, {{FindKind::TimedGps, true}}},
        {"a clip whose packets lose their sync before the fix", lost,
         {{FindKind::Unparsed, false, FindWhy::PacketsUnparsed}}},
    };
    for (const Row& row : rows) ExpectWalkAndStrip(row);
}
