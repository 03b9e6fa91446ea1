#include "preview/PreviewBmp.h"

#include "platform/Memory.h"
#include "preview/vornik2/Vornik2.h"


CPreviewBmp* g_pPreviewBmp = new CPreviewBmp;
int32_t g_bPreviewReady = 0;

namespace {

int32_t Le32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                uint32_t{p[3]} << 24);
}

}  // namespace

bool CPreviewBmp::LoadJpeg(const char* path) {
    uint8_t info[VORNIK2_INFO_SIZE];
    if (jpegJpegToBmpDFCnvToBuf(path, 1, info) < 0) return false;
    const int32_t w = Le32(info + VORNIK2_INFO_WIDTH);
    const int32_t h = Le32(info + VORNIK2_INFO_HEIGHT);
    if (w <= 0 || h <= 0 || int64_t{w} * h > VORNIK2_MAX_PIXELS) return false;
    m_nBmpWidth = w;
    m_nBmpHeight = h;
    // Fetched straight into the new buffer: the old pixels stay until the
    // fetch has succeeded.
    std::unique_ptr<uint8_t[]> rgb = plat::NewLargeBuffer(static_cast<size_t>(w) * h * 3);
    if (!rgb || jpegConvertedBmpBufGet(rgb.get(), w, h) < 0) return false;
    m_pBmpRGB = std::move(rgb);
    return true;
}

void CPreviewBmp::FreeBuffers() { m_pBmpRGB.reset(); }
