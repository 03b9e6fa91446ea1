#include "locate/vrd/VrdWalker.h"

#include "exif/ByteReader.h"
#include "locate/Sink.h"

#include <cstring>
#include <string>

namespace {

constexpr char kSig[] = "CANON OPTIONAL DATA";  // and its NUL: 20 bytes
constexpr int64_t kSigLen = 20, kHeader = 0x1C, kFooter = 0x40, kBlockHeader = 8;
constexpr uint32_t kXmpBlock = 0xFFFF00F6;

bool SigAt(const ByteReader& f, int64_t pos, int64_t end) {
    const uint8_t* p = pos >= 0 && end - pos >= kSigLen ? f.Span(pos, kSigLen) : nullptr;
    return p != nullptr && std::memcmp(p, kSig, kSigLen) == 0;
}

// The blocks' length the header at pos gives, when its footer follows
// them before end; -1 otherwise.
int64_t BlocksLength(const ByteReader& f, int64_t pos, int64_t end) {
    uint32_t n = 0, again = 0;
    const ByteReader be = f.WithOrder(ByteReader::kBigEndian);
    if (!SigAt(f, pos, end) || !be.U32(pos + 24, n) || kHeader + int64_t{n} + kFooter > end - pos) return -1;
    const int64_t footer = pos + kHeader + n;
    return SigAt(f, footer, end) && be.U32(footer + kSigLen, again) && again == n ? int64_t{n} : -1;
}

}  // namespace

bool StartsCanonVrd(const ByteReader& file, int64_t pos, int64_t end) { return BlocksLength(file, pos, end) >= 0; }

int64_t CanonVrdStart(const ByteReader& file, int64_t from, int64_t end) {
    uint32_t n = 0;
    const int64_t footer = end - kFooter;
    if (footer < from || !SigAt(file, footer, end) ||
        !file.WithOrder(ByteReader::kBigEndian).U32(footer + kSigLen, n))
        return -1;
    const int64_t start = footer - kHeader - int64_t{n};
    return start >= from && BlocksLength(file, start, end) == int64_t{n} ? start : -1;
}

void WalkCanonVrdContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader& f = sink.File();
    if (StartsCanonDr4(f, whole.pos, whole.End())) {
        sink.Opaque(whole, FindKind::Unparsed, FindWhy::CameraDataUnparsed, FindWhy::CameraDataUnparsed, at);
        return;
    }
    const int64_t n = BlocksLength(f, whole.pos, whole.End());
    if (n < 0) {
        sink.NotTakenApart(whole, at);
        return;
    }
    const ByteReader be = f.WithOrder(ByteReader::kBigEndian);
    const int64_t end = whole.pos + kHeader + n;
    int64_t pos = whole.pos + kHeader;
    for (int index = 1; end - pos >= kBlockHeader; ++index) {
        uint32_t type = 0, len = 0;
        be.U32(pos, type);
        be.U32(pos + 4, len);
        if (int64_t{len} > end - pos - kBlockHeader) break;
        const ByteRange data{pos + kBlockHeader, int64_t{len}};
        const Carrier c = at.Then("recipe block #" + std::to_string(index));
        if (type == kXmpBlock)
            sink.Xmp(data, data, c);
        else
            sink.Opaque(data, FindKind::Unparsed, FindWhy::CameraDataUnparsed, FindWhy::CameraDataUnparsed, c);
        pos = data.End();
    }
    if (pos < end)
        sink.Opaque({pos, end - pos}, FindKind::Unparsed, FindWhy::CameraDataUnparsed, FindWhy::CameraDataUnparsed,
                    at.Then("after the recipe blocks"));
    const int64_t after = end + kFooter;
    if (after < whole.End()) sink.AfterEnd({after, whole.End() - after}, whole.End() == f.Length(), at);
}

bool StartsCanonDr4(const ByteReader& file, int64_t pos, int64_t end) {
    constexpr int64_t kMagic = 8;
    const uint8_t* p = pos >= 0 && end - pos >= kMagic ? file.Span(pos, kMagic) : nullptr;
    return p != nullptr && std::memcmp(p, "IIII\x04\0\x04\0", kMagic) == 0;
}
