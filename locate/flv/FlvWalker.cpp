#include "locate/flv/FlvWalker.h"

#include "locate/NamedValues.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int64_t kHeader = 9, kTagHeader = 11, kTagSize = 4;
constexpr uint8_t kSound = 8, kPictures = 9, kScript = 18, kEncrypted = 0x20;
constexpr int kMaxNest = 32;  // objects inside objects; more is not believed

// AMF0's value types.
enum : uint8_t {
    kNumber = 0, kBoolean = 1, kString = 2, kObject = 3, kNull = 5, kUndefined = 6, kReference = 7,
    kEcmaArray = 8, kObjectEnd = 9, kStrictArray = 10, kDate = 11, kLongString = 12, kUnsupported = 13,
    kXmlDocument = 15, kTypedObject = 16,
};

// What the name above a value names.
enum class Under : uint8_t { Nothing, Position, Place };

// One script tag's AMF0 values, read from the n bytes at p: where the
// strings and the numbers lie, sorted by the names above them.
class Amf {
public:
    Amf(const uint8_t* p, int64_t n) : m_p(p), m_n(n) {}

    // False when the data is not a run of whole AMF0 values.
    bool Read() {
        int64_t at = 0;
        while (at < m_n)
            if (!Value(at, 0, Under::Nothing)) return false;
        return true;
    }

    NamedValues values;
    std::vector<ByteRange> numbers;  // a position's numbers (8-byte doubles)
    std::vector<ByteRange> xmp;      // strings holding an XMP packet

private:
    bool Has(int64_t at, int64_t n) const { return n >= 0 && at <= m_n && n <= m_n - at; }
    uint64_t Be(int64_t at, int bytes) const {
        uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | m_p[at + i];
        return v;
    }
    // A string's bytes after its length of `bytes` bytes.
    bool Text(int64_t& at, int bytes, ByteRange& out) const {
        if (!Has(at, bytes)) return false;
        const auto len = static_cast<int64_t>(Be(at, bytes));
        if (!Has(at + bytes, len)) return false;
        out = {at + bytes, len};
        at += bytes + len;
        return true;
    }
    void String(ByteRange r, Under under) {
        const std::string_view s(reinterpret_cast<const char*>(m_p + r.pos), static_cast<size_t>(r.len));
        if (s.find("<x:xmpmeta") != std::string_view::npos || s.find("<?xpacket") != std::string_view::npos)
            xmp.push_back(r);
        else if (under == Under::Position) values.texts.push_back(r);
        else if (under == Under::Place) values.places.push_back(r);
        else values.strings.push_back(r);
    }
    // Names and values up to the end marker (a name of no bytes, then
    // 9); an ECMA array may end with the data instead.
    bool Properties(int64_t& at, int depth, Under under, bool mayEnd) {
        while (true) {
            if (mayEnd && at == m_n) return true;
            ByteRange name;
            if (!Text(at, 2, name)) return false;
            if (name.len == 0 && Has(at, 1) && m_p[at] == kObjectEnd) {
                ++at;
                return true;
            }
            const std::string_view n(reinterpret_cast<const char*>(m_p + name.pos), static_cast<size_t>(name.len));
            const Under u = under != Under::Nothing ? under
                            : NamesPosition(n)     ? Under::Position
                            : NamesPlace(n)        ? Under::Place
                                                   : Under::Nothing;
            if (!Value(at, depth + 1, u)) return false;
        }
    }
    bool Value(int64_t& at, int depth, Under under) {
        if (depth > kMaxNest || !Has(at, 1)) return false;
        const uint8_t type = m_p[at++];
        ByteRange r;
        switch (type) {
        case kNumber:
            if (!Has(at, 8)) return false;
            if (under == Under::Position && Be(at, 8) << 1 != 0) numbers.push_back({at, 8});  // not ±0
            at += 8;
            return true;
        case kBoolean: return Skip(at, 1);
        case kReference: return Skip(at, 2);
        case kDate: return Skip(at, 10);
        case kNull: case kUndefined: case kUnsupported: return true;
        case kString:
            if (!Text(at, 2, r)) return false;
            String(r, under);
            return true;
        case kLongString: case kXmlDocument:
            if (!Text(at, 4, r)) return false;
            String(r, under);
            return true;
        case kObject: return Properties(at, depth, under, false);
        case kTypedObject: return Text(at, 2, r) && Properties(at, depth, under, false);
        case kEcmaArray: return Skip(at, 4) && Properties(at, depth, under, true);
        case kStrictArray: {
            if (!Has(at, 4)) return false;
            const auto count = static_cast<int64_t>(Be(at, 4));
            at += 4;
            if (count > m_n - at) return false;  // each value takes a byte at least
            for (int64_t i = 0; i < count; ++i)
                if (!Value(at, depth + 1, under)) return false;
            return true;
        }
        default: return false;  // a movie clip, AMF3, a type no version names
        }
    }
    bool Skip(int64_t& at, int64_t n) const {
        if (!Has(at, n)) return false;
        at += n;
        return true;
    }

    const uint8_t* m_p;
    int64_t m_n;
};

void Opaque(Sink& sink, ByteRange r, const Carrier& c) {
    sink.Opaque(r, FindKind::Unparsed, FindWhy::TagsUnparsed, FindWhy::TagsUnparsed, c);
}

// A script tag's data at r.
void Script(Sink& sink, ByteRange r, const Carrier& c) {
    const uint8_t* p = sink.File().Span(r.pos, r.len);
    Amf amf(p, r.len);
    if (p == nullptr || !amf.Read()) {
        Opaque(sink, r, c);
        return;
    }
    for (const ByteRange& x : amf.xmp) sink.Xmp({r.pos + x.pos, x.len}, {r.pos + x.pos, x.len}, c);
    AddNamedValues(sink, p, r, amf.values, c);
    if (amf.numbers.empty()) return;
    StripPlan plan;
    for (const ByteRange& x : amf.numbers)
        plan.fills.push_back({plan.AddMap(ContentMap({r.pos + x.pos, x.len})), 0, x.len, 0, {}});
    PositionFind f(FindKind::Location, r.pos + amf.numbers.front().pos, true);
    f.len = amf.numbers.back().End() - amf.numbers.front().pos;
    sink.AddPayload({f}, plan, c);
}

}  // namespace

bool StartsFlv(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kHeader ? file.Span(pos, kHeader) : nullptr;
    // "FLV", version 1, only the sound and pictures flags (bits 2 and 0).
    return p != nullptr && p[0] == 'F' && p[1] == 'L' && p[2] == 'V' && p[3] == 1 && (p[4] & 0xFA) == 0 &&
           (uint32_t{p[5]} << 24 | p[6] << 16 | p[7] << 8 | p[8]) >= kHeader;
}

void WalkFlvContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader f = sink.File().WithOrder(ByteReader::kBigEndian);
    const int64_t end = whole.End();
    uint32_t headerLen = 0;
    if (!f.U32(whole.pos + 5, headerLen) || headerLen > whole.len) {
        sink.NotTakenApart(whole, at);
        return;
    }
    // The bytes of the header past its 9 are no tag's.
    int64_t pos = whole.pos + headerLen;
    if (headerLen > kHeader) Opaque(sink, {whole.pos + kHeader, headerLen - kHeader}, at);
    int64_t n = 0, rest = -1;  // rest: where bytes no tag header explains start
    while (end - pos >= kTagSize + kTagHeader) {
        const int64_t tag = pos + kTagSize;
        uint32_t head = 0, stream = 0;
        f.U32(tag, head);
        f.U32(tag + 7, stream);
        const auto type = static_cast<uint8_t>(head >> 24);  // its top two bits are reserved: 0
        const int64_t len = head & 0xFFFFFF, data = tag + kTagHeader;
        const uint8_t plain = type & ~kEncrypted;
        // Stream ids are 0; a tag of another header is not believed, and
        // neither is what follows it.
        if ((plain != kSound && plain != kPictures && plain != kScript) || (stream & 0xFFFFFF) != 0) {
            rest = tag;
            break;
        }
        if (len > end - data) {  // cut short by the file's end
            Opaque(sink, {tag, end - tag}, at.Then("tag " + std::to_string(n)));
            return;
        }
        if (type == kScript) Script(sink, {data, len}, at.Then("script data"));
        else if (plain == kScript) Opaque(sink, {data, len}, at.Then("tag " + std::to_string(n)));
        pos = data + len;
        ++n;
    }
    // After the last tag's size: bytes too few for a tag.
    if (rest < 0) rest = std::min(pos + kTagSize, end);
    if (rest < end) Opaque(sink, {rest, end - rest}, at);
}
