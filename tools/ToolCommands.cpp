// The main window's commands that open the tool windows.
#include "app/TamlixDlg.h"
#include "tools/HexCnv.h"
#include "tools/SoftInfo.h"

// A second press only gives the open converter the focus. A converter whose
// window could not be created is discarded, so the next press tries again.
void CTamlixDlg::OnHexConvert(wxCommandEvent&) {
    if (m_pHexDlg != nullptr) {
        m_pHexDlg->TakeFocus();
        return;
    }
    auto* dlg = new CHexCnv;
    if (!dlg->Create(this)) {
        delete dlg;
        return;
    }
    m_pHexDlg = dlg;
}

void CTamlixDlg::OnSoftInfo(wxCommandEvent&) {
    CSoftInfo dlg(this);
    dlg.ShowModal();
}
