#include "preview/PreviewBmp.h"
#include "res/Templates.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/JpegEncode.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

namespace {

// Draws the window's preview onto a bitmap of the panel's size.
wxImage PaintedPreview(CTamlixDlg& d) {
    const wxSize size = d.Panel()->GetClientSize();
    wxBitmap bmp(size.x, size.y, 24);
    {
        wxMemoryDC dc(bmp);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        d.DrawPreview(dc);
    }
    return bmp.ConvertToImage();
}

wxRect Box(CTamlixDlg& d) { return d.Panel()->FindWindow(IDC_PICTURE)->GetRect(); }

}  // namespace

TEST_F(MainWindowTest, PreviewIsDrawnScaledAtTheBoxTopLeft) {
    Open();
    // A wide green picture with a red left half: fills the box's width.
    std::vector<uint8_t> px = testjpeg::SolidRgb(400, 100, 0, 200, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) px[(y * 400 + x) * 3] = 220, px[(y * 400 + x) * 3 + 1] = 0;
    const std::string path = Dir() + "/wide.jpg";
    ASSERT_TRUE(testjpeg::WriteFileBytes(path, testjpeg::EncodeJpeg(px, 400, 100, testjpeg::JpegKind::Rgb)));
    m_dlg->OpenDroppedFile(path);
    EXPECT_EQ(g_bPreviewReady, 1);
    EXPECT_EQ(FieldText(IDC_SIZE), "400 x 100");

    const wxRect box = Box(*m_dlg);
    const wxImage img = PaintedPreview(*m_dlg);
    const int picH = static_cast<int>(100.0 * box.width / 400);
    // Left part red, right part green, below the picture the box is not painted.
    EXPECT_GT(img.GetRed(box.x + 2, box.y + 2), 180);
    EXPECT_LT(img.GetGreen(box.x + 2, box.y + 2), 40);
    EXPECT_GT(img.GetGreen(box.x + box.width - 3, box.y + 2), 160);
    EXPECT_GT(img.GetGreen(box.x + box.width - 3, box.y + picH - 2), 160);
    EXPECT_EQ(img.GetGreen(box.x + box.width - 3, box.y + picH + 3), 0);
}

TEST_F(MainWindowTest, FileTheLibraryRejectsLeavesTheBoxWhite) {
    Open();
    m_dlg->OpenDroppedFile(Photo("gps/apple_iphone6_hdr_W.jpg", "ok.jpg"));
    ASSERT_EQ(g_bPreviewReady, 1);
    const std::string bad = Dir() + "/bad.jpg";
    const testjpeg::Bytes noPicture{0xFF, 0xD8, 0xFF, 0xD9};
    ASSERT_TRUE(testjpeg::WriteFileBytes(bad, noPicture));
    m_dlg->OpenDroppedFile(bad);
    EXPECT_EQ(g_bPreviewReady, 0);
    EXPECT_EQ(m_msgs.Count(), 0u);
    // The summary does not claim the previous picture's size for this file.
    EXPECT_EQ(FieldText(IDC_SIZE), "0 x 0");
    EXPECT_EQ(FieldText(IDC_EXIF), "Ｘ");
    const wxRect box = Box(*m_dlg);
    const wxImage img = PaintedPreview(*m_dlg);
    EXPECT_EQ(img.GetRed(box.x + box.width / 2, box.y + box.height / 2), 255);
    EXPECT_EQ(img.GetBlue(box.x + 1, box.y + box.height - 2), 255);
}
