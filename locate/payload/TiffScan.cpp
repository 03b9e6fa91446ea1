#include "locate/payload/TiffScan.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <type_traits>

namespace {

constexpr uint16_t kTagExifIfd = 34665, kTagGpsIfd = 34853, kTagInteropIfd = 40965;
constexpr uint16_t kTagThumbOffset = 513, kTagThumbLength = 514;
constexpr uint16_t kTagMakerNote = 37500, kTagIptc = 33723, kTagImageResources = 34377, kTagMake = 271;
constexpr uint16_t kTagStripOffsets = 273, kTagStripCounts = 279, kTagSubIfds = 330;
constexpr uint16_t kMagicBig = 43, kTypeAscii = 2;
constexpr size_t kMaxIfds = 64;  // IFDs walked with the raw files' options
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

bool Overlap(const ByteRange& a, const ByteRange& b) {
    return a.pos < b.pos + b.len && b.pos < a.pos + a.len;
}

// a + b * n for a, b >= 0, or kMax when that does not fit.
int64_t PlusTimes(int64_t a, int64_t b, uint64_t n) {
    if (b > 0 && n > static_cast<uint64_t>((kMax - a) / b)) return kMax;
    return a + b * static_cast<int64_t>(n);
}

template <typename U>
U ByteSwapped(U v) {
    U out = 0;
    for (size_t i = 0; i < sizeof v; ++i, v = static_cast<U>(v >> 8)) out = static_cast<U>(out << 8 | (v & 0xFF));
    return out;
}

// The N-byte number at p, in the structure's byte order.
template <int N>
uint64_t Field(const uint8_t* p, bool bigEndian) {
    using U = std::conditional_t<N == 1, uint8_t, std::conditional_t<N == 2, uint16_t, std::conditional_t<N == 4, uint32_t, uint64_t>>>;
    U v;
    std::memcpy(&v, p, N);
    if constexpr (N > 1)
        if (bigEndian != (std::endian::native == std::endian::big)) v = ByteSwapped(v);
    return v;
}

int64_t Saturated(uint64_t v) { return v > static_cast<uint64_t>(kMax) ? kMax : static_cast<int64_t>(v); }

// The entries of the IFD at `ifd` that lie wholly inside, in order.
std::vector<TiffEntry> Entries(const TiffFields& w, uint64_t ifd, uint64_t& declared) {
    std::vector<TiffEntry> out;
    declared = 0;
    if (!w.Count(ifd, declared)) return out;
    // Room for the entries that can lie inside, not for what a count claims.
    const int64_t at = w.At(ifd) < 0 ? -1 : w.At(ifd) + w.Layout().count;
    const int64_t fit = at >= 0 && at < w.Length() ? (w.Length() - at) / w.Layout().entry : 0;
    out.reserve(static_cast<size_t>(std::min<uint64_t>({declared, TiffFields::kMaxEntries, static_cast<uint64_t>(fit)})));
    for (uint64_t k = 0; k < declared && k < TiffFields::kMaxEntries; ++k) {
        TiffEntry e;
        if (!w.Entry(ifd, k, e)) break;
        out.push_back(e);
    }
    return out;
}

// The file range of `n` bytes at structure offset `off`, cut to the block.
bool Range(const TiffFields& w, uint64_t off, int64_t n, ByteRange& out) {
    const int64_t len = w.Length();
    if (off >= static_cast<uint64_t>(len) || n <= 0) return false;
    const auto from = static_cast<int64_t>(off);
    out = {w.Tiff() + from, n > len - from ? len - from : n};
    return true;
}

// The bytes of a value that lies outside its entry.
bool ValueRange(const TiffFields& w, const TiffEntry& e, ByteRange& out) {
    return !e.InField(w.Layout()) && Range(w, e.value, e.size, out);
}

}  // namespace

int64_t TiffLayout::Table(uint64_t n) const { return PlusTimes(count + offset, entry, n); }

bool TiffFields::U64(int64_t off, uint64_t& v) const {
    uint32_t a = 0, b = 0;
    if (!U32(off, a) || !U32(off + 4, b)) return false;
    v = m_big ? uint64_t{a} << 32 | b : uint64_t{b} << 32 | a;
    return true;
}

bool TiffFields::Offset(int64_t off, uint64_t& v) const {
    if (m_l.Big()) return U64(off, v);
    uint32_t u = 0;
    if (!U32(off, u)) return false;
    v = u;
    return true;
}

int64_t TiffFields::FilePos(uint64_t off) const {
    return off <= static_cast<uint64_t>(kMax - m_tiff) ? m_tiff + static_cast<int64_t>(off) : -1;
}

bool TiffFields::Count(uint64_t ifd, uint64_t& declared) const {
    const int64_t at = At(ifd);
    if (m_l.Big()) return U64(at, declared);
    uint16_t n = 0;
    if (!U16(at, n)) return false;
    declared = n;
    return true;
}

bool TiffFields::Entry(uint64_t ifd, uint64_t k, TiffEntry& e) const {
    const int64_t at = At(ifd);
    if (at < 0 || k >= kMaxEntries) return false;
    const int64_t off = at + m_l.count + m_l.entry * static_cast<int64_t>(k);
    if (!Inside(off, m_l.entry)) return false;
    // The entry is in memory now: its fields are taken from its own bytes.
    const uint8_t* p = m_r.Span(m_tiff + off, m_l.entry);
    if (p == nullptr) return false;
    const int width = static_cast<int>(m_l.offset);  // 4 or 8
    e.tag = static_cast<uint16_t>(Field<2>(p, m_big));
    e.type = static_cast<uint16_t>(Field<2>(p + 2, m_big));
    e.count = width == 8 ? Field<8>(p + 4, m_big) : Field<4>(p + 4, m_big);
    e.at = off;
    const int64_t unit = TiffUnitSize(e.type, m_l.Big());
    e.size = unit == 0 ? 0 : PlusTimes(0, unit, e.count);
    const uint8_t* v = p + 4 + width;
    if (width == 4) e.value = Field<4>(v, m_big);
    else if (!e.InField(m_l) || unit == 8 || unit == 0) e.value = Field<8>(v, m_big);
    // A value in BigTIFF's 8-byte field starts at its first byte.
    else e.value = unit == 1 ? Field<1>(v, m_big) : unit == 2 ? Field<2>(v, m_big) : Field<4>(v, m_big);
    return true;
}

bool TiffFields::Next(uint64_t ifd, uint64_t declared, uint64_t& next) const {
    const int64_t at = At(ifd);
    const int64_t pos = at < 0 ? kMax : PlusTimes(at + m_l.count, m_l.entry, declared);
    return pos != kMax && Offset(pos, next);
}

bool TiffFields::Element(const TiffEntry& e, uint64_t k, uint64_t& v) const {
    if (!m_l.Big()) {
        // Classic TIFF: one lies in the field, several are 32-bit offsets.
        if (e.count == 1) return v = e.value, true;
        uint32_t u = 0;
        const int64_t at = At(e.value);
        if (at < 0 || !U32(PlusTimes(at, 4, k), u)) return false;
        return v = u, true;
    }
    const int64_t unit = TiffUnitSize(e.type, true);
    const int64_t base = e.InField(m_l) ? e.at + 4 + m_l.offset : At(e.value);
    if ((unit != 2 && unit != 4 && unit != 8) || base < 0 || k >= e.count) return false;
    const int64_t pos = PlusTimes(base, unit, k);
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    if (unit == 8) return U64(pos, v);
    if (!(unit == 2 ? U16(pos, u16) : U32(pos, u32))) return false;
    v = unit == 2 ? u16 : u32;
    return true;
}

int64_t TiffUnitSize(uint16_t type, bool big) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    case 16: case 17: case 18: return big ? 8 : 0;
    default: return 0;  // not a TIFF type: holds no value
    }
}

bool ScanTiff(const ByteReader& file, int64_t tiff, int64_t blockEnd, TiffScan& out,
              const TiffOptions& opt) {
    out = TiffScan{};
    if (blockEnd - tiff < 8) return false;
    uint8_t b0 = 0, b1 = 0;
    uint16_t magic = 42;
    file.U8(tiff, b0);
    file.U8(tiff + 1, b1);
    const bool headerless = opt.headerless != 0;
    const bool ii = b0 == 'I' && b1 == 'I';
    const bool mm = headerless ? opt.headerless == ByteReader::kBigEndian : b0 == 'M' && b1 == 'M';
    if (!headerless &&
        ((!ii && !mm) || !file.WithOrder(mm ? ByteReader::kBigEndian : ByteReader::kLittleEndian).U16(tiff + 2, magic)))
        return false;
    if (magic != 42 && std::find(opt.magic.begin(), opt.magic.end(), magic) == opt.magic.end()) {
        if (!opt.anyMagic) return false;
        magic = 42;
    }
    const TiffLayout layout = magic == kMagicBig ? kBigTiff : kClassicTiff;
    const int64_t len = tiff >= 0 && blockEnd >= tiff && blockEnd <= file.Length() ? blockEnd - tiff : 0;
    const TiffFields w(file, tiff, len, mm, layout);
    // BigTIFF's header says the offset size (8) and holds a zero; any
    // other is a layout no reader takes.
    uint16_t offsetSize = 0, zero = 1;
    if (layout.Big() && !(w.U16(4, offsetSize) && w.U16(6, zero) && offsetSize == 8 && zero == 0 && len >= 16))
        return false;
    out.tiff = tiff;
    out.blockEnd = blockEnd;
    out.bigEndian = mm;
    out.layout = layout;
    uint64_t ifd0 = opt.ifd0;
    if (!headerless) {
        out.keep.push_back({tiff, layout.header});
        w.Offset(layout.header - layout.offset, ifd0);
    }

    // The 0th IFD first; the IFDs it leads to are kept unless a GPS pointer
    // names the same table (then that table is the GPS IFD).
    std::vector<uint64_t> gpsOffsets;
    struct Pending { uint64_t off; bool first; };
    std::vector<Pending> others;
    std::vector<uint64_t> seen, exifIfds;
    bool inChain = false;  // the IFD being walked is one of the chain after the 0th
    auto walkKept = [&](uint64_t off, bool collect) {
        if (std::find(seen.begin(), seen.end(), off) != seen.end()) return;  // loops refused
        seen.push_back(off);
        uint64_t declared = 0;
        const std::vector<TiffEntry> entries = Entries(w, off, declared);
        ByteRange r;
        if (Range(w, off, layout.Table(declared), r)) out.keep.push_back(r);
        if (Range(w, off, layout.Table(entries.size()), r)) out.tables.push_back(r);
        // A thumbnail is kept only where an offset names it: a length alone
        // (offset 0 is the TIFF header) would keep the whole block.
        uint64_t thumb = 0, thumbLen = 0;
        bool thumbNamed = false, jpeg = false;
        const bool exif = std::find(exifIfds.begin(), exifIfds.end(), off) != exifIfds.end();
        for (const TiffEntry& e : entries) {
            if (ValueRange(w, e, r)) {
                out.keep.push_back(r);
                if (exif && e.tag == kTagMakerNote) out.makerNotes.push_back(r);
                if (!exif && e.tag == kTagIptc) out.iptc.push_back(r);
                if (!exif && e.tag == kTagImageResources) out.imageResources.push_back(r);
                if (!exif && e.tag == kTagMake && out.make.len == 0) out.make = r;
                const TiffScan::Text text{r, e.tag};
                if (text.Prose() || e.type == kTypeAscii) out.texts.push_back(text);
            }
            if (e.tag == kTagThumbOffset) thumb = e.value, thumbNamed = jpeg = true;
            if (e.tag == kTagThumbLength) thumbLen = e.value;
            if (e.tag == kTagStripOffsets && e.count == 1) thumb = e.value, thumbNamed = true;
            if (e.tag == kTagStripCounts && e.count == 1) thumbLen = e.value;
            if (!collect) continue;
            if (e.tag == kTagGpsIfd) gpsOffsets.push_back(e.value);
            if (e.tag == kTagExifIfd || e.tag == kTagInteropIfd) others.push_back({e.value, false});
            if (e.tag == kTagExifIfd) exifIfds.push_back(e.value);
            if (opt.allIfds && e.tag == kTagSubIfds) {
                if (e.count == 1) others.push_back({e.value, false});
                for (uint64_t k = 0; e.count > 1 && k < e.count && k < kMaxIfds; ++k) {
                    uint64_t sub = 0;
                    w.Element(e, k, sub);
                    others.push_back({sub, false});
                }
            }
        }
        if (thumbNamed && thumbLen > 0 && Range(w, thumb, Saturated(thumbLen), r)) {
            out.keep.push_back(r);
            if (jpeg) out.thumbnails.push_back(r);
        }
        uint64_t next = 0;
        if (collect && (off == ifd0 || (opt.allIfds && inChain))) {
            w.Next(off, declared, next);
            others.push_back({next, true});
        }
    };
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

    for (uint64_t off : gpsOffsets) {
        const int64_t pos = w.FilePos(off);
        if (std::find_if(out.gps.begin(), out.gps.end(), [&](const GpsIfdScan& g) { return g.pos == pos; }) !=
            out.gps.end())
            continue;
        GpsIfdScan g;
        g.pos = pos;
        if (!w.Inside(w.At(off), layout.count)) {
            g.outsideSegment = true;
            out.gps.push_back(g);
            continue;
        }
        uint64_t declared = 0;
        const std::vector<TiffEntry> entries = Entries(w, off, declared);
        g.declared = static_cast<int32_t>(std::min<uint64_t>(declared, INT32_MAX));
        g.inside = static_cast<int32_t>(entries.size());
        const ByteRange table{g.pos, layout.count + layout.entry * g.inside};
        for (const ByteRange& k : out.keep)
            if (Overlap(table, k)) g.overlaps = true;
        // More entries than are read, inside the block (only BigTIFF's
        // 64-bit count can declare them): some would stay. Not removable.
        if (declared > TiffFields::kMaxEntries && w.Inside(table.End() - tiff, layout.entry)) g.tooLong = true;
        for (const TiffEntry& e : entries) {
            if (TiffUnitSize(e.type, layout.Big()) == 0) continue;
            ++g.positions;
            ByteRange r;
            if (ValueRange(w, e, r)) g.values.push_back(r);
        }
        out.gps.push_back(g);
    }
    return true;
}

void PlanGpsStrip(const TiffScan& t, const GpsIfdScan& g, const GpsStripMode& mode,
                  std::vector<ByteRange>& out) {
    if (g.outsideSegment || g.overlaps || g.tooLong) return;
    const TiffLayout& l = t.layout;
    if (mode.countAndTags) out.push_back({g.pos, l.count});
    for (int64_t i = 0; i < g.inside; ++i) {
        const int64_t e = g.pos + l.count + l.entry * i;
        if (mode.countAndTags && mode.fields) out.push_back({e, l.entry});
        else if (mode.countAndTags) out.push_back({e, 2});
        else if (mode.fields) out.push_back({e + 2, l.entry - 2});
    }
    if (!mode.values) return;
    // Each value minus the bytes the other IFDs use.
    std::vector<ByteRange> parts, next;
    for (const ByteRange& v : g.values) {
        parts.assign(1, v);
        for (const ByteRange& k : t.keep) {
            if (!Overlap(v, k)) continue;  // nor any part of v
            next.clear();
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
