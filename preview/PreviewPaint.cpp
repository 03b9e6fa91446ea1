// The main window's preview: fitting the picture into the picture box once
// per file, and drawing it in the display's pixel format on every paint.
#include "app/TamlixDlg.h"
#include "preview/PreviewBmp.h"
#include "preview/PreviewScale.h"
#include "res/Templates.h"

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/gdicmn.h>
#include <wx/rawbmp.h>

#include <new>

namespace {

// The picture box's rectangle in the panel's client coordinates.
wxRect PictureBoxRect(wxWindow* panel) {
    wxWindow* box = panel->FindWindow(IDC_PICTURE);
    return box ? box->GetRect() : wxRect();
}

// One pixel of the display buffer as red, green, blue.
void DisplayPixel(const uint8_t* p, int32_t bits, uint8_t& r, uint8_t& g, uint8_t& b) {
    if (bits == 16) {
        const unsigned v = p[0] | p[1] << 8;
        const unsigned r5 = v >> 11, g6 = (v >> 5) & 63, b5 = v & 31;
        r = static_cast<uint8_t>(r5 << 3 | r5 >> 2);
        g = static_cast<uint8_t>(g6 << 2 | g6 >> 4);
        b = static_cast<uint8_t>(b5 << 3 | b5 >> 2);
    } else {
        b = p[0];
        g = p[1];
        r = p[2];
    }
}

}  // namespace

bool CTamlixDlg::PreparePreview() {
    if (m_cur.m_szFilePath[0] == '\0' || g_pPreviewBmp == nullptr) return false;
    if (!g_pPreviewBmp->LoadJpeg(m_cur.m_szFilePath)) return false;
    const wxRect box = PictureBoxRect(m_panel);
    g_pPreviewBmp->m_dFitScale =
        FitScale(box.width, box.height, g_pPreviewBmp->m_nBmpWidth, g_pPreviewBmp->m_nBmpHeight);
    ResamplePreview();
    return true;
}

void CTamlixDlg::ResamplePreview() {
    const CPreviewBmp& p = *g_pPreviewBmp;
    m_pPicBGR = ResampleToBgr(p.m_pBmpRGB.get(), p.m_nBmpWidth, p.m_nBmpHeight, p.m_dFitScale,
                              m_nPicW, m_nPicH);
}

void CTamlixDlg::DrawPreview(wxDC& dc) {
    m_rcPicBox = PictureBoxRect(m_panel);
    if (!g_bPreviewReady || !m_pPicBGR) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(*wxWHITE_BRUSH);
        dc.DrawRectangle(m_rcPicBox);
        return;
    }
    m_nDispBits = wxDisplayDepth();
    m_nPicLeft = m_rcPicBox.x;
    m_nPicTop = m_rcPicBox.y;
    MakeDisplayBits();
    BlitPreview(dc);
}

void CTamlixDlg::MakeDisplayBits() {
    m_nDispRows = m_nPicH;
    m_nDispStride = DisplayStride(m_nDispBits, m_nPicW);
    m_pDispBits.reset(new (std::nothrow)
                          uint8_t[static_cast<size_t>(m_nDispStride) * m_nDispRows]);
    if (m_pDispBits)
        ConvertPixels(m_pDispBits.get(), m_pPicBGR.get(), m_nPicW, m_nPicH, m_nDispStride,
                      m_nDispBits);
}

void CTamlixDlg::BlitPreview(wxDC& dc) {
    if (!m_pDispBits || m_nPicW <= 0 || m_nPicH <= 0) return;
    wxBitmap bmp(m_nPicW, m_nPicH, 24);
    if (!bmp.IsOk()) return;  // tried again at the next paint
    {
        wxNativePixelData data(bmp);
        if (!data) return;
        const int32_t bits = DrawnBits(m_nDispBits);
        const int32_t bpp = bits / 8;
        wxNativePixelData::Iterator row(data);
        for (int32_t y = 0; y < m_nPicH; ++y) {
            wxNativePixelData::Iterator px = row;
            const uint8_t* s = m_pDispBits.get() + static_cast<size_t>(y) * m_nDispStride;
            for (int32_t x = 0; x < m_nPicW; ++x, ++px, s += bpp)
                DisplayPixel(s, bits, px.Red(), px.Green(), px.Blue());
            row.OffsetY(data, 1);
        }
    }
    dc.DrawBitmap(bmp, m_nPicLeft, m_nPicTop, false);
}
