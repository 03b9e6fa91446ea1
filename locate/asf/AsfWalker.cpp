#include "locate/asf/AsfWalker.h"

#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Sink.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Guid = std::array<uint8_t, 16>;

// GUIDs as the file stores them: the first three fields little-endian.
constexpr Guid kHeader{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kData{0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kDescription{0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                            0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kExtendedDescription{0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                    0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
constexpr Guid kHeaderExtension{0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr Guid kMetadata{0xEA, 0xCB, 0xF8, 0xC5, 0xAF, 0x5B, 0x77, 0x48,
                         0x84, 0x67, 0xAA, 0x8C, 0x44, 0xFA, 0x4C, 0xCA};
constexpr Guid kMetadataLibrary{0x94, 0x1C, 0x23, 0x44, 0x98, 0x94, 0xD1, 0x49,
                                0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54};
// XMP's GUID, as writers store it: in the order it is written, or as the
// other GUIDs are.
constexpr Guid kXmp{0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8, 0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC};
constexpr Guid kXmpMixed{0xCB, 0xCF, 0x7A, 0xBE, 0xA9, 0x97, 0xE8, 0x42,
                         0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC};

constexpr int64_t kObjectHead = 24, kHeaderHead = 30, kExtensionHead = 22;
constexpr int64_t kMaxNarrow = int64_t{16} << 20;
constexpr int kMaxNest = 4;

// The value types of attributes.
enum : uint16_t { kString = 0, kBytes = 1, kBool = 2, kDword = 3, kQword = 4, kWord = 5, kGuid = 6 };

// An attribute's name without its prefix ("WM/", "com.apple.quicktime."
// is not used here): "WM/Latitude" names what "Latitude" does.
std::string Leaf(const std::string& name) {
    const size_t cut = name.find_last_of("/:");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

class Walk {
public:
    explicit Walk(Sink& sink) : m_sink(sink), m_file(sink.File().WithOrder(ByteReader::kLittleEndian)) {}

    // The objects in r, one after another; bytes no object header explains
    // after them follow the opaque rule.
    void Objects(ByteRange r, int depth, const Carrier& c) {
        int64_t pos = r.pos;
        while (r.End() - pos >= kObjectHead) {
            const uint8_t* at = m_file.Span(pos, 16);
            if (at == nullptr) break;
            // A copy: the reads after it may give the page back.
            Guid id;
            std::memcpy(id.data(), at, id.size());
            const uint8_t* guid = id.data();
            int64_t size = 0;
            if (!U64(pos + 16, size)) break;
            const bool data = depth == 0 && Is(guid, kData);
            // The data object of a stream being broadcast has no size: it runs to the end.
            if (data && (size == 0 || size > r.End() - pos)) return;
            if (size < kObjectHead || size > r.End() - pos) break;
            if (!data) Object(guid, {pos, size}, depth, c);
            pos += size;
        }
        Opaque({pos, r.End() - pos}, c);
    }

private:
    static bool Is(const uint8_t* p, const Guid& g) { return std::memcmp(p, g.data(), g.size()) == 0; }

    bool U64(int64_t pos, int64_t& out) const {
        uint32_t lo = 0, hi = 0;
        if (!m_file.U32(pos, lo) || !m_file.U32(pos + 4, hi) || hi >= 0x80000000u) return false;
        out = int64_t{hi} << 32 | lo;
        return true;
    }

    // Bytes the walk does not take apart: their text, and their UTF-16
    // text read as ASCII (at either byte's parity), by the opaque rule.
    void Opaque(ByteRange r, const Carrier& c) {
        if (r.len <= 0 || m_sink.Opaque(r, FindKind::Unparsed, FindWhy::ObjectsUnparsed, FindWhy::ObjectsUnparsed, c))
            return;
        const uint8_t* p = r.len <= kMaxNarrow ? m_file.Span(r.pos, r.len) : nullptr;
        if (p == nullptr) return;
        const std::vector<uint8_t> even = NarrowUtf16(p, r.len & ~int64_t{1}, false),
                                   odd = NarrowUtf16(p + 1, (r.len - 1) & ~int64_t{1}, false);
        if (!m_sink.OpaqueHeld(even, r, FindWhy::ObjectsUnparsed, c, false))
            m_sink.OpaqueHeld(odd, r, FindWhy::ObjectsUnparsed, c, false);
    }

    void Object(const uint8_t* guid, ByteRange o, int depth, const Carrier& c) {
        const ByteRange d{o.pos + kObjectHead, o.len - kObjectHead};
        if (depth == 0 && Is(guid, kHeader) && o.len >= kHeaderHead) {
            Objects({o.pos + kHeaderHead, o.len - kHeaderHead}, depth + 1, c.Then("header"));
        } else if (depth > 0 && depth < kMaxNest && Is(guid, kHeaderExtension) && d.len >= kExtensionHead) {
            uint32_t len = 0;
            m_file.U32(d.pos + 18, len);
            const int64_t inner = std::min<int64_t>(len, d.len - kExtensionHead);
            Objects({d.pos + kExtensionHead, inner}, depth + 1, c.Then("header extension"));
            Opaque({d.pos + kExtensionHead + inner, d.len - kExtensionHead - inner}, c);
        } else if (Is(guid, kDescription)) {
            Description(d, c.Then("content description"));
        } else if (Is(guid, kExtendedDescription)) {
            Attributes(d, false, c.Then("extended content description"));
        } else if (Is(guid, kMetadata) || Is(guid, kMetadataLibrary)) {
            Attributes(d, true, c.Then(Is(guid, kMetadata) ? "metadata" : "metadata library"));
        } else if (Is(guid, kXmp) || Is(guid, kXmpMixed)) {
            m_sink.Xmp(d, d, c.Then("XMP"));
        } else {
            Opaque(d, c);
        }
    }

    // Five lengths (title, author, copyright, description, rating), then
    // the five texts.
    void Description(ByteRange d, const Carrier& c) {
        static const char* const kNames[] = {"title", "author", "copyright", "description", "rating"};
        int64_t pos = d.pos + 10;
        for (int i = 0; i < 5; ++i) {
            uint16_t len = 0;
            if (!m_file.U16(d.pos + 2 * i, len) || len > d.End() - pos) {
                Opaque({d.pos, d.len}, c);
                return;
            }
            Text({pos, len}, kNames[i], c.Then(kNames[i]));
            pos += len;
        }
        Opaque({pos, d.End() - pos}, c);
    }

    // The extended content description's attributes (a count; each a name's
    // length, the name, a type, a value's length, the value) or a metadata
    // object's records (a count; each two numbers, the name's length, a
    // type, a 32-bit value length, the name, the value).
    void Attributes(ByteRange d, bool records, const Carrier& c) {
        uint16_t count = 0;
        int64_t pos = d.pos + 2;
        if (!m_file.U16(d.pos, count)) pos = d.pos;
        for (int i = 0; i < count; ++i) {
            uint16_t nameLen = 0, type = 0, len16 = 0;
            uint32_t len32 = 0;
            int64_t name = 0, value = 0, valueLen = 0;
            if (records) {
                if (!m_file.U16(pos + 4, nameLen) || !m_file.U16(pos + 6, type) || !m_file.U32(pos + 8, len32)) break;
                name = pos + 12;
                value = name + nameLen;
                valueLen = len32;
            } else {
                if (!m_file.U16(pos, nameLen) || !m_file.U16(pos + 2 + nameLen, type) ||
                    !m_file.U16(pos + 4 + nameLen, len16))
                    break;
                name = pos + 2;
                value = name + nameLen + 4;
                valueLen = len16;
            }
            if (value > d.End() || valueLen > d.End() - value) break;
            const uint8_t* n = m_file.Span(name, nameLen);
            const std::vector<uint8_t> narrow = NarrowUtf16(n, nameLen & ~1, false);
            std::string text(narrow.begin(), narrow.end());
            text = text.substr(0, text.find('\0'));
            Value({value, valueLen}, type, records, text, c.Then(text));
            pos = value + valueLen;
        }
        Opaque({pos, d.End() - pos}, c);
    }

    // A UTF-16 text at r (its terminator kept).
    void Text(ByteRange r, const std::string& name, const Carrier& c) {
        if (Utf16TextAt(m_sink, r, false, Leaf(name), c) == TextRead::Unreadable) Opaque(r, c);
    }

    void Value(ByteRange v, uint16_t type, bool records, const std::string& name, const Carrier& c) {
        switch (type) {
        case kString: Text(v, name, c); return;
        case kBytes: Bytes(v, name, c); return;
        case kDword: case kQword: case kWord: case kBool: {
            const uint8_t* p = v.len <= 8 ? m_file.Span(v.pos, v.len) : nullptr;
            // A boolean is 4 bytes in the extended content description, 2 in a record.
            const bool number = type != kBool && p != nullptr && v.len == (type == kQword ? 8 : type == kDword ? 4 : 2);
            if (!number && !(type == kBool && v.len == (records ? 2 : 4))) Opaque(v, c);
            if (!number || !NamesPosition(Leaf(name))) return;
            if (std::all_of(p, p + v.len, [](uint8_t b) { return b == 0; })) return;
            PositionFind f(FindKind::Location, v.pos, true);
            f.len = v.len;
            StripPlan plan;
            plan.fills.push_back({plan.AddMap(ContentMap(v)), 0, v.len, 0, {}});
            m_sink.AddPayload({f}, plan, c);
            return;
        }
        case kGuid: if (v.len != 16) Opaque(v, c); return;
        default: Opaque(v, c); return;
        }
    }

    // A bytes value: a picture (WM/Picture: its type, its length, a MIME
    // type and a description in UTF-16, then the picture), or a file of
    // another kind, walked as the file it is.
    void Bytes(ByteRange v, const std::string& name, const Carrier& c) {
        ByteRange held = v;
        if (name == "WM/Picture") {
            int64_t at = v.pos + 5;
            for (int s = 0; s < 2; ++s) {  // the MIME type, the description
                uint16_t ch = 1;
                while (at < v.End() && m_file.U16(at, ch) && ch != 0) at += 2;
                at += 2;
            }
            uint32_t len = 0;
            if (at <= v.End() && m_file.U32(v.pos + 1, len) && len <= v.End() - at) held = {at, len};
        }
        if (held.len == 0 || !m_sink.FileAt(held, c)) {
            Opaque(v, c);
            return;
        }
        Opaque({v.pos, held.pos - v.pos}, c);
        Opaque({held.End(), v.End() - held.End()}, c);
    }

    Sink& m_sink;
    const ByteReader m_file;
};

}  // namespace

bool StartsAsf(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kHeaderHead ? file.Span(pos, kHeaderHead) : nullptr;
    if (p == nullptr || std::memcmp(p, kHeader.data(), kHeader.size()) != 0) return false;
    uint64_t size = 0;
    for (int i = 7; i >= 0; --i) size = size << 8 | p[16 + i];
    return size >= uint64_t{kHeaderHead};
}

void WalkAsfContainer(ByteRange whole, const Carrier& at, Sink& sink) { Walk(sink).Objects(whole, 0, at); }
