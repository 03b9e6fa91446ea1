#include "locate/aiff/AiffWalker.h"

#include "locate/NamedValues.h"
#include "locate/Sink.h"
#include "locate/id3/Id3Walker.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kFormHead = 12, kChunkHead = 8;

void Opaque(Sink& sink, ByteRange r, const Carrier& c) {
    if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::ChunksUnparsed, FindWhy::ChunksUnparsed, c);
}

// A text at r, its terminators and padding left out.
void Text(Sink& sink, ByteRange r, const std::string& name, const Carrier& c) {
    if (!AddTextAt(sink, r, name, c)) Opaque(sink, r, c);
}

// Comments: a count; each a time, a marker, a length and its text, padded
// to an even length.
void Comments(Sink& sink, const ByteReader& f, ByteRange d, const Carrier& c) {
    uint16_t count = 0;
    int64_t pos = d.pos + 2;
    if (!f.U16(d.pos, count)) pos = d.pos;
    for (int i = 0; i < count; ++i) {
        uint16_t len = 0;
        if (d.End() - pos < 8 || !f.U16(pos + 6, len) || len > d.End() - pos - 8) break;
        Text(sink, {pos + 8, len}, "comment", c.Then("comment " + std::to_string(i + 1)));
        pos = std::min(d.End(), pos + 8 + len + (len & 1));
    }
    Opaque(sink, {pos, d.End() - pos}, c);
}

void Chunk(Sink& sink, const ByteReader& f, const char* id, ByteRange d, const Carrier& c) {
    static constexpr std::pair<const char*, const char*> kTexts[] = {
        {"NAME", "name"}, {"AUTH", "author"}, {"(c) ", "copyright"}, {"ANNO", "annotation"}};
    for (const auto& [tid, name] : kTexts)
        if (std::memcmp(id, tid, 4) == 0) {
            Text(sink, d, name, c);
            return;
        }
    if (std::memcmp(id, "SSND", 4) == 0) return;  // the sound
    if (std::memcmp(id, "COMT", 4) == 0) {
        Comments(sink, f, d, c);
    } else if (std::memcmp(id, "ID3 ", 4) == 0 || std::memcmp(id, "id3 ", 4) == 0) {
        WalkId3Tag(d, c, sink);
    } else if (std::memcmp(id, "APPL", 4) == 0 && d.len >= 4 && f.Matches(d.pos, 'X', 'M', 'P', ' ')) {
        sink.Xmp({d.pos + 4, d.len - 4}, d, c.Then("XMP"));
    } else {
        Opaque(sink, d, c);
    }
}

}  // namespace

bool StartsAiff(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kFormHead ? file.Span(pos, kFormHead) : nullptr;
    return p != nullptr && std::memcmp(p, "FORM", 4) == 0 &&
           (std::memcmp(p + 8, "AIFF", 4) == 0 || std::memcmp(p + 8, "AIFC", 4) == 0);
}

void WalkAiffContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader f = sink.File().WithOrder(ByteReader::kBigEndian);
    uint32_t size = 0;
    f.U32(whole.pos + 4, size);
    // The form's chunks; bytes after the form follow the opaque rule.
    const int64_t end = std::min(whole.End(), whole.pos + kChunkHead + int64_t{size});
    int64_t pos = whole.pos + kFormHead;
    while (end - pos >= kChunkHead) {
        const uint8_t* id = f.Span(pos, 4);
        if (id == nullptr) break;
        const std::string name(reinterpret_cast<const char*>(id), 4);  // before a read gives the page back
        uint32_t len = 0;
        if (!f.U32(pos + 4, len)) break;
        const int64_t data = pos + kChunkHead;
        // A chunk cut short by the file's end (a recording stopped) is read as far as it goes.
        const int64_t n = std::min<int64_t>(len, end - data);
        Chunk(sink, f, name.c_str(), {data, n}, at.Then(name.substr(0, name.find_last_not_of(' ') + 1)));
        pos = std::min(end, data + n + (n & 1));
    }
    Opaque(sink, {pos, whole.End() - pos}, at);
}
