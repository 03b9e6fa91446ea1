#include "locate/id3/Id3Walker.h"

#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Sink.h"
#include "locate/id3/ApeTag.h"
#include "locate/payload/TimedGps.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int64_t kHeader = 10, kId3v1 = 128;
// Frames whose content is read: texts are short; a picture's header is
// read, its data walked where it lies.
constexpr int64_t kMaxText = int64_t{1} << 20, kMaxHead = 4096;
constexpr int kMaxTags = 16;  // tags one after another at the start
constexpr int kMaxChapterDepth = 4;  // chapters hold frames; a table of contents holds none deeper

enum : uint8_t { kLatin1 = 0, kUtf16 = 1, kUtf16Be = 2, kUtf8 = 3 };

struct Header {
    int version = 0;  // 2, 3 or 4
    uint8_t flags = 0;
    int64_t size = 0;  // the frames' bytes (with the extended header), without header and footer
};

bool Syncsafe(const uint8_t* p, int n, int64_t& out) {
    out = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] & 0x80) return false;
        out = out << 7 | p[i];
    }
    return true;
}

int64_t Be(const uint8_t* p, int n) {
    int64_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

bool ReadHeader(const ByteReader& f, int64_t pos, int64_t end, Header& h) {
    const uint8_t* p = end - pos >= kHeader ? f.Span(pos, kHeader) : nullptr;
    if (p == nullptr || std::memcmp(p, "ID3", 3) != 0 || p[3] < 2 || p[3] > 4 || p[4] == 0xFF) return false;
    h.version = p[3];
    h.flags = p[5];
    return Syncsafe(p + 6, 4, h.size);
}

// Where a string in encoding `enc` that starts at `at` ends (its
// terminator, or `end`), and where what follows it starts.
int64_t StringEnd(const uint8_t* p, int64_t at, int64_t end, uint8_t enc, int64_t& next) {
    const bool wide = enc == kUtf16 || enc == kUtf16Be;
    for (int64_t i = at; i + (wide ? 1 : 0) < end; i += wide ? 2 : 1)
        if (p[i] == 0 && (!wide || p[i + 1] == 0)) {
            next = i + (wide ? 2 : 1);
            return i;
        }
    next = end;
    return end;
}

// The text of a value as its ASCII characters (UTF-16 narrowed after its
// byte order mark), and where its characters start.
std::vector<uint8_t> Narrow(const uint8_t* p, int64_t n, uint8_t enc, int64_t& skip) {
    skip = 0;
    if (enc != kUtf16 && enc != kUtf16Be) return std::vector<uint8_t>(p, p + n);
    bool big = enc == kUtf16Be;
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        big = p[0] == 0xFE;
        skip = 2;
    }
    return NarrowUtf16(p + skip, (n - skip) & ~int64_t{1}, big);
}

std::string Ascii(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

class Walk {
public:
    Walk(Sink& sink, const Carrier& at) : m_sink(sink), m_file(sink.File()), m_at(at) {}

    void Tag(ByteRange r) {
        Header h;
        if (!ReadHeader(m_file, r.pos, r.End(), h)) {
            Opaque(r, m_at);
            return;
        }
        const Carrier c = m_at.Then("ID3v2." + std::to_string(h.version));
        int64_t pos = r.pos + kHeader;
        const int64_t end = std::min(r.End(), pos + h.size);
        // Unsynchronised or compressed (ID3v2.2) throughout: not taken apart.
        if ((h.flags & 0x80) || (h.version == 2 && (h.flags & 0x40))) {
            Opaque({pos, end - pos}, c);
            return;
        }
        if (h.version > 2 && (h.flags & 0x40)) {  // an extended header
            const uint8_t* x = end - pos >= 4 ? m_file.Span(pos, 4) : nullptr;
            int64_t len = 0;  // ID3v2.3's counts the bytes after its own size
            const bool read = x != nullptr && (h.version == 4 ? Syncsafe(x, 4, len) : (len = Be(x, 4) + 4) > 0);
            if (!read || len > end - pos) {
                Opaque({pos, end - pos}, c);
                return;
            }
            Opaque({pos, len}, c);
            pos += len;
        }
        Frames({pos, end - pos}, h.version, c);
    }

private:
    void Opaque(ByteRange r, const Carrier& c) {
        if (r.len > 0) m_sink.Opaque(r, FindKind::Unparsed, FindWhy::FramesUnparsed, FindWhy::FramesUnparsed, c);
    }

    void Frames(ByteRange r, int version, const Carrier& c) {
        const int64_t head = version == 2 ? 6 : 10, idLen = version == 2 ? 3 : 4;
        int64_t pos = r.pos;
        while (r.End() - pos >= head) {
            const uint8_t* p = m_file.Span(pos, head);
            if (p == nullptr) break;
            const std::string id(reinterpret_cast<const char*>(p), static_cast<size_t>(idLen));
            // Padding (zeros), or bytes that are no frame: the rest.
            const auto letter = [](char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9'); };
            if (!std::all_of(id.begin(), id.end(), letter)) break;
            int64_t size = 0;
            if (version == 2) size = Be(p + 3, 3);
            // Some writers' ID3v2.4 sizes are plain numbers.
            else if (version == 3 || !Syncsafe(p + 4, 4, size)) size = Be(p + 4, 4);
            const uint16_t flags = version == 2 ? 0 : static_cast<uint16_t>(p[8] << 8 | p[9]);
            const int64_t data = pos + head;
            if (size > r.End() - data) break;
            Frame(id, flags, version, {data, size}, c.Then(id));
            pos = data + size;
        }
        Opaque({pos, r.End() - pos}, c);
    }

    void Frame(std::string id, uint16_t flags, int version, ByteRange d, const Carrier& c) {
        int64_t skip = 0;
        bool sealed = false;
        if (version == 3) {
            sealed = flags & 0x00C0;  // compressed, encrypted
            skip = (flags & 0x0020) ? 1 : 0;
        } else if (version == 4) {
            sealed = flags & 0x000E;  // compressed, encrypted, unsynchronised
            skip = ((flags & 0x0040) ? 1 : 0) + ((flags & 0x0001) ? 4 : 0);
        }
        if (sealed || skip > d.len) {
            Opaque(d, c);
            return;
        }
        d = {d.pos + skip, d.len - skip};
        // ID3v2.2's names of the frames read here.
        if (version == 2) {
            static constexpr std::pair<std::string_view, std::string_view> kOld[] = {
                {"TXX", "TXXX"}, {"COM", "COMM"}, {"ULT", "USLT"}, {"PIC", "APIC"}, {"GEO", "GEOB"}};
            const auto* hit =
                std::find_if(std::begin(kOld), std::end(kOld), [&](const auto& o) { return o.first == id; });
            id = hit != std::end(kOld) ? std::string(hit->second) : id[0] == 'T' ? "T" + id : id;
        }
        const bool text = id[0] == 'T' || id == "COMM" || id == "USLT";
        const int64_t headLen = std::min(d.len, text ? kMaxText : kMaxHead);
        const uint8_t* p = headLen > 0 ? m_file.Span(d.pos, headLen) : nullptr;
        if (p == nullptr || (text && d.len > kMaxText)) {
            Opaque(d, c);
            return;
        }
        uint8_t enc = p[0];
        int64_t at = 1, next = 0;
        if (id == "PRIV") {
            const int64_t owner = StringEnd(p, 0, headLen, kLatin1, next);
            if (std::string_view(reinterpret_cast<const char*>(p), static_cast<size_t>(owner)) == "XMP")
                m_sink.Xmp({d.pos + next, d.len - next}, d, c);
            else
                Opaque(d, c);
            return;
        }
        // A text of an encoding no version defines (a damaged byte) is
        // read as Latin-1, as readers still show it.
        if (enc > kUtf8 && text) enc = kLatin1;
        if (enc > kUtf8 && (id == "APIC" || id == "GEOB")) {
            Opaque(d, c);
            return;
        }
        if (id == "APIC" || id == "GEOB") {
            if (version == 2 && id == "APIC") at += 3;                 // an image format of three letters
            else StringEnd(p, at, headLen, kLatin1, next), at = next;  // a MIME type
            if (id == "APIC") ++at;                                    // the picture's type
            else StringEnd(p, at, headLen, enc, next), at = next;      // a file's name
            StringEnd(p, at, headLen, enc, next);                      // a description
            const ByteRange held{d.pos + next, d.len - next};
            if (next >= headLen || !m_sink.FileAt(held, c)) Opaque(d, c);
            return;
        }
        if (id == "CHAP" || id == "CTOC") {
            Chapter(id, p, headLen, d, version, c);
            return;
        }
        if (!text) {
            Opaque(d, c);
            return;
        }
        std::string name = id;
        if (id == "TXXX" || id == "COMM" || id == "USLT") {
            if (id != "TXXX") at += 3;  // a language
            const int64_t descEnd = StringEnd(p, std::min(at, headLen), headLen, enc, next);
            int64_t bom = 0;
            const int64_t from = std::min(at, headLen);
            const std::string desc = Ascii(Narrow(p + from, descEnd - from, enc, bom));
            if (id == "TXXX" || !desc.empty()) name = desc;
            // Readers show the description too: one naming a coordinate
            // (its terminator damaged, the value run into it) is a text.
            if (descEnd > from) Value(p, d.pos, {from, descEnd - from}, enc, "", c);
            at = next;
        }
        if (at < headLen) Value(p, d.pos, {at, headLen - at}, enc, name, name == id ? c : c.Then(name));
    }

    // A chapter (its element ID and times) or a table of contents (its ID,
    // flags and the IDs it lists), then frames of its own: the chapter's
    // title among them, read as the tag's frames are.
    void Chapter(const std::string& id, const uint8_t* p, int64_t headLen, ByteRange d, int version,
                 const Carrier& c) {
        int64_t next = 0;
        StringEnd(p, 0, headLen, kLatin1, next);
        int64_t at = next + (id == "CHAP" ? 16 : 2);
        if (id == "CTOC" && at <= headLen)
            for (int i = 0; i < p[at - 1] && at < headLen; ++i) StringEnd(p, at, headLen, kLatin1, next), at = next;
        if (at > headLen || m_depth >= kMaxChapterDepth) {
            Opaque(d, c);
            return;
        }
        ++m_depth;
        Frames({d.pos + at, d.len - at}, version, c);
        --m_depth;
    }

    // A text value at v (offsets from the frame's data at `base`).
    void Value(const uint8_t* p, int64_t base, ByteRange v, uint8_t enc, const std::string& name, const Carrier& c) {
        const bool wide = enc == kUtf16 || enc == kUtf16Be;
        int64_t end = v.End();
        while (end > v.pos && p[end - 1] == 0) --end;  // terminators
        if (wide) end = std::min(v.End(), v.pos + ((end - v.pos + 1) & ~int64_t{1}));
        int64_t skip = 0;
        const std::vector<uint8_t> text = Narrow(p + v.pos, end - v.pos, enc, skip);
        AddTextValue(m_sink, {base + v.pos + skip, end - v.pos - skip}, text, name, wide, c);
    }

    Sink& m_sink;
    const ByteReader& m_file;
    Carrier m_at;
    int m_depth = 0;  // chapters around the frames being walked
};

// ID3v1's 128 bytes at `pos` (read into v1): "TAG", then fields of fixed
// length in Latin-1 (title, artist, album, year, comment, with a track
// number in the comment's last two bytes, a genre), each padded with zeros
// or spaces.
void WalkId3v1(Sink& sink, const uint8_t* v1, int64_t pos, const Carrier& c) {
    static constexpr struct { int at, len; const char* name; } kFields[] = {
        {3, 30, "title"}, {33, 30, "artist"}, {63, 30, "album"}, {93, 4, "year"}, {97, 30, "comment"}};
    // Copies: a find's report may read the file and give the tag's page back.
    const std::vector<uint8_t> tag(v1, v1 + kId3v1);
    for (const auto& field : kFields) {
        int64_t n = field.len;
        while (n > 0 && (tag[field.at + n - 1] == 0 || tag[field.at + n - 1] == ' ')) --n;
        const std::vector<uint8_t> text(tag.begin() + field.at, tag.begin() + field.at + n);
        AddTextValue(sink, {pos + field.at, n}, text, field.name, false, c.Then(field.name));
    }
}

}  // namespace

bool StartsId3(const ByteReader& file, int64_t pos, int64_t end) {
    Header h;
    return ReadHeader(file, pos, end, h);
}

void WalkId3Tag(ByteRange r, const Carrier& at, Sink& sink) { Walk(sink, at).Tag(r); }

void WalkId3Container(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    Walk walk(sink, at);
    int64_t pos = whole.pos, end = whole.End();
    // Tags one after another at the start; the sound after them is not read.
    Header h;
    for (int n = 0; n < kMaxTags && ReadHeader(f, pos, end, h); ++n) {
        const int64_t footer = (h.version == 4 && (h.flags & 0x10)) ? kHeader : 0;
        const int64_t len = std::min(end - pos, kHeader + h.size + footer);
        walk.Tag({pos, len});
        pos += len;
    }
    // At the end: ID3v1's 128 bytes, an APE tag, an ID3v2.4 tag with its footer.
    const uint8_t* v1 = end - kId3v1 >= pos ? f.Span(end - kId3v1, kId3v1) : nullptr;
    if (v1 != nullptr && std::memcmp(v1, "TAG", 3) == 0) {
        WalkId3v1(sink, v1, end - kId3v1, at.Then("ID3v1"));
        end -= kId3v1;
    }
    if (const int64_t from = ApeTagStart(f, pos, end); from >= 0) {
        WalkApeTag({from, end - from}, at, sink);
        end = from;
    }
    const uint8_t* footer = end - kHeader >= pos ? f.Span(end - kHeader, kHeader) : nullptr;
    int64_t size = 0;
    if (footer != nullptr && std::memcmp(footer, "3DI", 3) == 0 && Syncsafe(footer + 6, 4, size) &&
        size <= end - pos - 2 * kHeader)
        walk.Tag({end - 2 * kHeader - size, size + 2 * kHeader});
}
