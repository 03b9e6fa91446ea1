// Printing the detail report: a one-page printout named "結果印刷" that draws
// the unscrolled report 8 columns right and 2 lines down from the printable
// area's corner, in the report font made for the printer (10 points on
// paper), and the print job.
#pragma once
#include "exif/ExifAnalysis.h"
#include "report/ReportDraw.h"

#include <wx/print.h>

class ReportPrintout : public wxPrintout {
public:
    // Pointers not owned; they must outlive the printout.
    ReportPrintout(const ExifAnalysis* analysis, const char* fileName);

    bool OnPrintPage(int page) override;
    bool HasPage(int page) override { return page == 1; }
    void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;

    // Pages drawn so far and the cell metrics of the last one.
    int PagesDrawn() const { return m_nPages; }
    ReportCells LastCells() const { return m_cells; }

private:
    const ExifAnalysis* m_pAnalysis;
    const char* m_pszFileName;
    int m_nPages = 0;
    ReportCells m_cells;
};

enum class PrintOutcome { Printed, Cancelled, Failed };

// The system's print dialog (fresh settings each time, one page) and, on OK,
// the job. (In PrintJob.cpp, alone: window tests put their own in its
// place.)
PrintOutcome RunReportPrintJob(wxWindow* parent, wxPrintout& printout);
