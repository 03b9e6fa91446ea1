// One paint of the preview as the main window does it (display conversion
// and blit), on the real window with a photo loaded, drawn onto a memory
// device. Needs a display (xvfb-run).
//
//   tamlix_bench_paint photo.jpg
#include "app/TamlixDlg.h"
#include "platform/Message.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/init.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// <chrono> cannot be used with this build's CP932 literals.
double Now() {
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tamlix_bench_paint photo.jpg\n");
        return 2;
    }
    wxApp::SetInstance(new wxApp);
    int wxArgc = 1;  // the photo is ours, not an option for the toolkit
    if (!wxEntryStart(wxArgc, argv)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    plat::SetMessageResponder(
        [](const std::string&, const std::string&, plat::MsgButtons) { return plat::MsgResult::Ok; });
    auto* dlg = new CTamlixDlg;
    dlg->OpenDroppedFile(argv[1]);
    const wxSize size = dlg->Panel()->GetClientSize();
    wxBitmap target(size.x, size.y, 24);
    std::vector<double> t;
    for (int i = 0; i < 201; ++i) {
        wxMemoryDC dc(target);
        const double t0 = Now();
        dlg->DrawPreview(dc);
        if (i > 0) t.push_back(Now() - t0);  // the first paint also sets things up
    }
    std::sort(t.begin(), t.end());
    std::printf("preview paint (conversion and blit), %d x %d picture at %d bits: %.3f ms median,"
                " %.3f ms worst (budget: median under 2 ms)\n",
                dlg->m_nPicW, dlg->m_nPicH, dlg->m_nDispBits, t[t.size() / 2] * 1e3,
                t.back() * 1e3);
    dlg->Destroy();
    wxTheApp->ProcessIdle();
    wxEntryCleanup();
    return 0;
}
