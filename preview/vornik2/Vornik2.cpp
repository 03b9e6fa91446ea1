// JPEG to RGB through libjpeg-turbo's TurboJPEG interface. The converted
// picture is kept here between the two calls.
#include "preview/vornik2/Vornik2.h"

#include "platform/Memory.h"
#include "platform/ReadFile.h"
#include "preview/vornik2/Decode.h"

#include <turbojpeg.h>

#include <climits>
#include <cstring>
#include <memory>

namespace {

using vornik2::Picture;

Picture& Kept() {
    static Picture picture;
    return picture;
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
// marker, a truncated stream) leaves a usable result behind. The decoder
// reports a warning for the whole call once one was given, also when an
// error then stopped it: a result after a warning may lack any rows.
bool Fatal(tjhandle tj, int rc) { return rc != 0 && tjGetErrorCode(tj) != TJERR_WARNING; }

// Ink values that CmykToRgb turns into the grey of an RGB fill of 0x80.
void FillCmykGrey(uint8_t* cmyk, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i, cmyk += 4) {
        cmyk[0] = cmyk[1] = cmyk[2] = 0x80;
        cmyk[3] = 0xFF;
    }
}

// Decodes to RGB. A warning, from the header or from the data, still gives
// the picture as far as it decodes; a fatal error is a failure.
bool Decode(tjhandle tj, std::span<const uint8_t> data, int64_t maxPixels, Picture& out) {
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    const int hrc =
        tjDecompressHeader3(tj, data.data(), data.size(), &w, &h, &subsamp, &colorspace);
    if (Fatal(tj, hrc)) return false;
    if (w <= 0 || h <= 0) return false;
    const int64_t pixels = int64_t{w} * h;
    if (pixels > maxPixels) return false;
    std::unique_ptr<uint8_t[]> rgb = plat::NewLargeBuffer(static_cast<size_t>(pixels) * 3);
    if (!rgb) return false;
    // A truncated stream is decoded to its end, but an error after a
    // warning stops the decoder where it is (a progressive picture is
    // written only after its last scan, so then not at all). After any
    // warning the picture is decoded again into grey, so that the rows the
    // decoder never reaches depend on the file alone, not on what the
    // memory held; a clean stream writes every row and is decoded once.
    const int flags = TJFLAG_LIMITSCANS;
    const bool cmykOut = colorspace == TJCS_CMYK || colorspace == TJCS_YCCK;
    std::unique_ptr<uint8_t[]> cmyk;
    if (cmykOut && !(cmyk = plat::NewLargeBuffer(static_cast<size_t>(pixels) * 4))) return false;
    int rc = 0;
    for (bool grey : {hrc != 0, true}) {
        if (grey && cmykOut) FillCmykGrey(cmyk.get(), static_cast<size_t>(pixels));
        if (grey && !cmykOut) std::memset(rgb.get(), 0x80, static_cast<size_t>(pixels) * 3);
        rc = cmykOut ? tjDecompress2(tj, data.data(), data.size(), cmyk.get(), w, 0, h, TJPF_CMYK, flags)
                     : tjDecompress2(tj, data.data(), data.size(), rgb.get(), w, 0, h, TJPF_RGB, flags);
        if (rc == 0 || grey || Fatal(tj, rc)) break;
    }
    if (!Fatal(tj, rc) && cmykOut) CmykToRgb(cmyk.get(), rgb.get(), static_cast<size_t>(pixels));
    if (Fatal(tj, rc)) return false;
    out.rgb = std::move(rgb);
    out.width = w;
    out.height = h;
    return true;
}

}  // namespace

int32_t vornik2::DecodeJpeg(std::span<const uint8_t> jpeg, int64_t maxPixels, Picture& out) {
    tjhandle tj = tjInitDecompress();
    if (tj == nullptr) return -3;
    const bool ok = Decode(tj, jpeg, maxPixels, out);
    tjDestroy(tj);
    return ok ? 0 : -4;
}

extern "C" int32_t jpegJpegToBmpDFCnvToBuf(const char* path, int32_t mode, void* info) {
    if (path == nullptr || info == nullptr || mode != 1) return -1;
    auto* record = static_cast<uint8_t*>(info);
    std::memset(record, 0, VORNIK2_INFO_SIZE);
    // Files of 2 GiB and more are not taken, as everywhere in the program;
    // nor is one that changes while it is read.
    plat::FileBytes file;
    if (plat::ReadWholeFile(path, INT32_MAX, file) != plat::ReadStatus::Ok || file.changed ||
        file.len == 0)
        return -2;
    Picture picture;
    const int32_t rc = vornik2::DecodeJpeg({file.data.get(), static_cast<size_t>(file.len)},
                                           VORNIK2_MAX_PIXELS, picture);
    if (rc != 0) return rc;
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
