// Starts wx without a main loop so that tests can create the real windows,
// call their handlers and read their controls. A wx assert fails the test
// and log output goes to stderr (a modal box would hang the run).
#include "platform/wx/Fonts.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>

namespace {

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE() << "wx assert " << file.utf8_str() << ":" << line << " " << func.utf8_str()
                  << " (" << cond.utf8_str() << ") " << msg.utf8_str();
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    // The font aliases, as the program loads them before its first window.
    LoadFontAliases(TAMLIX_RES_DIR "/fonts.conf");
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "cannot start wx (no display?)\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    wxSetAssertHandler(FailOnAssert);
    delete wxLog::SetActiveTarget(new wxLogStderr);
    // An active loop lets tests dispatch pending toolkit events (paints).
    int rc;
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        rc = RUN_ALL_TESTS();
    }
    wxEntryCleanup();
    return rc;
}
