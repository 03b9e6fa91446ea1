#include "locate/Repack.h"

#include "locate/Containers.h"
#include "locate/payload/Deflate.h"

#include <zlib.h>

#include <algorithm>

uint32_t Crc32Of(const std::vector<uint8_t>& b) {
    uLong crc = crc32(0, nullptr, 0);
    for (size_t i = 0; i < b.size();) {
        const uInt n = static_cast<uInt>(std::min<size_t>(b.size() - i, 1u << 30));
        crc = crc32(crc, b.data() + i, n);
        i += n;
    }
    return static_cast<uint32_t>(crc);
}

std::string Le32Text(uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

bool RepackHeld(const std::vector<uint8_t>& content, const LocateResult& inner, int64_t streamLen, Repacked& out) {
    std::vector<uint8_t> stripped(content), packed, again;
    if (!StripPositions(stripped.data(), static_cast<int64_t>(stripped.size()), inner, GpsStripMode{})) return false;
    // Text readers skip spaces after the end; binary ones, zeros.
    const ByteReader held(content.data(), static_cast<int64_t>(content.size()));
    const Container kind = RecogniseContainer(held, 0, held.Length());
    const bool text = kind == Container::Svg || kind == Container::XmpFile || kind == Container::Subtitles ||
                      kind == Container::Json || kind == Container::Xml;
    const int64_t most = static_cast<int64_t>(content.size()) + streamLen;
    if (!DeflateToLength(stripped, Deflated::Raw, streamLen, text ? ' ' : 0, packed) ||
        !Inflate(packed.data(), static_cast<int64_t>(packed.size()), Deflated::Raw, most, again))
        return false;
    out.stream.assign(packed.begin(), packed.end());
    out.crc = Crc32Of(again);
    out.size = static_cast<int64_t>(again.size());
    return true;
}
