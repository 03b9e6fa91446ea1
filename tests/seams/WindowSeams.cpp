// The seams of the window tests. The functions below marked "replaces" stand
// in for the program's own at link time: the file dialogs and the print
// job are answered by what a test installs, and the executable's path is
// the one a test gives.
#include "tests/seams/TestSeams.h"

#include "platform/File.h"
#include "report/ReportPrint.h"

#include <wx/dcgraph.h>
#include <wx/frame.h>
#include <wx/graphics.h>
#include <wx/menu.h>

#ifdef __WXGTK__
#include <cairo-pdf.h>
#include <cairo.h>
#include <gtk/gtk.h>
#else
#include <windows.h>
#endif

#include <cmath>

namespace {

std::string& ExecutableOverride() {
    static std::string path;
    return path;
}

OpenFileResponder& OpenResponder() {
    static OpenFileResponder r;
    return r;
}

SaveFileResponder& SaveResponder() {
    static SaveFileResponder r;
    return r;
}

PrintJobRunner& Runner() {
    static PrintJobRunner r;
    return r;
}

#ifdef __WXGTK__
constexpr int kFileDeviceDpi = 96;
#endif

}  // namespace

void plat::OverrideExecutablePath(const std::string& cp932) { ExecutableOverride() = cp932; }

// Replaces the program's ExecutablePath.
bool plat::ExecutablePath(std::string& out) {
    if (ExecutableOverride().empty()) return false;
    out = ExecutableOverride();
    return true;
}

#ifdef __WXGTK__

bool ActivateMenuBarItem(wxFrame* frame, int index) {
    wxMenuBar* bar = frame->GetMenuBar();
    if (bar == nullptr || bar->GetHandle() == nullptr) return false;
    GList* children = gtk_container_get_children(GTK_CONTAINER(bar->GetHandle()));
    auto* item = static_cast<GtkWidget*>(g_list_nth_data(children, static_cast<guint>(index)));
    g_list_free(children);
    if (item == nullptr) return false;
    gtk_menu_item_activate(GTK_MENU_ITEM(item));
    return true;
}

#else

// The bar's items are native string items: their command comes as the
// WM_COMMAND a click sends.
bool ActivateMenuBarItem(wxFrame* frame, int index) {
    wxMenuBar* bar = frame->GetMenuBar();
    auto hmenu = static_cast<HMENU>(bar != nullptr ? bar->GetHMenu() : nullptr);
    if (hmenu == nullptr || index < 0 || index >= GetMenuItemCount(hmenu)) return false;
    const UINT id = GetMenuItemID(hmenu, index);
    if (id == static_cast<UINT>(-1)) return false;
    SendMessageW(static_cast<HWND>(frame->GetHWND()), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return true;
}

#endif

void SetOpenFileResponder(OpenFileResponder r) { OpenResponder() = std::move(r); }
void SetSaveFileResponder(SaveFileResponder r) { SaveResponder() = std::move(r); }
void SetPrintJobRunner(PrintJobRunner r) { Runner() = std::move(r); }

// Replaces the program's RunOpenFileDialog.
OpenFileResult RunOpenFileDialog(wxWindow*, const OpenFileRequest& req) {
    return OpenResponder() ? OpenResponder()(req) : OpenFileResult{};
}

// Replaces the program's RunSaveFileDialog.
OpenFileResult RunSaveFileDialog(wxWindow*, const SaveFileRequest& req) {
    return SaveResponder() ? SaveResponder()(req) : OpenFileResult{};
}

// Replaces the program's RunReportPrintJob.
PrintOutcome RunReportPrintJob(wxWindow* parent, wxPrintout& printout) {
    return Runner() ? Runner()(parent, printout) : PrintOutcome::Cancelled;
}

#ifdef __WXGTK__  // the PDF file device is cairo's

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
