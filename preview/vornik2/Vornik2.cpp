// JPEG to RGB through libjpeg-turbo's TurboJPEG interface. The converted
// picture is kept here between the two calls.
#include "preview/vornik2/Vornik2.h"

#include "platform/File.h"
#include "platform/Memory.h"

#include <turbojpeg.h>

#include <climits>
#include <cstring>
#include <memory>
#include <new>
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

// The file whole; files of 2 GiB and more are not taken, as everywhere in
// the program.
bool ReadWhole(const char* cp932Path, std::vector<uint8_t>& data) {
    plat::File f;
    if (!f.OpenRead(cp932Path, plat::Share::DenyNone)) return false;
    const int64_t size = f.Size();
    if (size <= 0 || size > INT32_MAX) return false;
    try {
        data.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return f.Read(data.data(), size) == size;
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

// True when the last call failed for good; a warning (stray bytes before a
// marker, a truncated stream) leaves a usable result behind.
bool Fatal(tjhandle tj, int rc) { return rc != 0 && tjGetErrorCode(tj) != TJERR_WARNING; }

// Decodes to RGB. A warning, from the header or from the data, still gives
// the picture as far as it decodes; a fatal error is a failure.
bool Decode(tjhandle tj, const std::vector<uint8_t>& data, Picture& out) {
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    const int hrc =
        tjDecompressHeader3(tj, data.data(), data.size(), &w, &h, &subsamp, &colorspace);
    if (Fatal(tj, hrc)) return false;
    if (w <= 0 || h <= 0) return false;
    const int64_t pixels = int64_t{w} * h;
    if (pixels > VORNIK2_MAX_PIXELS) return false;
    std::unique_ptr<uint8_t[]> rgb = plat::NewLargeBuffer(static_cast<size_t>(pixels) * 3);
    if (!rgb) return false;
    const int flags = TJFLAG_LIMITSCANS;
    int rc;
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) {
        std::unique_ptr<uint8_t[]> cmyk = plat::NewLargeBuffer(static_cast<size_t>(pixels) * 4);
        if (!cmyk) return false;
        rc = tjDecompress2(tj, data.data(), data.size(), cmyk.get(), w, 0, h, TJPF_CMYK, flags);
        if (!Fatal(tj, rc))
            CmykToRgb(cmyk.get(), rgb.get(), static_cast<size_t>(pixels));
    } else {
        // A truncated stream is decoded to its end; the decoder fills the
        // rows it never reaches with grey.
        rc = tjDecompress2(tj, data.data(), data.size(), rgb.get(), w, 0, h, TJPF_RGB, flags);
    }
    if (Fatal(tj, rc)) return false;
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
