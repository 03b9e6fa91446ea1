#include "locate/ico/IcoWalker.h"

#include "locate/Parts.h"
#include "locate/Sink.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kHeader = 6, kEntry = 16;

struct Picture {
    ByteRange r;
    int index;  // in the directory, from 1
};

// The directory's pictures; false when the directory does not fit or a
// picture lies outside [its end, end).
bool Pictures(const ByteReader& file, int64_t pos, int64_t end, std::vector<Picture>& out) {
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    uint16_t reserved = 1, type = 0, count = 0;
    if (!le.U16(pos, reserved) || !le.U16(pos + 2, type) || !le.U16(pos + 4, count) || reserved != 0 ||
        (type != 1 && type != 2) || count == 0)
        return false;
    const int64_t dirEnd = pos + kHeader + kEntry * count;
    if (dirEnd > end) return false;
    out.clear();
    for (int i = 0; i < count; ++i) {
        uint32_t len = 0, off = 0;
        const int64_t e = pos + kHeader + kEntry * i;
        if (!le.U32(e + 8, len) || !le.U32(e + 12, off)) return false;
        const ByteRange r{pos + int64_t{off}, int64_t{len}};
        if (len == 0 || r.pos < dirEnd || r.End() > end) return false;
        out.push_back({r, i + 1});
    }
    return true;
}

}  // namespace

bool StartsIco(const ByteReader& file, int64_t pos, int64_t end) {
    std::vector<Picture> pictures;
    return Pictures(file, pos, end, pictures);
}

void WalkIcoContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    std::vector<Picture> pictures;
    if (!Pictures(f, whole.pos, whole.End(), pictures) || !SortApart(pictures)) {
        sink.NotTakenApart(whole, at);
        return;
    }
    uint16_t count = 0;
    f.WithOrder(ByteReader::kLittleEndian).U16(whole.pos + 4, count);
    int64_t pos = whole.pos + kHeader + kEntry * count;
    for (const Picture& p : pictures) {
        if (p.r.pos > pos)
            sink.Opaque({pos, p.r.pos - pos}, FindKind::Unparsed, FindWhy::IconBytesUnparsed,
                        FindWhy::IconBytesUnparsed, at);
        const uint8_t* head = p.r.len >= 8 ? f.Span(p.r.pos, 8) : nullptr;
        const Carrier c = at.Then("picture #" + std::to_string(p.index));
        if (head != nullptr && std::memcmp(head, "\x89PNG\r\n\x1A\n", 8) == 0)
            sink.Nested(Container::Png, p.r, c);
        else if (head != nullptr && head[0] == 0xFF && head[1] == 0xD8)
            sink.Nested(Container::Jpeg, p.r, c);
        pos = p.r.End();
    }
    if (pos < whole.End()) sink.AfterEnd({pos, whole.End() - pos}, whole.End() == f.Length(), at);
}
