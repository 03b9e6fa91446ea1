#include "locate/payload/FlirGps.h"

#include <algorithm>

namespace {

constexpr int64_t kFffHeaderLen = 0x40;
constexpr int64_t kEntryLen = 0x20;
constexpr uint16_t kGpsRecord = 0x2B;
constexpr int64_t kChecksumAt = 0x1C;     // in a directory entry

}  // namespace

bool FlirScan::Removable() const {
    return std::all_of(finds.begin(), finds.end(), [](const PositionFind& f) { return f.removable; });
}

FlirScan ScanFff(const ByteReader& file, const ContentMap& fff, bool piecesInOrder) {
    FlirScan s;
    std::vector<uint8_t> data;
    if (!fff.Gather(file, data)) return s;
    const int64_t size = static_cast<int64_t>(data.size());
    ByteReader r(data.data(), size, ByteReader::kBigEndian);
    if (size < kFffHeaderLen || !(r.Matches(0, 'F', 'F', 'F', 0) || r.Matches(0, 'A', 'F', 'F', 0))) return s;
    uint32_t version = 0;
    r.U32(0x14, version);
    if (version < 100 || version >= 200) {
        r = ByteReader(data.data(), size, ByteReader::kLittleEndian);
        r.U32(0x14, version);
        if (version < 100 || version >= 200) return s;
    }
    uint32_t dirOff = 0, count = 0;
    r.U32(0x18, dirOff);
    r.U32(0x1C, count);

    // Only the entries that lie inside the data are read.
    int map = -1;
    for (int64_t i = 0; i < count && r.Has(dirOff + i * kEntryLen, kEntryLen); ++i) {
        const int64_t entry = dirOff + i * kEntryLen;
        uint16_t type = 0;
        uint32_t recOff = 0, recLen = 0, checksum = 0;
        r.U16(entry, type);
        r.U32(entry + 0x0C, recOff);
        r.U32(entry + 0x10, recLen);
        r.U32(entry + kChecksumAt, checksum);
        if (type != kGpsRecord || recLen == 0) continue;
        const int64_t from = std::min<int64_t>(recOff, size);
        const int64_t to = std::min<int64_t>(int64_t{recOff} + recLen, size);
        const bool whole = r.Has(recOff, recLen);
        if (!std::any_of(data.begin() + from, data.begin() + to, [](uint8_t b) { return b != 0; })) continue;

        const std::vector<ByteRange> where = fff.FileRanges(from, to - from);
        const bool removable = piecesInOrder && whole;
        PositionFind f(FindKind::MakerBlock, where.empty() ? 0 : where[0].pos, removable,
                       removable ? FindWhy::None : FindWhy::FlirUnreadable);
        f.len = to - from;
        s.finds.push_back(f);
        if (!f.removable) continue;
        if (map < 0) map = s.plan.AddMap(fff);
        s.plan.fills.push_back({map, from, to - from, 0, {}});
        if (checksum != 0) s.plan.fills.push_back({map, entry + kChecksumAt, 4, 0, {}});
        // The entry's record type too: a zeroed record would still be read
        // as GPS information holding zeros.
        s.plan.fills.push_back({map, entry, 2, 0, {}});
    }
    s.writes = s.plan.Ranges();
    return s;
}

bool StripFlir(uint8_t* buf, int64_t len, const FlirScan& scan) {
    return scan.Removable() && scan.plan.Apply(buf, len);
}
