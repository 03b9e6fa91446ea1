#include "report/ReportPrint.h"

PrintOutcome RunReportPrintJob(wxWindow* parent, wxPrintout& printout) {
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
