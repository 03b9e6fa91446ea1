// The picture holder: the decoded picture of the current file, whose size
// is also the pixel size the summary shows.
#pragma once
#include <cstdint>
#include <memory>

class CPreviewBmp {
public:
    double m_dFitScale = 1.0;
    int32_t m_nBmpWidth = 0;
    int32_t m_nBmpHeight = 0;
    std::unique_ptr<uint8_t[]> m_pBmpRGB;  // width x height x 3, red-green-blue, packed

    // Converts the file through the conversion library. False when the
    // library fails: after the first call the holder is unchanged; after
    // the second it has the new size and the previous pixels. A reported
    // size of 0 or less, or a picture that cannot be allocated, fails too.
    bool LoadJpeg(const char* path);
    void FreeBuffers();
};

// Created during static initialisation, deleted by the main window.
extern CPreviewBmp* g_pPreviewBmp;
// 1 when the last load produced a preview picture.
extern int32_t g_bPreviewReady;
