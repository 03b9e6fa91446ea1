#include "locate/zip/ZipWalker.h"

#include "locate/ArchiveMember.h"
#include "locate/Containers.h"
#include "locate/Parts.h"
#include "locate/Repack.h"
#include "locate/Sink.h"
#include "locate/payload/Deflate.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kLocalSig = 0x04034B50, kCentralSig = 0x02014B50, kEndSig = 0x06054B50;
constexpr uint32_t kEnd64Sig = 0x06064B50, kLocator64Sig = 0x07064B50, kDescriptorSig = 0x08074B50;
constexpr int64_t kLocalLen = 30, kCentralLen = 46, kEndLen = 22, kLocator64Len = 20;
constexpr int64_t kMaxComment = 0xFFFF;
constexpr uint64_t kMaxEntries = 1 << 20;
// As gzip's content: a larger entry is not brought into memory.
constexpr int64_t kMaxContent = int64_t{64} << 20, kMaxStream = int64_t{32} << 20;
constexpr uint16_t kEncrypted = 1, kHasDescriptor = 8, kStored = 0, kDeflated = 8;
constexpr uint32_t kWide32 = 0xFFFFFFFF;

struct Entry {
    ByteRange r;                  // the local header to the data's end (its descriptor too)
    int64_t local = 0, central = 0, data = 0;
    int64_t csize = 0, usize = 0;
    uint32_t crc = 0;
    uint16_t flags = 0, method = 0;
    bool wide = false;            // a size kept only in a ZIP64 field
    int64_t descriptor = -1;      // its data descriptor's CRC-32
    std::string name;
};

// The archive's directory: where it lies and how many entries it names.
struct Directory {
    int64_t pos = 0, len = 0;
    uint64_t count = 0;
    int64_t end = 0;  // the first end record (ZIP64's, or the classic one)
};

class Reader {
public:
    Reader(const ByteReader& file, ByteRange whole)
        : m_le(file.WithOrder(ByteReader::kLittleEndian)), m_whole(whole) {}
    bool U16(int64_t at, uint16_t& v) const { return Inside(at, 2) && m_le.U16(at, v); }
    bool U32(int64_t at, uint32_t& v) const { return Inside(at, 4) && m_le.U32(at, v); }
    bool U64(int64_t at, uint64_t& v) const {
        uint32_t lo = 0, hi = 0;
        if (!U32(at, lo) || !U32(at + 4, hi)) return false;
        v = uint64_t{hi} << 32 | lo;
        return true;
    }
    bool Sig(int64_t at, uint32_t sig) const {
        uint32_t v = 0;
        return U32(at, v) && v == sig;
    }
    // An offset the archive keeps, from its start, as a file offset; -1
    // when it lies outside.
    int64_t At(uint64_t off) const {
        return off < static_cast<uint64_t>(m_whole.len) ? m_whole.pos + static_cast<int64_t>(off) : -1;
    }
    bool Inside(int64_t at, int64_t n) const { return at >= m_whole.pos && n >= 0 && at <= m_whole.End() - n; }

private:
    ByteReader m_le;
    ByteRange m_whole;
};

// The end record: the last signature whose comment runs to the end.
bool FindDirectory(const Reader& z, ByteRange whole, Directory& d) {
    for (int64_t at = whole.End() - kEndLen; at >= whole.pos && at >= whole.End() - kEndLen - kMaxComment; --at) {
        uint16_t count = 0, comment = 0;
        uint32_t size = 0, offset = 0;
        if (!z.Sig(at, kEndSig) || !z.U16(at + 20, comment) || at + kEndLen + comment != whole.End()) continue;
        if (!z.U16(at + 10, count) || !z.U32(at + 12, size) || !z.U32(at + 16, offset)) return false;
        uint64_t n = count, len = size, off = offset;
        d.end = at;
        // ZIP64: its locator just before, naming its own end record.
        uint64_t end64 = 0;
        if (z.Sig(at - kLocator64Len, kLocator64Sig) && z.U64(at - kLocator64Len + 8, end64)) {
            const int64_t e = z.At(end64);
            if (e < 0 || !z.Sig(e, kEnd64Sig) || !z.U64(e + 32, n) || !z.U64(e + 40, len) || !z.U64(e + 48, off))
                return false;
            d.end = e;
        }
        d.pos = z.At(off);
        d.count = n;
        d.len = static_cast<int64_t>(std::min<uint64_t>(len, static_cast<uint64_t>(whole.len)));
        return (d.pos >= 0 || n == 0) && n <= kMaxEntries && (n == 0 || d.pos + d.len <= d.end);
    }
    return false;
}

// A central directory header at `at` and its entry's local header: false
// when they cannot be read or do not agree with the archive.
bool ReadEntry(const Reader& z, const ByteReader& f, int64_t at, Entry& e, int64_t& next) {
    uint16_t nameLen = 0, extraLen = 0, commentLen = 0;
    uint32_t csize = 0, usize = 0, local = 0;
    if (!z.Sig(at, kCentralSig) || !z.U16(at + 8, e.flags) || !z.U16(at + 10, e.method) || !z.U32(at + 16, e.crc) ||
        !z.U32(at + 20, csize) || !z.U32(at + 24, usize) || !z.U16(at + 28, nameLen) || !z.U16(at + 30, extraLen) ||
        !z.U16(at + 32, commentLen) || !z.U32(at + 42, local))
        return false;
    e.central = at;
    next = at + kCentralLen + nameLen + extraLen + commentLen;
    if (!z.Inside(at, next - at)) return false;
    e.name = MemberName(f.Span(at + kCentralLen, nameLen), nameLen);
    // ZIP64's extra field holds, in this order, each field kept as all ones.
    uint64_t wide[3] = {usize, csize, local};
    for (int64_t x = at + kCentralLen + nameLen; x + 4 <= at + kCentralLen + nameLen + extraLen;) {
        uint16_t id = 0, len = 0;
        if (!z.U16(x, id) || !z.U16(x + 2, len)) break;
        if (id == 1) {
            int64_t v = x + 4;
            for (uint64_t& w : wide)
                if (w == kWide32 && v + 8 <= x + 4 + len && z.U64(v, w)) v += 8, e.wide = true;
        }
        x += 4 + len;
    }
    e.usize = static_cast<int64_t>(std::min<uint64_t>(wide[0], INT64_MAX));
    e.csize = static_cast<int64_t>(std::min<uint64_t>(wide[1], INT64_MAX));
    e.local = z.At(wide[2]);
    uint16_t localName = 0, localExtra = 0;
    if (e.local < 0 || !z.Sig(e.local, kLocalSig) || !z.U16(e.local + 26, localName) ||
        !z.U16(e.local + 28, localExtra))
        return false;
    e.data = e.local + kLocalLen + localName + localExtra;
    if (!z.Inside(e.data, e.csize)) return false;
    int64_t end = e.data + e.csize;
    if ((e.flags & kHasDescriptor) != 0) {
        // CRC-32 and sizes (8 bytes each in ZIP64), after an optional signature.
        const int64_t sig = z.Sig(end, kDescriptorSig) ? 4 : 0;
        const int64_t len = sig + 4 + (e.wide ? 16 : 8);
        if (z.Inside(end, len)) {
            e.descriptor = end + sig;
            end += len;
        }
    }
    e.r = {e.local, end - e.local};
    return true;
}

// The places an entry's CRC-32 is kept, each followed by the sizes: the
// local header's unless a descriptor keeps them (it then holds zeros).
std::vector<int64_t> CrcPlaces(const Sink& sink, const Entry& e) {
    std::vector<int64_t> at = {e.central + 16};
    uint32_t local = 0;
    if (e.descriptor < 0 || (sink.File().WithOrder(ByteReader::kLittleEndian).U32(e.local + 14, local) && local != 0))
        at.push_back(e.local + 14);
    if (e.descriptor >= 0) at.push_back(e.descriptor);
    return at;
}

// A deflated entry: inflated, walked, and written anew when its finds can
// be removed.
void DeflatedEntry(Sink& sink, const Entry& e, const Carrier& c) {
    const ByteReader& f = sink.File();
    const ByteRange stream{e.data, e.csize};
    std::vector<uint8_t> content;
    int64_t used = 0;
    const uint8_t* p = e.csize <= kMaxStream && e.usize <= kMaxContent ? f.Span(e.data, e.csize) : nullptr;
    const bool read = p != nullptr && Inflate(p, e.csize, Deflated::Raw, kMaxContent, content, &used) &&
                      used == e.csize && static_cast<int64_t>(content.size()) == e.usize && Crc32Of(content) == e.crc;
    LocateResult inner;
    if (!read || !LocateHeld(ByteReader(content.data(), static_cast<int64_t>(content.size())), sink.PlaceNames(),
                             inner)) {
        // Compressed data hides any text: an entry not read may hold anything.
        PositionFind x(FindKind::Container, e.data, false, FindWhy::NotTakenApart);
        x.container = Container::Zip;
        x.len = e.csize;
        sink.Add(x, c);
        return;
    }
    if (inner.finds.size() == 1 && inner.finds[0].wholeFile) {
        // No known format: its text follows the opaque rule.
        const int64_t n = static_cast<int64_t>(content.size());
        if (!sink.OpaqueHeld(content, stream, FindWhy::ArchiveEntryUnparsed, c, false) &&
            TextHoldsPosition(content.data(), n))
            sink.Add([&] {
                PositionFind x(FindKind::Unparsed, e.data, false, FindWhy::ArchiveEntryUnparsed);
                x.len = e.csize;
                return x;
            }(), c);
        return;
    }
    Repacked re;
    const bool removable = !inner.finds.empty() && inner.CanClean();
    const bool fits = removable && !e.wide && RepackHeld(content, inner, e.csize, re);
    sink.AddHeld(std::move(inner.finds), [&](const PositionFind&) { return stream; }, c,
                 removable && !fits ? FindWhy::CompressedDoesNotFit : FindWhy::None);
    if (!fits) return;
    StripPlan plan;
    plan.fills.push_back({plan.AddMap(ContentMap(stream)), 0, e.csize, 0, re.stream});
    // The CRC-32, then (after the compressed size) the size in each place.
    const std::string crc = Le32Text(re.crc), size = Le32Text(static_cast<uint32_t>(re.size));
    for (int64_t at : CrcPlaces(sink, e)) {
        plan.fills.push_back({plan.AddMap(ContentMap({at, 4})), 0, 4, 0, crc});
        plan.fills.push_back({plan.AddMap(ContentMap({at + 8, 4})), 0, 4, 0, size});
    }
    sink.Result().plan.Append(plan);
}

// A stored entry: walked where it lies, its CRC-32 written anew when the
// walk removes anything.
void StoredEntry(Sink& sink, const Entry& e, const Carrier& c) {
    const ByteRange data{e.data, e.csize};
    if (WalkArchiveMember(sink, data, c) == 0) return;
    StripFixUp crc{StripFixUp::kCrc32Le, sink.Result().plan.AddMap(ContentMap(data)), CrcPlaces(sink, e)};
    sink.Result().plan.fixUps.push_back(std::move(crc));
}

}  // namespace

bool StartsZip(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kEndLen ? file.Span(pos, 4) : nullptr;
    return p != nullptr && p[0] == 'P' && p[1] == 'K' && ((p[2] == 3 && p[3] == 4) || (p[2] == 5 && p[3] == 6));
}

void WalkZipContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    const Reader z(f, whole);
    Directory d;
    std::vector<Entry> entries;
    bool read = FindDirectory(z, whole, d);
    for (int64_t p = d.pos, next = 0; read && entries.size() < d.count; p = next) {
        Entry e;
        read = ReadEntry(z, f, p, e, next) && next <= d.end;
        if (read) entries.push_back(std::move(e));
    }
    // Two directory records naming one entry would each keep its CRC-32:
    // such an archive is not taken apart, as entries that overlap are not.
    const size_t named = entries.size();
    if (!read || !SortApart(entries) || entries.size() != named ||
        (!entries.empty() && entries.back().r.End() > d.pos)) {
        sink.NotTakenApart(whole, at);
        return;
    }
    int64_t from = whole.pos;
    auto gap = [&](int64_t to, const Carrier& c) {
        if (to > from)
            sink.Opaque({from, to - from}, FindKind::Unparsed, FindWhy::ArchiveEntryUnparsed,
                        FindWhy::ArchiveEntryUnparsed, c);
    };
    for (const Entry& e : entries) {
        const Carrier c = at.Then("entry " + e.name);
        gap(e.local, at);
        // The local header's name and extra field.
        from = e.local + kLocalLen;
        gap(e.data, c);
        if (e.csize == 0) {
            // Nothing to read (a folder, an empty file).
        } else if ((e.flags & kEncrypted) != 0 || (e.method != kStored && e.method != kDeflated) ||
                   (e.method == kStored && e.csize != e.usize)) {
            // Not read: what it holds cannot be known.
            PositionFind x(FindKind::Container, e.data, false, FindWhy::NotTakenApart);
            x.container = Container::Zip;
            x.len = e.csize;
            sink.Add(x, c);
        } else if (e.method == kStored) {
            StoredEntry(sink, e, c);
        } else {
            DeflatedEntry(sink, e, c);
        }
        from = e.r.End();
    }
    // The directory and its end records: names, extra fields, comments.
    gap(whole.End(), at.Then("central directory"));
}
