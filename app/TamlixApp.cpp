#include "app/TamlixApp.h"

#include "app/TamlixDlg.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/wx/Fonts.h"
#include "platform/wx/WxMessage.h"

wxIMPLEMENT_APP(CTamlixApp);

bool CTamlixApp::OnInit() {
    // The design's font faces are aliases that must exist before the first
    // window asks for them.
    std::string exe;
    if (plat::ExecutablePath(exe))
        LoadFontAliases((plat::SplitPath(exe).dir + "fonts.conf").c_str());
    InstallWxMessageBoxes();

    auto* dlg = new CTamlixDlg;
    SetTopWindow(dlg);
    dlg->Show();
    // A path on the command line ("open with") is taken as one dropped file.
    if (argc > 1) dlg->OpenExternalPath(argv[1]);
    return true;
}
