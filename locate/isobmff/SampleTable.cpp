#include "locate/isobmff/SampleTable.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

// The sizes of a track's samples: one size for all, or a table of 4, 8,
// 16 or 32-bit entries.
struct Sizes {
    int64_t count = 0;
    int64_t constant = 0;  // every sample's size when > 0
    int64_t table = 0;     // file offset of the first entry
    int bits = 32;

    bool At(const ByteReader& be, int64_t i, int64_t& size) const {
        if (constant > 0) {
            size = constant;
            return true;
        }
        uint8_t b = 0;
        uint16_t s16 = 0;
        uint32_t s32 = 0;
        switch (bits) {
        case 4:
            if (!be.U8(table + i / 2, b)) return false;
            size = i % 2 == 0 ? b >> 4 : b & 0x0F;  // the first sample in the high nibble
            return true;
        case 8: if (!be.U8(table + i, b)) return false; size = b; return true;
        case 16: if (!be.U16(table + i * 2, s16)) return false; size = s16; return true;
        default: if (!be.U32(table + i * 4, s32)) return false; size = s32; return true;
        }
    }
};

// A full box of version 0 whose body holds at least `fixed` bytes after
// the version and flags.
bool Version0(const ByteReader& file, const Box& b, int64_t fixed) {
    uint8_t version = 0;
    uint32_t flags = 0;
    return FullBoxVersion(file, b, version, flags) && version == 0 && b.end - b.body - 4 >= fixed;
}

bool ReadSizes(const ByteReader& file, const Box& stbl, Sizes& out) {
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    Box b;
    uint32_t constant = 0, count = 0;
    if (FindChild(file, stbl.Body(), Fourcc("stsz"), b)) {
        if (!Version0(file, b, 8) || !be.U32(b.body + 4, constant) || !be.U32(b.body + 8, count)) return false;
        out.bits = 32;
    } else if (FindChild(file, stbl.Body(), Fourcc("stz2"), b)) {
        uint8_t field = 0;
        if (!Version0(file, b, 8) || !be.U8(b.body + 7, field) || !be.U32(b.body + 8, count)) return false;
        if (field != 4 && field != 8 && field != 16) return false;
        out.bits = field;
    } else {
        return false;
    }
    out.count = count;
    out.constant = constant;
    out.table = b.body + 12;
    if (constant > 0) {
        // Samples that share no byte and lie inside the file: at most this many.
        return out.count <= file.Length() / out.constant;
    }
    return (out.count * out.bits + 7) / 8 <= b.end - out.table;
}

// A table of entries of `width` bytes after a 32-bit entry count.
struct Table {
    int64_t count = 0;
    int64_t first = 0;
    int width = 4;
};

bool ReadTable(const ByteReader& file, const Box& b, int width, Table& out) {
    uint32_t count = 0;
    if (!Version0(file, b, 4) || !file.WithOrder(ByteReader::kBigEndian).U32(b.body + 4, count)) return false;
    out.count = count;
    out.first = b.body + 8;
    out.width = width;
    return out.count <= (b.end - out.first) / width;
}

bool ReadChunks(const ByteReader& file, const Box& stbl, Table& out) {
    Box b;
    if (FindChild(file, stbl.Body(), Fourcc("stco"), b)) return ReadTable(file, b, 4, out);
    if (FindChild(file, stbl.Body(), Fourcc("co64"), b)) return ReadTable(file, b, 8, out);
    return false;
}

// A file offset read as an unsigned number, kept at most one past the
// file's end so that the checks below stay in 64 bits.
int64_t Clamp(uint64_t v, int64_t fileLen) {
    return v > static_cast<uint64_t>(fileLen) ? fileLen + 1 : static_cast<int64_t>(v);
}

// Appends the sample of `size` bytes at `pos` when it lies inside the file.
bool Place(int64_t pos, int64_t size, int64_t fileLen, std::vector<ByteRange>& out) {
    if (pos < 0 || pos > fileLen || size > fileLen - pos) return false;
    out.push_back({pos, size});
    return true;
}

bool ListTrackSamples(const ByteReader& file, const Box& stbl, int64_t base, std::vector<ByteRange>& out) {
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    const int64_t fileLen = file.Length();
    Sizes sizes;
    Table chunks, runs;
    Box stsc;
    if (!ReadSizes(file, stbl, sizes) || sizes.count > kMaxSamples || !ReadChunks(file, stbl, chunks) ||
        !FindChild(file, stbl.Body(), Fourcc("stsc"), stsc) || !ReadTable(file, stsc, 12, runs))
        return false;
    out.reserve(static_cast<size_t>(sizes.count));

    // Each run of `stsc` gives the chunks from its first chunk up to the
    // next run's first chunk the same number of samples; chunks are
    // numbered from 1. The loops end at the last chunk or the last sample.
    int64_t sample = 0;
    uint32_t first = 0;
    if (runs.count > 0 && !be.U32(runs.first, first)) return false;
    if (runs.count > 0 && first != 1) return false;
    for (int64_t r = 0; r < runs.count && sample < sizes.count && first <= chunks.count; ++r) {
        uint32_t perChunk = 0, next = 0;
        if (!be.U32(runs.first + r * 12 + 4, perChunk)) return false;
        int64_t runEnd = chunks.count + 1;
        if (r + 1 < runs.count) {
            if (!be.U32(runs.first + (r + 1) * 12, next) || next <= first) return false;
            runEnd = std::min<int64_t>(runEnd, next);
        }
        for (int64_t c = first; c < runEnd && sample < sizes.count; ++c) {
            uint64_t raw = 0;
            if (!ReadUint(file, chunks.first + (c - 1) * chunks.width, chunks.width, raw)) return false;
            int64_t pos = base + Clamp(raw, fileLen - base);
            for (uint32_t k = 0; k < perChunk && sample < sizes.count; ++k, ++sample) {
                int64_t size = 0;
                if (!sizes.At(be, sample, size) || !Place(pos, size, fileLen, out)) return false;
                pos += size;
            }
        }
        first = next;
    }
    return sample == sizes.count && SamplesDisjoint(out);
}

// What `trex` gives a fragment's samples when neither its header nor its
// runs say: only the size matters here.
using TrackSizes = std::map<uint32_t, uint32_t>;

TrackSizes ReadTrex(const ByteReader& file, ByteRange whole) {
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    TrackSizes sizes;
    Box moov, mvex;
    if (!FindChild(file, whole, Fourcc("moov"), moov) || !FindChild(file, moov.Body(), Fourcc("mvex"), mvex))
        return sizes;
    ForEachBox(file, mvex.Body(), [&](const Box& b) {
        uint32_t id = 0, size = 0;
        // track_ID, then the defaults: description index, duration, size, flags.
        if (b.Is(Fourcc("trex")) && Version0(file, b, 20) && be.U32(b.body + 4, id) && be.U32(b.body + 16, size))
            sizes.emplace(id, size);
        return true;
    });
    return sizes;
}

// The data of one track fragment. `base` is where its data is counted
// from; `end` is left one past its last run's data, or -1 when that is
// not known (sizes that no box gives, data past the file's end).
struct Traf {
    const ByteReader& file;
    int64_t fileLen;
    bool wanted;                    // the track whose samples are listed
    std::vector<ByteRange>& out;

    bool Runs(const Box& traf, int64_t base, int64_t defaultSize, int64_t& end) {
        const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
        bool ok = true;
        bool firstRun = true;
        end = base;
        ForEachBox(file, traf.Body(), [&](const Box& b) {
            if (!b.Is(Fourcc("trun"))) return true;
            uint8_t version = 0;
            uint32_t flags = 0, count = 0;
            if (!FullBoxVersion(file, b, version, flags)) return ok = false;
            // Version and flags, the count, then the optional fields.
            const int64_t fixed = 8 + ((flags & 0x1) ? 4 : 0) + ((flags & 0x4) ? 4 : 0);
            if (b.end - b.body < fixed || !be.U32(b.body + 4, count)) return ok = false;
            int64_t at = b.body + 8;
            int64_t start = firstRun ? base : end;
            firstRun = false;
            if (flags & 0x1) {  // data offset, signed, from the base
                uint32_t off = 0;
                if (!be.U32(at, off)) return ok = false;
                start = base < 0 ? -1 : base + static_cast<int32_t>(off);
                at += 4;
            }
            if (flags & 0x4) at += 4;  // the first sample's flags
            int64_t perSample = 0, sizeAt = -1;
            if (flags & 0x100) perSample += 4;  // duration
            if (flags & 0x200) sizeAt = perSample, perSample += 4;
            if (flags & 0x400) perSample += 4;  // flags
            if (flags & 0x800) perSample += 4;  // composition time offset
            if (perSample > 0 && count > (b.end - at) / perSample) return ok = false;
            if (sizeAt < 0 && defaultSize < 0) {
                end = -1;
                return ok = !wanted;
            }
            if (start < 0 || start > fileLen) {
                end = -1;
                return ok = !wanted;
            }
            if (wanted && static_cast<int64_t>(out.size()) + count > kMaxSamples) return ok = false;
            if (!wanted && sizeAt < 0) {
                // Only the run's end: one product, the count may be large.
                end = defaultSize > 0 && count > (fileLen - start) / defaultSize ? -1 : start + count * defaultSize;
                return true;
            }
            int64_t pos = start;
            for (uint32_t i = 0; i < count; ++i) {
                uint32_t size32 = 0;
                if (sizeAt >= 0 && !be.U32(at + i * perSample + sizeAt, size32)) return ok = false;
                const int64_t size = sizeAt >= 0 ? size32 : defaultSize;
                if (size > fileLen - pos) {
                    end = -1;
                    return ok = !wanted;
                }
                if (wanted) out.push_back({pos, size});
                pos += size;
            }
            end = pos;
            return true;
        });
        return ok;
    }
};

}  // namespace

bool SamplesDisjoint(const std::vector<ByteRange>& samples) {
    if (samples.size() > std::numeric_limits<uint32_t>::max()) return false;
    std::vector<uint32_t> order;
    for (size_t i = 0; i < samples.size(); ++i)
        if (samples[i].len > 0) order.push_back(static_cast<uint32_t>(i));
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return samples[a].pos < samples[b].pos; });
    for (size_t i = 1; i < order.size(); ++i)
        if (samples[order[i]].pos < samples[order[i - 1]].End()) return false;
    return true;
}

bool TrackSamples(const ByteReader& file, const Box& stbl, int64_t base, std::vector<ByteRange>& out) {
    out.clear();
    if (base >= 0 && base <= file.Length() && ListTrackSamples(file, stbl, base, out)) return true;
    out.clear();
    return false;
}

bool TrackBytes(const ByteReader& file, const Box& stbl, int64_t& total) {
    Sizes sizes;
    total = 0;
    if (!ReadSizes(file, stbl, sizes)) return false;
    if (sizes.constant > 0) {
        total = sizes.count * sizes.constant;  // at most the file's length (ReadSizes)
        return true;
    }
    // The table is read from its bytes at once when they can be held, not
    // entry by entry from the file.
    const int64_t tableLen = (sizes.count * sizes.bits + 7) / 8;
    const uint8_t* p = file.Span(sizes.table, tableLen);
    const ByteReader table = p != nullptr ? ByteReader(p, tableLen, ByteReader::kBigEndian)
                                          : file.WithOrder(ByteReader::kBigEndian);
    Sizes own = sizes;
    if (p != nullptr) own.table = 0;
    for (int64_t i = 0; i < sizes.count; ++i) {
        int64_t size = 0;
        if (!own.At(table, i, size)) return false;
        total += size;  // at most 2^32 samples of under 2^32 bytes: no overflow
    }
    return true;
}

bool FragmentSamples(const ByteReader& file, ByteRange whole, uint32_t trackId, std::vector<ByteRange>& out) {
    out.clear();
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    const int64_t fileLen = file.Length();
    const TrackSizes trex = ReadTrex(file, whole);
    bool ok = true;
    ForEachBox(file, whole, [&](const Box& moof) {
        if (!moof.Is(Fourcc("moof"))) return true;
        // Without an offset of its own, the first track fragment's data is
        // counted from the `moof`, each later one's from where the one
        // before it ends.
        int64_t previousEnd = moof.pos;
        ForEachBox(file, moof.Body(), [&](const Box& traf) {
            if (!traf.Is(Fourcc("traf"))) return true;
            Box tfhd;
            uint8_t version = 0;
            uint32_t flags = 0, id = 0;
            if (!FindChild(file, traf.Body(), Fourcc("tfhd"), tfhd) || !FullBoxVersion(file, tfhd, version, flags))
                return ok = false;
            // Version and flags, the track, then the optional fields.
            const int64_t fixed = 8 + ((flags & 0x1) ? 8 : 0) + ((flags & 0x2) ? 4 : 0) + ((flags & 0x8) ? 4 : 0) +
                                  ((flags & 0x10) ? 4 : 0) + ((flags & 0x20) ? 4 : 0);
            if (tfhd.end - tfhd.body < fixed || !be.U32(tfhd.body + 4, id)) return ok = false;
            const bool wanted = id == trackId;
            int64_t at = tfhd.body + 8;
            int64_t base = (flags & 0x20000) ? moof.pos : previousEnd;
            uint64_t raw = 0;
            if (flags & 0x1) {  // base data offset
                if (!ReadUint(file, at, 8, raw)) return ok = false;
                // Past the file, the base is not known: a negative data
                // offset must not bring it back inside.
                base = raw > static_cast<uint64_t>(fileLen - whole.pos) ? -1 : whole.pos + static_cast<int64_t>(raw);
                at += 8;
            }
            if (flags & 0x2) at += 4;  // sample description index
            if (flags & 0x8) at += 4;  // default duration
            const auto t = trex.find(id);
            int64_t defaultSize = t == trex.end() ? -1 : t->second;
            if (flags & 0x10) {
                uint32_t size = 0;
                if (!be.U32(at, size)) return ok = false;
                defaultSize = size;
            }
            Traf runs{file, fileLen, wanted, out};
            if (!runs.Runs(traf, base, defaultSize, previousEnd)) return ok = false;
            return true;
        });
        return ok;
    });
    if (ok && SamplesDisjoint(out)) return true;
    out.clear();
    return false;
}
