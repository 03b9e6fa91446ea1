// The main window's side of the detail window: opening it from button 117
// and bringing it forward after each file load.
#include "app/TamlixDlg.h"
#include "platform/Message.h"
#include "report/DetailDsp.h"

void CTamlixDlg::OnDetail(wxCommandEvent&) {
    if (m_pDetailDlg != nullptr) {
        m_pDetailDlg->FocusAndRepaint();
        return;
    }
    auto* dlg = new CDetailDsp;
    dlg->m_pAnalysis = &m_cur.m_analysis;
    dlg->m_pszFileName = m_cur.m_szFileName;
    m_pDetailDlg = dlg;
    if (!dlg->Create(this)) {
        // Nothing half-made stays behind; the next press tries again.
        m_pDetailDlg = nullptr;
        delete dlg;
        plat::ShowMessage("詳細表示ダイアログの作成失敗", "確認要求");
    }
}

void CTamlixDlg::FocusDetail() {
    if (m_pDetailDlg != nullptr) m_pDetailDlg->FocusAndRepaint();
}
