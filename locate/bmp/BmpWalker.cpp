#include "locate/bmp/BmpWalker.h"

#include "locate/Containers.h"
#include "locate/Sink.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int64_t kFileHeader = 14;
// The fifth version's fields: the profile's kind, offset (from the
// information header) and size.
constexpr int64_t kV5 = 124, kCsType = 56, kProfileData = 112, kProfileSize = 116;
constexpr uint32_t kProfileEmbedded = 0x4D424544, kProfileLinked = 0x4C494E4B;  // "MBED", "LINK"
// Compressions whose pixels are a JPEG or a PNG file.
constexpr uint32_t kJpeg = 4, kPng = 5;

bool KnownInfoSize(uint32_t n) {
    return n == 12 || n == 16 || n == 40 || n == 52 || n == 56 || n == 64 || n == 108 || n == kV5;
}

}  // namespace

bool StartsBmp(const ByteReader& file, int64_t pos, int64_t end) {
    const ByteReader le = file.WithOrder(ByteReader::kLittleEndian);
    const uint8_t* p = end - pos >= kFileHeader + 12 ? file.Span(pos, 2) : nullptr;
    uint32_t info = 0, pixels = 0;
    return p != nullptr && p[0] == 'B' && p[1] == 'M' && le.U32(pos + 14, info) && KnownInfoSize(info) &&
           le.U32(pos + 10, pixels) && int64_t{pixels} >= kFileHeader + info;
}

void WalkBmpContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader le = sink.File().WithOrder(ByteReader::kLittleEndian);
    const int64_t end = whole.End(), h = whole.pos + kFileHeader;
    uint32_t info = 0, pixels = 0, compression = 0, imageSize = 0;
    uint16_t bpp = 0;
    int64_t width = 0, height = 0;
    bool read = le.U32(h, info) && le.U32(whole.pos + 10, pixels) && h + info <= end;
    if (read && info == 12) {
        uint16_t w = 0, ht = 0;
        read = le.U16(h + 4, w) && le.U16(h + 6, ht) && le.U16(h + 10, bpp);
        width = w, height = ht;
    } else if (read) {
        uint32_t w = 0, ht = 0;
        read = le.U32(h + 4, w) && le.U32(h + 8, ht) && le.U16(h + 14, bpp);
        width = static_cast<int32_t>(w), height = static_cast<int32_t>(ht);
        if (info >= 40) read = read && le.U32(h + 16, compression) && le.U32(h + 20, imageSize);
    }
    // The pixels' size: rows of whole 32-bit words when not compressed
    // (plain or with bit fields), else the size the header gives.
    const bool plain = compression == 0 || compression == 3 || compression == 6;
    const int64_t pix = whole.pos + int64_t{pixels}, left = end - pix;
    // A row is at most 2^31 pixels of 65535 bits; rows beyond the file's
    // bytes are not multiplied out.
    const int64_t stride = (std::llabs(width) * bpp + 31) / 32 * 4, rows = std::llabs(height);
    const int64_t size = !plain ? int64_t{imageSize} : stride != 0 && rows > left / stride ? left : stride * rows;
    if (!read || left < 0 || (!plain && size == 0)) {
        sink.NotTakenApart(whole, at);
        return;
    }
    const int64_t pixEnd = pix + std::min(left, size);
    if (compression == kJpeg || compression == kPng)
        sink.Nested(compression == kJpeg ? Container::Jpeg : Container::Png, {pix, pixEnd - pix}, at.Then("pixels"));
    int64_t after = pixEnd;
    uint32_t cs = 0, profOff = 0, profLen = 0;
    if (info >= kV5 && le.U32(h + kCsType, cs) && (cs == kProfileEmbedded || cs == kProfileLinked) &&
        le.U32(h + kProfileData, profOff) && le.U32(h + kProfileSize, profLen) && profLen > 0) {
        // The colour profile (or, linked, its file's name): text no rule reads.
        const ByteRange prof{h + int64_t{profOff}, int64_t{profLen}};
        if (prof.End() > end) {
            sink.NotTakenApart(whole, at);
            return;
        }
        sink.Opaque(prof, FindKind::Unparsed, FindWhy::BitmapPartUnparsed, FindWhy::BitmapPartUnparsed,
                    at.Then("profile"));
        after = std::max(after, prof.End());  // a cut keeps it whole
    }
    if (after < end) sink.AfterEnd({after, end - after}, end == sink.File().Length(), at);
}
