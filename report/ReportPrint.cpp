#include "report/ReportPrint.h"

#include "platform/wx/WxText.h"

#include <wx/dcgraph.h>
#include <wx/graphics.h>

#ifdef __WXGTK__
#include <cairo-pdf.h>
#include <cairo.h>
#endif

#include <cmath>

namespace {

PrintJobRunner& Runner() {
    static PrintJobRunner s_runner;
    return s_runner;
}

constexpr int kFileDeviceDpi = 96;

}  // namespace

ReportPrintout::ReportPrintout(const ExifAnalysis* analysis, const char* fileName)
    : wxPrintout(ToWx("結果印刷")), m_pAnalysis(analysis), m_pszFileName(fileName) {}

void ReportPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
    *minPage = *maxPage = *pageFrom = *pageTo = 1;
}

bool ReportPrintout::OnPrintPage(int page) {
    wxDC* dc = GetDC();
    if (page != 1 || dc == nullptr) return false;
    // The device's own scale and origin are kept: one device unit is one
    // printer dot, and the font is made for the printer's resolution.
    int ppiX = 0, ppiY = 0;
    GetPPIPrinter(&ppiX, &ppiY);
    ReportDrawing d;
    d.analysis = m_pAnalysis;
    d.fileName = m_pszFileName;
    d.lineOrigin = 2;
    d.colOrigin = 8;
    d.ppiY = ppiY > 0 ? ppiY : dc->GetPPI().y;
    m_cells = DrawReport(*dc, d);
    ++m_nPages;
    return true;
}

PrintOutcome RunReportPrintJob(wxWindow* parent, wxPrintout& printout) {
    if (Runner()) return Runner()(parent, printout);
    wxPrintDialogData data;
    data.SetMinPage(1);
    data.SetMaxPage(1);
    data.SetFromPage(1);
    data.SetToPage(1);
    data.SetAllPages(true);
    data.EnablePageNumbers(false);
    data.EnableSelection(false);
    wxPrinter printer(&data);
    if (printer.Print(parent, &printout, true)) return PrintOutcome::Printed;
    return wxPrinter::GetLastError() == wxPRINTER_CANCELLED ? PrintOutcome::Cancelled
                                                            : PrintOutcome::Failed;
}

void SetPrintJobRunner(PrintJobRunner r) { Runner() = std::move(r); }

#ifdef __WXGTK__
bool PrintToPdfFile(wxPrintout& printout, const std::string& path, double widthMm,
                    double heightMm) {
    const double widthPt = widthMm * 72.0 / 25.4, heightPt = heightMm * 72.0 / 25.4;
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), widthPt, heightPt);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_t* cr = cairo_create(surface);
    // Text through cairo takes point sizes at 96 units per inch, so the page
    // is measured in those units: a 10-point font is 10 points on paper.
    cairo_scale(cr, 72.0 / kFileDeviceDpi, 72.0 / kFileDeviceDpi);
    const int widthPx = static_cast<int>(std::lround(widthMm * kFileDeviceDpi / 25.4));
    const int heightPx = static_cast<int>(std::lround(heightMm * kFileDeviceDpi / 25.4));
    {
        wxGraphicsContext* gc =
            wxGraphicsRenderer::GetCairoRenderer()->CreateContextFromNativeContext(cr);
        wxGCDC dc(gc);
        printout.SetDC(&dc);
        printout.SetPPIScreen(kFileDeviceDpi, kFileDeviceDpi);
        printout.SetPPIPrinter(kFileDeviceDpi, kFileDeviceDpi);
        printout.SetPageSizePixels(widthPx, heightPx);
        printout.SetPageSizeMM(static_cast<int>(widthMm), static_cast<int>(heightMm));
        printout.SetPaperRectPixels(wxRect(0, 0, widthPx, heightPx));
        printout.OnPreparePrinting();
        printout.OnBeginPrinting();
        int minPage = 1, maxPage = 1, from = 1, to = 1;
        printout.GetPageInfo(&minPage, &maxPage, &from, &to);
        if (printout.OnBeginDocument(from, to)) {
            for (int p = from; p <= to && printout.HasPage(p); ++p) {
                printout.OnPrintPage(p);
                cairo_show_page(cr);
            }
            printout.OnEndDocument();
        }
        printout.OnEndPrinting();
        printout.SetDC(nullptr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}
#endif
