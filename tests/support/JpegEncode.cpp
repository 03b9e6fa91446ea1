#include "tests/support/JpegEncode.h"

#include <turbojpeg.h>

#include <cstddef>

namespace testjpeg {

std::vector<uint8_t> SolidRgb(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < px.size(); i += 3) {
        px[i] = r;
        px[i + 1] = g;
        px[i + 2] = b;
    }
    return px;
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int w, int h, JpegKind kind,
                                int quality) {
    std::vector<uint8_t> src = rgb;
    int pf = TJPF_RGB, subsamp = TJSAMP_444, flags = TJFLAG_ACCURATEDCT;
    if (kind == JpegKind::Gray) {
        subsamp = TJSAMP_GRAY;
    } else if (kind == JpegKind::Cmyk) {
        // Inverted inks, as Adobe writes them: the stored value is 255 - ink.
        src.clear();
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
            src.insert(src.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
        }
        pf = TJPF_CMYK;
    } else if (kind == JpegKind::Progressive) {
        flags |= TJFLAG_PROGRESSIVE;
    }
    tjhandle h2 = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(h2, src.data(), w, 0, h, pf, &out, &size, subsamp, quality, flags);
    std::vector<uint8_t> jpeg;
    if (rc == 0) jpeg.assign(out, out + size);
    tjFree(out);
    tjDestroy(h2);
    return jpeg;
}

}  // namespace testjpeg
