#include "app/TamlixApp.h"

#include "app/TamlixDlg.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/wx/CommandLine.h"
#include "platform/wx/Fonts.h"
#include "platform/wx/WxMessage.h"

wxIMPLEMENT_APP(CTamlixApp);

bool CTamlixApp::OnInit() {
    // "ＭＳ ゴシック" and "MS UI Gothic", which every window asks for, are
    // fontconfig aliases of the IPA Gothic fonts; they must exist before the
    // first window creates its fonts.
    std::string exe;
    if (plat::ExecutablePath(exe))
        LoadFontAliases((plat::SplitPath(exe).dir + "fonts.conf").c_str());
    InstallWxMessageBoxes();

    auto* dlg = new CTamlixDlg;
    SetTopWindow(dlg);
    dlg->Show();
    // A path on the command line ("open with") is taken as one dropped file,
    // made absolute first: the recent list outlives the start folder.
    if (argc > 1) dlg->OpenExternalPath(AbsoluteCommandLinePath(argv[1]));
    return true;
}
