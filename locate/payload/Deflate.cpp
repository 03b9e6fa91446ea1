#include "locate/payload/Deflate.h"

#include "locate/payload/Brotli.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {

constexpr int kWindowBits = 15;

int Bits(Deflated form) { return form == Deflated::Zlib ? kWindowBits : -kWindowBits; }

// The content compressed, flushed to a byte boundary, then stored blocks
// of pad bytes to the length.
bool DeflateFlushed(const std::vector<uint8_t>& content, Deflated form, int64_t len, uint8_t pad,
                    std::vector<uint8_t>& out) {
    out.clear();
    if (content.size() > std::numeric_limits<uInt>::max() / 2 || len <= 0) return false;
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, Bits(form), 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    out.resize(deflateBound(&z, static_cast<uLong>(content.size())) + 16);
    z.next_in = const_cast<Bytef*>(content.data());
    z.avail_in = static_cast<uInt>(content.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    // A sync flush ends on a byte boundary; the final block follows it.
    const int rc = deflate(&z, Z_SYNC_FLUSH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    if (rc != Z_OK || z.avail_in != 0) return false;

    // Stored blocks of pad bytes fill what is left: each takes a header
    // byte, its length and the length's complement, then its bytes; the
    // last one is final.
    constexpr int64_t kStored = 5, kMaxStored = 65535;
    const int64_t trailer = form == Deflated::Zlib ? 4 : 0;
    int64_t left = len - static_cast<int64_t>(out.size()) - trailer;
    if (left < kStored) return false;
    uLong adler = adler32(0L, Z_NULL, 0);
    adler = adler32(adler, content.data(), static_cast<uInt>(content.size()));
    const std::vector<uint8_t> pads(static_cast<size_t>(kMaxStored), pad);
    for (bool last = false; !last;) {
        last = left - kStored <= kMaxStored;
        // A block that is not the last leaves room for one more header.
        const int64_t n = last ? left - kStored : std::min(kMaxStored, left - 2 * kStored);
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(n & 0xFF));
        out.push_back(static_cast<uint8_t>(n >> 8));
        out.push_back(static_cast<uint8_t>(~n & 0xFF));
        out.push_back(static_cast<uint8_t>((~n >> 8) & 0xFF));
        out.insert(out.end(), pads.begin(), pads.begin() + n);
        adler = adler32(adler, pads.data(), static_cast<uInt>(n));
        left -= kStored + n;
    }
    if (form == Deflated::Zlib)
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(adler >> shift));
    return static_cast<int64_t>(out.size()) == len;
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

bool Inflate(const uint8_t* in, int64_t n, Deflated form, int64_t maxOut, std::vector<uint8_t>& out) {
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
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

bool DeflateToLength(const std::vector<uint8_t>& content, Deflated form, int64_t len, uint8_t pad,
                     std::vector<uint8_t>& out) {
    if (form == Deflated::Brotli) return BrotliToLength(content, len, out);
    return DeflateFlushed(content, form, len, pad, out) || DeflateShort(content, form, len, pad, out);
}
