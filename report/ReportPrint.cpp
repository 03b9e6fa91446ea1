#include "report/ReportPrint.h"

#include "platform/wx/WxText.h"

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
