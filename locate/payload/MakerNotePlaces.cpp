#include "locate/payload/MakerNotePlaces.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr int64_t kEntry = 12;

// How a place tag's value holds the place.
enum class Value : uint8_t {
    Text,           // the whole value is text
    Code,           // the whole value is a number naming a place
    NikonLocation,  // a country code at +5 (3 bytes), a name at +9 (70 bytes)
    PentaxTimes,    // two city codes at +2 (1 byte each)
    CanonTimes,     // the home time zone's city code at +8 (4 bytes)
};

struct PlaceTag {
    uint16_t tag;
    Value value;
};

constexpr PlaceTag kNikon[] = {{0x0039, Value::NikonLocation}};
constexpr PlaceTag kPanasonic[] = {{0x0067, Value::Text}, {0x0069, Value::Text}, {0x006B, Value::Text},
                                   {0x006D, Value::Text}, {0x006F, Value::Text}, {0x0080, Value::Text}};
constexpr PlaceTag kSamsung[] = {{0x0030, Value::Text}, {0x0031, Value::Text}};
constexpr PlaceTag kCasio[] = {{0x3006, Value::Text}};
constexpr PlaceTag kPentax[] = {{0x0023, Value::Code}, {0x0024, Value::Code}, {0x006B, Value::PentaxTimes}};
constexpr PlaceTag kCanon[] = {{0x0035, Value::CanonTimes}};

// Where a recognised note keeps its IFD and what its offsets count from.
struct Layout {
    int64_t ifd = -1;
    int64_t base = 0;
    int order = 0;
    const PlaceTag* begin = nullptr;
    const PlaceTag* end = nullptr;
};

template <size_t N>
Layout MakeLayout(int64_t ifd, int64_t base, int order, const PlaceTag (&tags)[N]) {
    return {ifd, base, order, tags, tags + N};
}

// Byte ranges, sorted and merged, asked whether a range shares a byte with any.
class Taken {
public:
    void Add(ByteRange r) {
        if (r.len > 0) m_r.push_back(r);
    }
    void Seal() {
        std::sort(m_r.begin(), m_r.end(), [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; });
        std::vector<ByteRange> merged;
        for (const ByteRange& r : m_r) {
            if (!merged.empty() && r.pos <= merged.back().End())
                merged.back().len = std::max(merged.back().End(), r.End()) - merged.back().pos;
            else
                merged.push_back(r);
        }
        m_r.swap(merged);
    }
    bool Meets(ByteRange r) const {
        // Only the last range that starts before r's end can reach into it.
        const auto after = std::lower_bound(m_r.begin(), m_r.end(), r.End(),
                                            [](const ByteRange& a, int64_t end) { return a.pos < end; });
        return after != m_r.begin() && std::prev(after)->End() > r.pos;
    }

private:
    std::vector<ByteRange> m_r;
};

// The byte order "II" or "MM" at pos names; 0 for anything else.
int OrderAt(const ByteReader& r, int64_t pos) {
    const uint8_t* b = r.Span(pos, 2);
    if (b == nullptr || b[0] != b[1]) return 0;
    return b[0] == 'I' ? ByteReader::kLittleEndian : b[0] == 'M' ? ByteReader::kBigEndian : 0;
}

// An IFD at `ifd` whose entry count, read in `order`, fits the note.
bool CountFits(const ByteReader& r, ByteRange note, int64_t ifd, int order) {
    uint16_t n = 0;
    return r.WithOrder(order).U16(ifd, n) && n > 0 && int64_t{n} <= (note.End() - ifd - 2) / kEntry;
}

// Samsung's first entry: 0x0001, undefined, 4 bytes, "0100".
bool SamsungFirstEntry(const ByteReader& r, ByteRange note, int order) {
    const ByteReader o = r.WithOrder(order);
    uint16_t tag = 0, type = 0;
    uint32_t count = 0;
    return note.len >= 14 && o.U16(note.pos + 2, tag) && tag == 1 && o.U16(note.pos + 4, type) && type == 7 &&
           o.U32(note.pos + 6, count) && count == 4 && r.Matches(note.pos + 10, '0', '1', '0', '0');
}

bool Recognise(const ByteReader& r, ByteRange note, const TiffScan& t, Layout& out) {
    const int64_t n = std::min<int64_t>(note.len, 16);
    const uint8_t* head = r.Span(note.pos, n);
    if (head == nullptr) return false;
    auto starts = [&](const char* sig, int64_t k) { return n >= k && std::memcmp(head, sig, static_cast<size_t>(k)) == 0; };
    const int exifOrder = t.bigEndian ? ByteReader::kBigEndian : ByteReader::kLittleEndian;
    const int otherOrder = t.bigEndian ? ByteReader::kLittleEndian : ByteReader::kBigEndian;
    const uint8_t* make = t.make.len >= 5 ? r.Span(t.make.pos, 5) : nullptr;
    const bool canon = make != nullptr && std::memcmp(make, "Canon", 5) == 0;
    if (starts("Nikon\0\x02", 7)) {
        // A TIFF header of its own at +10: its offsets count from there.
        const int order = OrderAt(r, note.pos + 10);
        uint16_t magic = 0;
        uint32_t ifd = 0;
        if (order == 0 || !r.WithOrder(order).U16(note.pos + 12, magic) || magic != 42 ||
            !r.WithOrder(order).U32(note.pos + 14, ifd))
            return false;
        out = MakeLayout(note.pos + 10 + int64_t{ifd}, note.pos + 10, order, kNikon);
    } else if (starts("Panasonic\0\0\0", 12)) {
        // No byte order of its own: the Exif one, unless its count does not fit.
        const int64_t ifd = note.pos + 12;
        const int order = CountFits(r, note, ifd, exifOrder) ? exifOrder
                          : CountFits(r, note, ifd, otherOrder) ? otherOrder : 0;
        if (order == 0) return false;
        out = MakeLayout(ifd, t.tiff, order, kPanasonic);
    } else if (starts("QVC\0", 4) || starts("DCI\0", 4)) {
        const int64_t ifd = note.pos + 6;
        const int order = CountFits(r, note, ifd, exifOrder) ? exifOrder
                          : CountFits(r, note, ifd, otherOrder) ? otherOrder : 0;
        if (order == 0) return false;
        out = MakeLayout(ifd, t.tiff, order, kCasio);
    } else if (starts("AOC\0", 4) && OrderAt(r, note.pos + 4) != 0) {
        out = MakeLayout(note.pos + 6, t.tiff, OrderAt(r, note.pos + 4), kPentax);
    } else if (starts("PENTAX \0", 8) && OrderAt(r, note.pos + 8) != 0) {
        out = MakeLayout(note.pos + 10, note.pos, OrderAt(r, note.pos + 8), kPentax);
    } else if (SamsungFirstEntry(r, note, exifOrder) || SamsungFirstEntry(r, note, otherOrder)) {
        const int order = SamsungFirstEntry(r, note, exifOrder) ? exifOrder : otherOrder;
        out = MakeLayout(note.pos, t.tiff, order, kSamsung);
    } else if (canon && CountFits(r, note, note.pos, exifOrder)) {
        // Canon's has no header: an IFD at once, in the Exif byte order,
        // offsets from the TIFF header; the Make says whose it is.
        out = MakeLayout(note.pos, t.tiff, exifOrder, kCanon);
    } else {
        return false;
    }
    return true;
}

// True when every byte of `v` is one that names nothing: a zero, and for
// a text also a space or a dash (a camera's "---").
bool Blank(const ByteReader& r, ByteRange v, bool text) {
    const uint8_t* b = r.Span(v.pos, v.len);
    if (b == nullptr) return false;
    return std::all_of(b, b + v.len, [&](uint8_t c) { return c == 0 || (text && (c == ' ' || c == '-')); });
}

// The place values of one note. `outer` holds what the walk keeps or
// clears, the maker notes left out.
void ScanNote(const ByteReader& content, ByteRange note, const TiffScan& t, const Taken& outer,
              std::vector<MakerPlace>& out) {
    Layout l;
    if (!Recognise(content, note, t, l)) return;
    const ByteReader r = content.WithOrder(l.order);
    auto inside = [&](ByteRange v) {
        return v.len >= 0 && v.pos >= note.pos && v.len <= note.len && v.pos - note.pos <= note.len - v.len;
    };
    uint16_t declared = 0;
    if (!inside({l.ifd, 2}) || !r.U16(l.ifd, declared)) return;
    // Entries wholly inside the note; the rest are not read.
    const int64_t count = std::min<int64_t>(declared, (note.End() - l.ifd - 2) / kEntry);
    Taken inner;  // the note's IFD and the values of its other entries
    const int64_t tableEnd = l.ifd + 2 + kEntry * count;
    inner.Add({l.ifd, tableEnd - l.ifd + (inside({tableEnd, 4}) ? 4 : 0)});

    struct Part {
        ByteRange v;
        uint8_t fill;
        bool text, inEntry;
    };
    std::vector<Part> parts;
    for (int64_t i = 0; i < count; ++i) {
        const int64_t e = l.ifd + 2 + kEntry * i;
        uint16_t tag = 0, type = 0;
        uint32_t n = 0, off = 0;
        if (!r.U16(e, tag) || !r.U16(e + 2, type) || !r.U32(e + 4, n) || !r.U32(e + 8, off)) break;
        const int64_t size = int64_t{n} * TiffUnitSize(type);
        const bool inEntry = size <= 4;
        const ByteRange v = inEntry ? ByteRange{e + 8, size} : ByteRange{l.base + off, size};
        const PlaceTag* p = std::find_if(l.begin, l.end, [&](const PlaceTag& k) { return k.tag == tag; });
        if (p == l.end) {
            if (!inEntry) inner.Add(v);
            continue;
        }
        if (size == 0) continue;
        if (!inside(v)) {
            // Not where this note's values are: the bytes its offset names
            // cannot be taken for the place.
            out.push_back({{e, kEntry}, 0, false, FindWhy::MakerPlaceOutside});
            continue;
        }
        switch (p->value) {
        case Value::Text: parts.push_back({v, ' ', true, inEntry}); break;
        case Value::Code: parts.push_back({v, 0, false, inEntry}); break;
        case Value::NikonLocation: {
            uint8_t encoding = 0;
            r.U8(v.pos + 4, encoding);
            if (size > 5) parts.push_back({{v.pos + 5, std::min<int64_t>(size, 8) - 5}, 0, false, inEntry});
            // UTF-16 text blanked with spaces would read as other characters.
            if (size > 9)
                parts.push_back({{v.pos + 9, std::min<int64_t>(size, 79) - 9}, encoding == 2 ? uint8_t{0} : uint8_t{' '},
                                 true, inEntry});
            break;
        }
        case Value::PentaxTimes:
            if (size > 2) parts.push_back({{v.pos + 2, std::min<int64_t>(size, 4) - 2}, 0, false, inEntry});
            break;
        case Value::CanonTimes:
            if (size >= 12) parts.push_back({{v.pos + 8, 4}, 0, false, inEntry});
            break;
        }
    }
    inner.Seal();
    for (const Part& p : parts) {
        if (Blank(r, p.v, p.text)) continue;
        // A value in its own entry shares the table only with itself.
        bool shared = outer.Meets(p.v) || (!p.inEntry && inner.Meets(p.v));
        for (const ByteRange& other : t.makerNotes)
            if (!(other.pos == note.pos && other.len == note.len) && other.pos < p.v.End() && p.v.pos < other.End())
                shared = true;
        out.push_back({p.v, p.fill, !shared, shared ? FindWhy::MakerPlaceSharesBytes : FindWhy::None});
    }
}

}  // namespace

std::vector<MakerPlace> ScanMakerNotePlaces(const ByteReader& content, const TiffScan& t) {
    std::vector<MakerPlace> out;
    if (t.makerNotes.empty()) return out;
    // What the walk keeps (each note's own range once left out) and what
    // a strip of the GPS IFDs clears.
    Taken outer;
    std::vector<ByteRange> notes = t.makerNotes;
    for (const ByteRange& k : t.keep) {
        const auto same = std::find_if(notes.begin(), notes.end(),
                                       [&](const ByteRange& n) { return n.pos == k.pos && n.len == k.len; });
        if (same != notes.end()) notes.erase(same);
        else outer.Add(k);
    }
    for (const GpsIfdScan& g : t.gps) {
        if (g.outsideSegment) continue;
        outer.Add({g.pos, t.layout.Table(static_cast<uint64_t>(g.inside))});
        for (const ByteRange& v : g.values) outer.Add(v);
    }
    outer.Seal();
    for (const ByteRange& note : t.makerNotes) ScanNote(content, note, t, outer, out);
    return out;
}
