#include "preview/JpegSize.h"

#include <turbojpeg.h>

bool ReadJpegSize(const uint8_t* data, int64_t len, int32_t& width, int32_t& height) {
    width = height = 0;
    if (data == nullptr || len <= 0 || len > UINT32_MAX) return false;
    tjhandle h = tjInitDecompress();
    if (h == nullptr) return false;
    int w = 0, hgt = 0, subsamp = 0, colorspace = 0;
    int rc = tjDecompressHeader3(h, data, static_cast<unsigned long>(len), &w, &hgt, &subsamp,
                                 &colorspace);
    tjDestroy(h);
    if (rc != 0 || w <= 0 || hgt <= 0) return false;
    width = w;
    height = hgt;
    return true;
}
