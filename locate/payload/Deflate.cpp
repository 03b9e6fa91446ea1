#include "locate/payload/Deflate.h"

#include "locate/payload/Brotli.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

constexpr int kWindowBits = 15;

int Bits(Deflated form) { return form == Deflated::Zlib ? kWindowBits : -kWindowBits; }

// The content compressed (its last block left open, mid-byte), then `pads`
// pad bytes in stored blocks, the last one final. False on an error.
bool DeflateThenStored(const std::vector<uint8_t>& content, Deflated form, int64_t pads, uint8_t pad,
                       std::vector<uint8_t>& out) {
    out.clear();
    if (content.size() > std::numeric_limits<uInt>::max() / 2 || pads < 0 ||
        pads > std::numeric_limits<uInt>::max() / 2)
        return false;
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, Bits(form), 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    const std::vector<uint8_t> padding(static_cast<size_t>(pads), pad);
    out.resize(deflateBound(&z, static_cast<uLong>(content.size())) + padding.size() + padding.size() / 65535 * 5 + 64);
    z.next_in = const_cast<Bytef*>(content.data());
    z.avail_in = static_cast<uInt>(content.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&z, Z_NO_FLUSH);
    // Level 0 stores: changing to it ends the compressed block where it
    // stands, without the empty block a flush to a byte boundary costs.
    if (rc == Z_OK && z.avail_in == 0) rc = deflateParams(&z, 0, Z_DEFAULT_STRATEGY);
    if (rc == Z_OK) {
        z.next_in = const_cast<Bytef*>(padding.data());
        z.avail_in = static_cast<uInt>(padding.size());
        rc = deflate(&z, Z_FINISH);
    }
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END;
}

// The content compressed and followed by as many pad bytes, stored, as
// fill the length. The stored blocks' headers cost the same for nearby
// counts: the count is found in a few steps from the first guess.
bool DeflateFlushed(const std::vector<uint8_t>& content, Deflated form, int64_t len, uint8_t pad,
                    std::vector<uint8_t>& out) {
    if (len <= 0 || !DeflateThenStored(content, form, 0, pad, out)) return false;
    int64_t pads = len - static_cast<int64_t>(out.size());
    for (int step = 0; step < 4 && pads >= 0; ++step) {
        if (!DeflateThenStored(content, form, pads, pad, out)) return false;
        const int64_t miss = len - static_cast<int64_t>(out.size());
        if (miss == 0) return true;
        pads += miss;
    }
    out.clear();
    return false;
}

// The content and `extra` pad bytes compressed whole at `level` with
// `strategy`; false on an error.
bool DeflateWhole(const std::vector<uint8_t>& content, int64_t extra, Deflated form, uint8_t pad, int level,
                  int strategy, std::vector<uint8_t>& out) {
    std::vector<uint8_t> in(content);
    in.insert(in.end(), static_cast<size_t>(extra), pad);
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, Bits(form), 9, strategy) != Z_OK) return false;
    out.resize(deflateBound(&z, static_cast<uLong>(in.size())) + 16);
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return rc == Z_STREAM_END;
}

// A short stream may have no room for a flush and a stored block: the
// content is compressed whole, with a few pad bytes more, at other levels
// and strategies, until one comes out at exactly the length.
bool DeflateShort(const std::vector<uint8_t>& content, Deflated form, int64_t len, uint8_t pad,
                  std::vector<uint8_t>& out) {
    constexpr int64_t kMaxContent = 16 * 1024, kMaxExtra = 24;
    if (static_cast<int64_t>(content.size()) > kMaxContent) return false;
    for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY, Z_FILTERED})
        for (int level = 9; level >= 1; --level)
            for (int64_t extra = 0; extra <= kMaxExtra; ++extra) {
                if (!DeflateWhole(content, extra, form, pad, level, strategy, out)) return false;
                if (static_cast<int64_t>(out.size()) == len) return true;
                if (static_cast<int64_t>(out.size()) > len) break;  // more pad does not shrink it
            }
    out.clear();
    return false;
}

}  // namespace

bool Inflate(const uint8_t* in, int64_t n, Deflated form, int64_t maxOut, std::vector<uint8_t>& out,
             int64_t* used) {
    if (used != nullptr) *used = n;
    if (form == Deflated::Brotli) return BrotliDecode(in, n, maxOut, out);
    out.clear();
    if (in == nullptr || n <= 0 || n > std::numeric_limits<uInt>::max()) return false;
    z_stream z{};
    if (inflateInit2(&z, Bits(form)) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = static_cast<uInt>(n);
    int rc = Z_OK;
    uint8_t buf[16384];
    while (rc == Z_OK) {
        z.next_out = buf;
        z.avail_out = sizeof buf;
        rc = inflate(&z, Z_NO_FLUSH);
        const size_t got = sizeof buf - z.avail_out;
        if (static_cast<int64_t>(out.size() + got) > maxOut) rc = Z_BUF_ERROR;
        else out.insert(out.end(), buf, buf + got);
        if (rc == Z_OK && got == 0 && z.avail_in == 0) rc = Z_BUF_ERROR;  // cut short
    }
    if (used != nullptr) *used = n - z.avail_in;
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

bool DeflateToLength(const std::vector<uint8_t>& content, Deflated form, int64_t len, uint8_t pad,
                     std::vector<uint8_t>& out) {
    if (form == Deflated::Brotli) return BrotliToLength(content, len, out);
    return DeflateFlushed(content, form, len, pad, out) || DeflateShort(content, form, len, pad, out);
}
