#include "locate/payload/IptcPlaces.h"

#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t kIptcResource = 0x0404, kIptcDigest = 0x0425;
constexpr int kMaxResources = 4096, kMaxDatasets = 65536;

// The content location's code and name, the city, the sub-location, the
// province or state, the country's code and name.
bool IsPlaceDataset(uint8_t record, uint8_t dataset) {
    return record == 2 && (dataset == 26 || dataset == 27 || dataset == 90 || dataset == 92 || dataset == 95 ||
                           dataset == 100 || dataset == 101);
}

// The texts people write: the object name (a title), the keywords, the
// special instructions, the headline and the caption, which editors copy
// the Exif description into.
bool IsCaptionDataset(uint8_t record, uint8_t dataset) {
    return record == 2 && (dataset == 5 || dataset == 25 || dataset == 40 || dataset == 105 || dataset == 120);
}

// The datasets of one IPTC block: each value of a place dataset (with
// `placeNames`) that holds more than spaces, and each caption that names a
// coordinate, is a find, blanked by the plan.
void ScanDatasets(const ByteReader& be, ByteRange block, bool placeNames, IptcScan& out) {
    int64_t p = block.pos;
    for (int n = 0; n < kMaxDatasets && p + 5 <= block.End(); ++n) {
        uint8_t tag = 0, record = 0, dataset = 0;
        uint16_t len16 = 0;
        if (!be.U8(p, tag) || tag != 0x1C || !be.U8(p + 1, record) || !be.U8(p + 2, dataset) ||
            !be.U16(p + 3, len16))
            return;
        int64_t value = p + 5, len = len16;
        if (len16 & 0x8000) {  // an extended length: the count of length bytes that follow
            const int k = len16 & 0x7FFF;
            if (k < 1 || k > 4) return;
            len = 0;
            for (int i = 0; i < k; ++i) {
                uint8_t b = 0;
                if (!be.U8(value + i, b)) return;
                len = len << 8 | b;
            }
            value += k;
        }
        if (len > block.End() - value) return;
        const uint8_t* v = be.Span(value, len);
        bool blank = true;
        for (int64_t i = 0; v != nullptr && i < len; ++i) blank = blank && (v[i] == ' ' || v[i] == 0);
        const bool place = placeNames && IsPlaceDataset(record, dataset) && !blank;
        const bool caption = v != nullptr && IsCaptionDataset(record, dataset) &&
                             TextNamesCoordinate(v, len);
        if (place || caption) {
            PositionFind f(caption ? FindKind::Location : FindKind::PlaceName, value, true);
            f.len = len;
            out.finds.push_back(f);
            out.plan.fills.push_back({out.plan.AddMap(ContentMap({value, len})), 0, len, ' ', {}});
        }
        p = value + len;
    }
}

}  // namespace

IptcScan ScanIptcPlaces(const ByteReader& file, ByteRange irb, ByteRange iptcBeside, bool placeNames) {
    IptcScan out;
    const ByteReader be = file.WithOrder(ByteReader::kBigEndian);
    ByteRange iptc{-1, 0}, digest{-1, 0};
    int64_t p = irb.pos;
    for (int n = 0; n < kMaxResources && p + 12 <= irb.End(); ++n) {
        uint16_t id = 0;
        uint8_t nameLen = 0;
        uint32_t size = 0;
        const uint8_t* sig = be.Span(p, 4);
        if (sig == nullptr || (std::memcmp(sig, "8BIM", 4) != 0 && std::memcmp(sig, "MeSa", 4) != 0) ||
            !be.U16(p + 4, id) || !be.U8(p + 6, nameLen))
            break;
        const int64_t sizeAt = p + 6 + ((1 + nameLen + 1) & ~1);  // the name, padded to an even length
        if (!be.U32(sizeAt, size) || int64_t{size} > irb.End() - sizeAt - 4) break;
        const ByteRange data{sizeAt + 4, size};
        if (id == kIptcResource && iptc.pos < 0) iptc = data;
        if (id == kIptcDigest && size == 16) digest = data;
        p = data.End() + (size & 1);
    }
    // The digest covers the block beside the resources when there is one.
    const ByteRange digested = iptcBeside.pos >= 0 ? iptcBeside : iptc;
    if (iptc.pos >= 0 && iptc.pos != digested.pos) ScanDatasets(be, iptc, placeNames, out);
    if (digested.pos < 0) return out;
    const size_t before = out.finds.size();
    ScanDatasets(be, digested, placeNames, out);
    if (out.finds.size() > before && digest.pos >= 0)
        out.plan.fixUps.push_back({StripFixUp::kMd5, out.plan.AddMap(ContentMap(digested)), {digest.pos}});
    return out;
}

IptcScan ScanIptcDatasets(const ByteReader& file, ByteRange block, bool placeNames) {
    IptcScan out;
    ScanDatasets(file.WithOrder(ByteReader::kBigEndian), block, placeNames, out);
    return out;
}

IptcScan ScanTiffIptc(const ByteReader& file, std::vector<ByteRange> iptc, std::vector<ByteRange> resources,
                      bool placeNames) {
    // Two IFDs may name one block.
    for (std::vector<ByteRange>* v : {&iptc, &resources}) {
        std::sort(v->begin(), v->end(), [](ByteRange a, ByteRange b) { return a.pos < b.pos; });
        v->erase(std::unique(v->begin(), v->end(), [](ByteRange a, ByteRange b) { return a.pos == b.pos; }), v->end());
    }
    IptcScan all;
    auto take = [&all](const IptcScan& x) {
        all.finds.insert(all.finds.end(), x.finds.begin(), x.finds.end());
        all.plan.Append(x.plan);
    };
    for (size_t k = 0; k < resources.size(); ++k)
        take(ScanIptcPlaces(file, resources[k], k == 0 && !iptc.empty() ? iptc[0] : ByteRange{-1, 0}, placeNames));
    for (size_t k = resources.empty() ? 0 : 1; k < iptc.size(); ++k)
        take(ScanIptcDatasets(file, iptc[k], placeNames));
    return all;
}

IptcScan ScanAfcpIptc(const ByteReader& file, ByteRange after, bool placeNames) {
    constexpr int64_t kMark = 12, kEntry = 12;
    constexpr int kMaxEntries = 256;
    const int64_t tail = after.End() - kMark;
    const uint8_t* t = tail >= after.pos ? file.Span(tail, kMark) : nullptr;
    if (t == nullptr || std::memcmp(t, "AXS", 3) != 0 || (t[3] != '!' && t[3] != '*')) return {};
    const ByteReader r = file.WithOrder(t[3] == '!' ? ByteReader::kBigEndian : ByteReader::kLittleEndian);
    uint32_t start = 0;
    uint16_t count = 0;
    const bool inside = r.U32(tail + 4, start) && start >= after.pos && start <= tail;
    const uint8_t* head = inside ? file.Span(start, kMark) : nullptr;
    if (head == nullptr || std::memcmp(head, t, 4) != 0 || !r.U16(int64_t{start} + 6, count)) return {};
    for (int64_t i = 0, e = int64_t{start} + kMark; i < std::min<int64_t>(count, kMaxEntries); ++i, e += kEntry) {
        uint32_t size = 0, offset = 0;
        const uint8_t* tag = e + kEntry <= tail ? file.Span(e, 4) : nullptr;
        if (tag == nullptr || !r.U32(e + 4, size) || !r.U32(e + 8, offset)) break;
        if (std::memcmp(tag, "IPTC", 4) == 0 && offset >= start && int64_t{size} <= tail - offset)
            return ScanIptcDatasets(file, {offset, size}, placeNames);
    }
    return {};
}
