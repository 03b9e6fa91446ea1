#include "locate/payload/TiffScan.h"

#include <algorithm>

namespace {

constexpr uint16_t kTagExifIfd = 34665, kTagGpsIfd = 34853, kTagInteropIfd = 40965;
constexpr uint16_t kTagThumbOffset = 513, kTagThumbLength = 514;
constexpr uint16_t kTagMakerNote = 37500;
constexpr uint16_t kTagStripOffsets = 273, kTagStripCounts = 279, kTagSubIfds = 330;
constexpr size_t kMaxIfds = 64;  // IFDs walked with the raw files' options
constexpr int64_t kEntry = 12;

bool Overlap(const ByteRange& a, const ByteRange& b) {
    return a.pos < b.pos + b.len && b.pos < a.pos + a.len;
}

struct Entry {
    uint16_t tag = 0, type = 0;
    uint32_t count = 0, value = 0;
    int64_t size = 0;  // count x unit size
};

// The walk of one segment: offsets are TIFF-relative and bounded by the
// block. Each read asks the file for its own bytes only: a whole TIFF or
// raw file is its own block, and its image data is never brought.
class Walker {
public:
    Walker(const ByteReader& file, int64_t tiff, int64_t blockEnd, bool bigEndian)
        : m_r(file.WithOrder(bigEndian ? ByteReader::kBigEndian : ByteReader::kLittleEndian)),
          m_tiff(tiff),
          m_len(tiff >= 0 && blockEnd >= tiff && blockEnd <= file.Length() ? blockEnd - tiff : 0) {}

    bool Inside(int64_t off, int64_t n) const {
        return off >= 0 && n >= 0 && n <= m_len && off <= m_len - n && m_r.Has(m_tiff + off, n);
    }

    // Reads the entries of the IFD at `off` that lie wholly inside.
    std::vector<Entry> Entries(uint32_t off, uint16_t& declared) const {
        std::vector<Entry> out;
        declared = 0;
        if (!U16(off, declared)) return out;
        for (int64_t i = 0; i < declared; ++i) {
            const int64_t e = int64_t{off} + 2 + kEntry * i;
            Entry x;
            if (!U16(e, x.tag) || !U16(e + 2, x.type) || !U32(e + 4, x.count) || !U32(e + 8, x.value))
                break;
            x.size = int64_t{x.count} * TiffUnitSize(x.type);
            out.push_back(x);
        }
        return out;
    }

    uint32_t NextIfd(uint32_t off, uint16_t declared) const {
        uint32_t next = 0;
        U32(int64_t{off} + 2 + kEntry * declared, next);
        return next;
    }

    // The file range of `n` bytes at TIFF offset `off`, cut to the block.
    bool Range(int64_t off, int64_t n, ByteRange& out) const {
        const int64_t from = std::min(off, m_len);
        const int64_t to = std::min(off + n, m_len);
        if (to <= from) return false;
        out = {m_tiff + from, to - from};
        return true;
    }

    // The bytes of a value that lies outside its entry.
    bool ValueRange(const Entry& e, ByteRange& out) const {
        return e.size > 4 && Range(e.value, e.size, out);
    }

    uint32_t U32(int64_t off) const {
        uint32_t v = 0;
        U32(off, v);
        return v;
    }

private:
    bool U16(int64_t off, uint16_t& out) const { return Inside(off, 2) && m_r.U16(m_tiff + off, out); }
    bool U32(int64_t off, uint32_t& out) const { return Inside(off, 4) && m_r.U32(m_tiff + off, out); }

    ByteReader m_r;
    int64_t m_tiff;
    int64_t m_len;  // the block's length; 0 when it does not lie in the file
};

}  // namespace

int64_t TiffUnitSize(uint16_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;  // not a TIFF type: holds no value
    }
}

bool ScanTiff(const ByteReader& file, int64_t tiff, int64_t blockEnd, TiffScan& out,
              const TiffOptions& opt) {
    out = TiffScan{};
    if (blockEnd - tiff < 8) return false;
    uint8_t b0 = 0, b1 = 0;
    uint16_t magic = 0;
    file.U8(tiff, b0);
    file.U8(tiff + 1, b1);
    const bool ii = b0 == 'I' && b1 == 'I', mm = b0 == 'M' && b1 == 'M';
    if ((!ii && !mm) || !file.WithOrder(mm ? ByteReader::kBigEndian : ByteReader::kLittleEndian).U16(tiff + 2, magic))
        return false;
    if (magic != 42 && std::find(opt.magic.begin(), opt.magic.end(), magic) == opt.magic.end()) return false;
    out.tiff = tiff;
    out.blockEnd = blockEnd;
    out.bigEndian = mm;
    const Walker w(file, tiff, blockEnd, mm);
    out.keep.push_back({tiff, 8});

    // The 0th IFD first; the IFDs it leads to are kept unless a GPS pointer
    // names the same table (then that table is the GPS IFD).
    std::vector<uint32_t> gpsOffsets;
    struct Pending { uint32_t off; bool first; };
    std::vector<Pending> others;
    std::vector<uint32_t> seen, exifIfds;
    bool inChain = false;  // the IFD being walked is one of the chain after the 0th
    auto walkKept = [&](uint32_t off, bool collect) {
        if (std::find(seen.begin(), seen.end(), off) != seen.end()) return;  // loops refused
        seen.push_back(off);
        uint16_t declared = 0;
        const std::vector<Entry> entries = w.Entries(off, declared);
        ByteRange r;
        if (w.Range(off, 2 + kEntry * declared + 4, r)) out.keep.push_back(r);
        uint32_t thumb = 0, thumbLen = 0;
        const bool exif = std::find(exifIfds.begin(), exifIfds.end(), off) != exifIfds.end();
        for (const Entry& e : entries) {
            if (w.ValueRange(e, r)) {
                out.keep.push_back(r);
                if (exif && e.tag == kTagMakerNote) out.makerNotes.push_back(r);
            }
            if (e.tag == kTagThumbOffset) thumb = e.value;
            if (e.tag == kTagThumbLength) thumbLen = e.value;
            if (e.tag == kTagStripOffsets && e.count == 1) thumb = e.value;
            if (e.tag == kTagStripCounts && e.count == 1) thumbLen = e.value;
            if (!collect) continue;
            if (e.tag == kTagGpsIfd) gpsOffsets.push_back(e.value);
            if (e.tag == kTagExifIfd || e.tag == kTagInteropIfd) others.push_back({e.value, false});
            if (e.tag == kTagExifIfd) exifIfds.push_back(e.value);
            if (opt.allIfds && e.tag == kTagSubIfds) {
                if (e.count == 1) others.push_back({e.value, false});
                for (uint32_t k = 0; e.count > 1 && k < e.count && k < kMaxIfds; ++k)
                    others.push_back({w.U32(int64_t{e.value} + 4 * k), false});
            }
        }
        if (thumbLen > 0 && w.Range(thumb, thumbLen, r)) out.keep.push_back(r);
        if (collect && (off == w.U32(4) || (opt.allIfds && inChain)))
            others.push_back({w.NextIfd(off, declared), true});
    };
    const uint32_t ifd0 = w.U32(4);
    if (opt.ifd0IsGps)
        gpsOffsets.push_back(ifd0);
    else
        walkKept(ifd0, true);
    // The 1st IFD may point to a GPS IFD as well; the Exif IFD to the
    // interoperability IFD.
    for (size_t i = 0; i < others.size(); ++i) {
        const Pending p = others[i];
        if (p.off == 0 || std::find(gpsOffsets.begin(), gpsOffsets.end(), p.off) != gpsOffsets.end())
            continue;
        inChain = p.first;
        walkKept(p.off, true);
        // A JPEG's chain longer than 0th, 1st, Exif, interop is not followed.
        if (others.size() > (opt.allIfds ? kMaxIfds : 8)) break;
    }

    for (uint32_t off : gpsOffsets) {
        if (std::find_if(out.gps.begin(), out.gps.end(), [&](const GpsIfdScan& g) {
                return g.pos == tiff + int64_t{off};
            }) != out.gps.end())
            continue;
        GpsIfdScan g;
        g.pos = tiff + int64_t{off};
        if (!w.Inside(off, 2)) {
            g.outsideSegment = true;
            out.gps.push_back(g);
            continue;
        }
        uint16_t declared = 0;
        const std::vector<Entry> entries = w.Entries(off, declared);
        g.declared = declared;
        g.inside = static_cast<int32_t>(entries.size());
        ByteRange table{g.pos, 2 + kEntry * g.inside};
        for (const ByteRange& k : out.keep)
            if (Overlap(table, k)) g.overlaps = true;
        for (const Entry& e : entries) {
            if (TiffUnitSize(e.type) == 0) continue;
            ++g.positions;
            ByteRange r;
            if (w.ValueRange(e, r)) g.values.push_back(r);
        }
        out.gps.push_back(g);
    }
    return true;
}

void PlanGpsStrip(const TiffScan& t, const GpsIfdScan& g, const GpsStripMode& mode,
                  std::vector<ByteRange>& out) {
    if (g.outsideSegment || g.overlaps) return;
    if (mode.countAndTags) out.push_back({g.pos, 2});
    for (int64_t i = 0; i < g.inside; ++i) {
        const int64_t e = g.pos + 2 + kEntry * i;
        if (mode.countAndTags && mode.fields) out.push_back({e, kEntry});
        else if (mode.countAndTags) out.push_back({e, 2});
        else if (mode.fields) out.push_back({e + 2, kEntry - 2});
    }
    if (!mode.values) return;
    // Each value minus the bytes the other IFDs use.
    for (const ByteRange& v : g.values) {
        std::vector<ByteRange> parts{v};
        for (const ByteRange& k : t.keep) {
            std::vector<ByteRange> next;
            for (const ByteRange& p : parts) {
                if (!Overlap(p, k)) {
                    next.push_back(p);
                    continue;
                }
                if (p.pos < k.pos) next.push_back({p.pos, k.pos - p.pos});
                const int64_t kEnd = k.pos + k.len, pEnd = p.pos + p.len;
                if (pEnd > kEnd) next.push_back({kEnd, pEnd - kEnd});
            }
            parts.swap(next);
        }
        out.insert(out.end(), parts.begin(), parts.end());
    }
}
