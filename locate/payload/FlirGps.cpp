#include "locate/payload/FlirGps.h"

#include "platform/ChangedRuns.h"

#include <algorithm>

namespace {

constexpr int64_t kSegmentHeader = 3;     // 0x01, index, last index
constexpr int64_t kFffHeaderLen = 0x40;
constexpr int64_t kEntryLen = 0x20;
constexpr uint16_t kGpsRecord = 0x2B;
constexpr int64_t kChecksumAt = 0x1C;     // in a directory entry

struct Piece {
    int64_t off;      // in the joined data
    int64_t filePos;
    int64_t len;
};

// Adds the file ranges that hold joined bytes [off, off+len).
void Map(const std::vector<Piece>& pieces, int64_t off, int64_t len, std::vector<ByteRange>& out) {
    for (const Piece& p : pieces) {
        int64_t from = std::max(off, p.off);
        int64_t to = std::min(off + len, p.off + p.len);
        if (from < to) out.push_back({p.filePos + (from - p.off), to - from});
    }
}

}  // namespace

bool FlirScan::Removable() const {
    return std::all_of(finds.begin(), finds.end(), [](const GpsFind& f) { return f.removable; });
}

FlirScan ScanFlir(const ByteReader& file, const std::vector<ByteRange>& flirSegments) {
    FlirScan s;
    std::vector<ByteRange> segs;
    for (const ByteRange& r : flirSegments)
        if (file.Has(r.pos, r.len) && r.len >= kSegmentHeader) segs.push_back(r);
    std::sort(segs.begin(), segs.end(), [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; });

    // The pieces joined in file order; numbered 0..last in that order or not.
    std::vector<uint8_t> data;
    std::vector<Piece> pieces;
    size_t total = 0;
    for (const ByteRange& g : segs) total += static_cast<size_t>(g.len - kSegmentHeader);
    data.reserve(total);
    bool numbered = !segs.empty() && segs.size() <= 256;
    for (size_t i = 0; i < segs.size(); ++i) {
        const uint8_t* p = file.Span(segs[i].pos, segs[i].len);
        numbered = numbered && p[0] == 0x01 && p[1] == i && p[2] == segs.size() - 1;
        int64_t n = segs[i].len - kSegmentHeader;
        pieces.push_back({static_cast<int64_t>(data.size()), segs[i].pos + kSegmentHeader, n});
        data.insert(data.end(), p + kSegmentHeader, p + segs[i].len);
    }

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

        std::vector<ByteRange> where;
        Map(pieces, from, to - from, where);
        GpsFind f;
        f.kind = GpsFind::kFlirGpsRecord;
        f.pos = where.empty() ? 0 : where[0].pos;
        f.len = to - from;
        f.removable = numbered && whole;
        s.finds.push_back(f);
        if (!f.removable) continue;
        s.writes.insert(s.writes.end(), where.begin(), where.end());
        if (checksum != 0) Map(pieces, entry + kChecksumAt, 4, s.writes);
        // The entry's record type too: a zeroed record would still be read
        // as GPS information holding zeros.
        Map(pieces, entry, 2, s.writes);
    }

    s.writes = plat::JoinRanges(std::move(s.writes));
    return s;
}

bool StripFlir(uint8_t* buf, int64_t len, const FlirScan& scan) {
    if (!scan.Removable()) return false;
    if (scan.writes.empty()) return true;
    if (!buf) return false;
    for (const ByteRange& w : scan.writes)
        if (w.pos < 0 || w.len < 0 || w.len > len || w.pos > len - w.len) return false;
    for (const ByteRange& w : scan.writes) std::fill(buf + w.pos, buf + w.pos + w.len, uint8_t{0});
    return true;
}
