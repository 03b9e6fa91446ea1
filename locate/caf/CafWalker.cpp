#include "locate/caf/CafWalker.h"

#include "locate/NamedValues.h"
#include "locate/Sink.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kFileHead = 8, kChunkHead = 12;
constexpr int64_t kMaxInfo = int64_t{1} << 20;  // an information chunk read whole; a longer one is opaque
constexpr uint8_t kXmpUuid[16] = {0xBE, 0x7A, 0xCF, 0xCB, 0x97, 0xA9, 0x42, 0xE8,
                                  0x9C, 0x71, 0x99, 0x94, 0x91, 0xE3, 0xAF, 0xAC};

void Opaque(Sink& sink, ByteRange r, const Carrier& c) {
    if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::ChunksUnparsed, FindWhy::ChunksUnparsed, c);
}

// The information chunk's pairs; what its count does not explain is opaque.
void Info(Sink& sink, ByteRange d, const Carrier& c) {
    const uint8_t* p = d.len >= 4 && d.len <= kMaxInfo ? sink.File().Span(d.pos, d.len) : nullptr;
    if (p == nullptr) {
        Opaque(sink, d, c);
        return;
    }
    const uint32_t count = uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
    const uint8_t* end = p + d.len;
    const uint8_t* at = p + 4;
    // Copies: a find's report may read the file and give the chunk's pages back.
    std::vector<std::pair<std::string, ByteRange>> values;
    for (uint32_t i = 0; i < count; ++i) {
        const auto* keyEnd = static_cast<const uint8_t*>(std::memchr(at, 0, end - at));
        if (keyEnd == nullptr) break;
        const auto* valueEnd = static_cast<const uint8_t*>(std::memchr(keyEnd + 1, 0, end - keyEnd - 1));
        if (valueEnd == nullptr) break;
        values.push_back({std::string(at, keyEnd), {keyEnd + 1 - p, valueEnd - keyEnd - 1}});
        at = valueEnd + 1;
    }
    const int64_t rest = at - p;
    std::vector<std::vector<uint8_t>> texts;
    for (const auto& [key, v] : values) texts.emplace_back(p + v.pos, p + v.End());
    for (size_t i = 0; i < values.size(); ++i) {
        const auto& [key, v] = values[i];
        AddTextValue(sink, {d.pos + v.pos, v.len}, texts[i], key, false, c.Then(key));
    }
    Opaque(sink, {d.pos + rest, d.len - rest}, c);
}

void Chunk(Sink& sink, const std::string& type, ByteRange d, const Carrier& c) {
    if (type == "data") return;  // the audio
    if (type == "info") {
        Info(sink, d, c);
        return;
    }
    const uint8_t* uuid = type == "uuid" && d.len >= 16 ? sink.File().Span(d.pos, 16) : nullptr;
    if (uuid != nullptr && std::memcmp(uuid, kXmpUuid, 16) == 0)
        sink.Xmp({d.pos + 16, d.len - 16}, d, c.Then("XMP"));
    else
        Opaque(sink, d, c);
}

}  // namespace

bool StartsCaf(const ByteReader& file, int64_t pos, int64_t end) {
    const uint8_t* p = end - pos >= kFileHead ? file.Span(pos, kFileHead) : nullptr;
    return p != nullptr && std::memcmp(p, "caff\0\x01", 6) == 0;
}

void WalkCafContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader f = sink.File().WithOrder(ByteReader::kBigEndian);
    int64_t pos = whole.pos + kFileHead;
    while (whole.End() - pos >= kChunkHead) {
        const uint8_t* t = f.Span(pos, 4);
        if (t == nullptr) break;
        const std::string type(reinterpret_cast<const char*>(t), 4);  // before a read gives the page back
        uint32_t hi = 0, lo = 0;
        if (!f.U32(pos + 4, hi) || !f.U32(pos + 8, lo)) break;
        const int64_t data = pos + kChunkHead, room = whole.End() - data;
        // -1: the audio data, to the end. A size past the end is not believed.
        const bool toEnd = hi == 0xFFFFFFFFu && lo == 0xFFFFFFFFu && type == "data";
        if (!toEnd && (hi >= 0x80000000u || (int64_t{hi} << 32 | lo) > room)) break;
        const int64_t len = toEnd ? room : int64_t{hi} << 32 | lo;
        Chunk(sink, type, {data, len}, at.Then(type));
        pos = data + len;
    }
    Opaque(sink, {pos, whole.End() - pos}, at);
}
