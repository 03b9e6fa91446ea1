#include "locate/id3/ApeTag.h"

#include "locate/NamedValues.h"
#include "locate/Sink.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kFooter = 32;
constexpr uint32_t kHasHeader = 0x80000000u;

void Opaque(Sink& sink, ByteRange r, const Carrier& c) {
    if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::FramesUnparsed, FindWhy::FramesUnparsed, c);
}

}  // namespace

int64_t ApeTagStart(const ByteReader& file, int64_t from, int64_t end) {
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    const uint8_t* p = end - kFooter >= from ? file.Span(end - kFooter, 8) : nullptr;
    uint32_t size = 0, flags = 0;
    if (p == nullptr || std::memcmp(p, "APETAGEX", 8) != 0 || !le.U32(end - 20, size) || !le.U32(end - 12, flags))
        return -1;
    return std::max(from, end - int64_t{size} - ((flags & kHasHeader) ? kFooter : 0));
}

void WalkApeTag(ByteRange r, const Carrier& at, Sink& sink) {
    const ByteReader f = sink.File().WithOrder(ByteReader::kLittleEndian);
    const Carrier c = at.Then("APE tag");
    uint32_t version = 0, size = 0, count = 0, flags = 0;
    const int64_t footer = r.End() - kFooter;
    f.U32(footer + 8, version), f.U32(footer + 12, size), f.U32(footer + 16, count), f.U32(footer + 24, flags);
    int64_t pos = footer - int64_t{size} + kFooter;  // the items
    if (size < kFooter || pos < r.pos || (version != 1000 && version != 2000)) {
        Opaque(sink, r, c);
        return;
    }
    Opaque(sink, {r.pos, pos - r.pos}, c);  // the header
    for (uint32_t i = 0; i < count && footer - pos >= 9; ++i) {
        uint32_t len = 0, itemFlags = 0;
        f.U32(pos, len), f.U32(pos + 4, itemFlags);
        const int64_t key = pos + 8;
        const int64_t keyLen = std::min<int64_t>(footer - key, 256);
        const uint8_t* k = f.Span(key, keyLen);
        const auto* nul = k != nullptr ? static_cast<const uint8_t*>(std::memchr(k, 0, keyLen)) : nullptr;
        if (nul == nullptr) break;
        const std::string name(k, nul);  // before a read gives the page back
        const ByteRange value{key + (nul - k) + 1, len};
        if (value.len > footer - value.pos) break;
        const int type = version == 1000 ? 0 : (itemFlags >> 1) & 3;
        const bool text = type == 0 && AddTextAt(sink, value, name, c.Then(name));
        if (!text && type == 1) {
            // A cover: a file's name, a NUL, then the picture.
            const int64_t head = std::min<int64_t>(value.len, 1024);
            const uint8_t* v = f.Span(value.pos, head);
            const auto* cut = v != nullptr ? static_cast<const uint8_t*>(std::memchr(v, 0, head)) : nullptr;
            const int64_t skip = cut != nullptr ? cut - v + 1 : 0;
            if (!sink.FileAt({value.pos + skip, value.len - skip}, c.Then(name))) Opaque(sink, value, c.Then(name));
        } else if (!text) {
            Opaque(sink, value, c.Then(name));
        }
        pos = value.End();
    }
    Opaque(sink, {pos, footer - pos}, c);
    Opaque(sink, {footer, kFooter}, c);
}
