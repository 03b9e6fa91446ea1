// JPEG to RGB through libjpeg-turbo's TurboJPEG interface. The converted
// picture is kept here between the two calls.
#include "preview/vornik2/Vornik2.h"

#include <iconv.h>
#if defined(__linux__)
#include <sys/mman.h>
#endif
#include <turbojpeg.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

struct Picture {
    std::unique_ptr<uint8_t[]> rgb;
    int32_t width = 0, height = 0;
};

Picture& Kept() {
    static Picture picture;
    return picture;
}

// CP932 -> UTF-8 for the file system; false when the path is not CP932.
bool FsPath(const char* cp932, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result;
    char* src = const_cast<char*>(cp932);
    size_t left = std::strlen(cp932);
    char buf[512];
    bool ok = true;
    while (left > 0) {
        char* dst = buf;
        size_t room = sizeof buf;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        result.append(buf, static_cast<size_t>(dst - buf));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) { ok = false; break; }
    }
    iconv_close(cd);
    if (ok) out.swap(result);
    return ok;
}

bool ReadWhole(const char* cp932Path, std::vector<uint8_t>& data) {
    std::string path;
    if (!FsPath(cp932Path, path)) return false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    // Files of 2 GiB and more are not taken, as everywhere in the program.
    ok = ok && size > 0 && size <= INT32_MAX && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        try {
            data.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    ok = ok && std::fread(data.data(), 1, data.size(), f) == data.size();
    std::fclose(f);
    return ok;
}

// Fresh memory is touched page by page; a picture buffer asks for large
// pages where the system offers them (18,000 small-page faults for 24
// megapixels cost more than decoding them on some machines).
std::unique_ptr<uint8_t[]> NewPictureBuffer(size_t n) {
    std::unique_ptr<uint8_t[]> p(new (std::nothrow) uint8_t[n]);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    if (p && n >= 2 * kHuge) {
        const auto begin = reinterpret_cast<uintptr_t>(p.get());
        const uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
        const uintptr_t last = (begin + n) & ~(kHuge - 1);
        if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#endif
    return p;
}

void PutLe32(uint8_t* p, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}

// Adobe CMYK/YCCK JPEGs store inverted ink values: each colour channel is
// the ink times the black, both as stored.
void CmykToRgb(const uint8_t* cmyk, uint8_t* rgb, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i, cmyk += 4, rgb += 3) {
        const unsigned k = cmyk[3];
        rgb[0] = static_cast<uint8_t>(cmyk[0] * k / 255);
        rgb[1] = static_cast<uint8_t>(cmyk[1] * k / 255);
        rgb[2] = static_cast<uint8_t>(cmyk[2] * k / 255);
    }
}

// Decodes to RGB. A warning (for instance a truncated file) still gives the
// picture as far as it decodes; a fatal error is a failure.
bool Decode(tjhandle tj, const std::vector<uint8_t>& data, Picture& out) {
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    if (tjDecompressHeader3(tj, data.data(), data.size(), &w, &h, &subsamp, &colorspace) != 0)
        return false;
    if (w <= 0 || h <= 0) return false;
    const int64_t pixels = int64_t{w} * h;
    if (pixels > VORNIK2_MAX_PIXELS) return false;
    std::unique_ptr<uint8_t[]> rgb = NewPictureBuffer(static_cast<size_t>(pixels) * 3);
    if (!rgb) return false;
    const int flags = TJFLAG_LIMITSCANS;
    int rc;
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) {
        std::unique_ptr<uint8_t[]> cmyk = NewPictureBuffer(static_cast<size_t>(pixels) * 4);
        if (!cmyk) return false;
        rc = tjDecompress2(tj, data.data(), data.size(), cmyk.get(), w, 0, h, TJPF_CMYK, flags);
        if (rc == 0 || tjGetErrorCode(tj) == TJERR_WARNING)
            CmykToRgb(cmyk.get(), rgb.get(), static_cast<size_t>(pixels));
    } else {
        // A truncated stream is decoded to its end; the decoder fills the
        // rows it never reaches with grey.
        rc = tjDecompress2(tj, data.data(), data.size(), rgb.get(), w, 0, h, TJPF_RGB, flags);
    }
    if (rc != 0 && tjGetErrorCode(tj) != TJERR_WARNING) return false;
    out.rgb = std::move(rgb);
    out.width = w;
    out.height = h;
    return true;
}

}  // namespace

extern "C" int32_t jpegJpegToBmpDFCnvToBuf(const char* path, int32_t mode, void* info) {
    if (path == nullptr || info == nullptr || mode != 1) return -1;
    auto* record = static_cast<uint8_t*>(info);
    std::memset(record, 0, VORNIK2_INFO_SIZE);
    std::vector<uint8_t> data;
    if (!ReadWhole(path, data)) return -2;
    tjhandle tj = tjInitDecompress();
    if (tj == nullptr) return -3;
    Picture picture;
    const bool ok = Decode(tj, data, picture);
    tjDestroy(tj);
    if (!ok) return -4;
    PutLe32(record + VORNIK2_INFO_WIDTH, picture.width);
    PutLe32(record + VORNIK2_INFO_HEIGHT, picture.height);
    Kept() = std::move(picture);
    return 0;
}

extern "C" int32_t jpegConvertedBmpBufGet(uint8_t* buffer, int32_t width, int32_t height) {
    Picture& p = Kept();
    if (buffer == nullptr || !p.rgb || width != p.width || height != p.height) return -1;
    std::memcpy(buffer, p.rgb.get(), static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    p = Picture{};
    return 0;
}
