#include "report/ReportDraw.h"

#include "platform/wx/WxText.h"
#include "report/ReportLayout.h"

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/dcmemory.h>
#include <wx/font.h>

#include <cmath>

namespace {

// 10 points at the device's resolution, rounded to whole device pixels, as
// a point size (wx sizes fonts in points of the device's resolution).
wxFont ReportFont(int ppiY) {
    if (ppiY <= 0) ppiY = 96;
    const double pixels = std::floor(10.0 * ppiY / 72.0 + 0.5);
    const double points = pixels * 72.0 / ppiY;
    return wxFont(wxFontInfo(points).Family(wxFONTFAMILY_MODERN).FaceName(ToWx("ＭＳ ゴシック")));
}

// The column width: the advance of one half-width character. The toolkit's
// "average width" of a Japanese font averages in the full-width characters
// and would spread the columns apart from the text; in a fixed-pitch font
// every half-width character has this advance and a full-width one twice it.
int HalfWidthAdvance(wxDC& dc) {
    static const char kSample[] = "0123456789ABCDEF0123456789ABCDEF";
    const int n = static_cast<int>(sizeof kSample - 1);
    const int width = dc.GetTextExtent(ToWx(kSample)).x;
    return (width + n / 2) / n;
}

// Sets the report font on the device, checked against its size on the
// screen: the GTK printer device sizes fonts by the screen's resolution
// instead of its own, which would print the report at a third of 10 points.
void SetReportFont(wxDC& dc, int ppiY) {
    if (ppiY <= 0) ppiY = 96;
    wxFont font = ReportFont(ppiY);
    dc.SetFont(font);
    wxBitmap one(1, 1);
    wxMemoryDC screen(one);
    screen.SetFont(font);
    const int screenPpi = screen.GetPPI().y;
    const int onScreen = screen.GetCharHeight();
    const int onDevice = dc.GetCharHeight();
    if (screenPpi <= 0 || onScreen <= 0 || onDevice <= 0) return;
    // The height this font should have on the device at its resolution.
    const double expected = static_cast<double>(onScreen) * ppiY / screenPpi;
    if (std::fabs(onDevice - expected) <= 0.1 * expected) return;
    font.SetFractionalPointSize(font.GetFractionalPointSize() * expected / onDevice);
    dc.SetFont(font);
}

}  // namespace

ReportCells DrawReport(wxDC& dc, const ReportDrawing& d) {
    const wxFont previous = dc.GetFont();
    SetReportFont(dc, d.ppiY);
    const wxFontMetrics fm = dc.GetFontMetrics();
    ReportCells cells{HalfWidthAdvance(dc), fm.height};
    if (cells.cw <= 0) cells.cw = fm.averageWidth > 0 ? fm.averageWidth : dc.GetCharWidth();
    if (cells.lh <= 0) cells.lh = dc.GetCharHeight();

    if (d.analysis != nullptr) {
        const ReportOrigin origin = MakeReportOrigin(d.lineOrigin, d.colOrigin, d.hScrollPos,
                                                     d.vScrollPos, cells.cw, cells.lh);
        dc.SetTextForeground(*wxBLACK);
        for (const ReportItem& it :
             LayoutReport(*d.analysis, d.fileName, cells.cw, cells.lh, origin))
            dc.DrawText(ToWx(it.text), it.x, it.y);
    }
    dc.SetFont(previous.IsOk() ? previous : wxNullFont);
    return cells;
}
