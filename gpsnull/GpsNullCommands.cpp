// The main window's part of the GPS invalidation: opening the options
// dialog (button 136) and the writer it asks for (command 137).
#include "app/TamlixDlg.h"
#include "gpsnull/GPSNull.h"
#include "gpsnull/GpsInvalidate.h"
#include "platform/Message.h"
#include "platform/Path.h"
#include "platform/wx/FileDialog.h"

#include <cstring>

namespace {

const char kConfirm[] = "確認";

}  // namespace

void CTamlixDlg::OnGpsNull(wxCommandEvent&) {
    if (m_pGpsNullDlg != nullptr) {
        m_pGpsNullDlg->Raise();
        m_pGpsNullDlg->SetFocus();
        return;
    }
    m_pGpsNullDlg = new CGPSNull(this);
}

void CTamlixDlg::WriteGpsInvalidatedFile() {
    if (m_pGpsNullDlg == nullptr) return;
    const int32_t clearEntries = m_pGpsNullDlg->m_bClearEntries;
    const int32_t clearLatLon = m_pGpsNullDlg->m_bClearLatLon;
    const char* current = m_cur.m_szFilePath;
    if (current[0] == '\0') {
        plat::ShowMessage("ファイルが正常に選択されていません", kConfirm);
        return;
    }
    // The options dialog outlives loads: the file now current may have no
    // GPS IFD, and then there is nothing to patch.
    const ExifAnalysis& a = m_cur.m_analysis;
    if (a.m_nGpsState != kGpsData) {
        plat::ShowMessage("現在のファイルには GPS 情報がありません。\n書込みは行いません。",
                          kConfirm);
        return;
    }

    // The bytes written are the file as it is now, which must still be the
    // content the positions were taken from.
    FileBuffer buf;
    switch (ReadFileAgain(current, buf, m_cur.m_content.m_pFileData.get(),
                          m_cur.m_content.m_nFileLen)) {
    case ReadAgainResult::Ok: break;
    case ReadAgainResult::CannotRead:
        plat::ShowMessage("カレントファイルが正常に読み出せません", kConfirm);
        return;
    case ReadAgainResult::Changed:
        plat::ShowMessage(
            "カレントファイルが解析後に変更されています。\nファイルを選び直してください。",
            kConfirm);
        return;
    }
    if (!GpsPatchFits(a, buf.len)) {
        plat::ShowMessage("現在のファイルには GPS 情報がありません。\n書込みは行いません。",
                          kConfirm);
        return;
    }
    if (!GpsPatchSafe(a, buf.data.get(), buf.len)) {
        plat::ShowMessage("GPS 情報が Exif ブロックの外にあるか、0th IFD と重なっています。\n"
                          "書込みは行いません。",
                          kConfirm);
        return;
    }

    const plat::PathParts parts = plat::SplitPath(current);
    SaveFileRequest req;
    req.startDir = parts.drive + parts.dir;
    req.fileName = parts.fname;
    req.filter = "jpg (*.jpg)|*.jpg|All Files (*.*)|*.*";
    req.defaultExt = "jpg";
    const OpenFileResult r = RunSaveFileDialog(this, req);
    if (!r.ok) return;
    if (r.unrepresentable) {
        plat::ShowMessage("このファイルのパスには扱えない文字が含まれています\n処理できません",
                          kConfirm);
        return;
    }
    if (r.path.empty() || r.path.size() > kMaxPathLen) {
        plat::ShowMessage("パスが長すぎるため処理できません\n（259 バイトまで）", kConfirm);
        return;
    }
    const std::string& target = r.path;

    if (target == current) {
        if (plat::ShowMessage("ファイルを書き換えていいですか？", kConfirm,
                              plat::MsgButtons::OkCancel) != plat::MsgResult::Ok)
            return;
    } else if (!ConfirmOverwrite(target.c_str())) {
        return;
    }

    InvalidateGpsBytes(buf.data.get(), buf.len, clearEntries, a, clearLatLon);
    if (!WriteGpsResult(target.c_str(), current, m_cur.m_content.m_pFileData.get(),
                        buf.data.get(), buf.len)) {
        plat::ShowMessage("jpg ファイルが作れませんでした。", "確認要求");
        return;
    }
    plat::ShowMessage("指定ファイルに書込みました。", target);
    // The summary keeps the analysis made before the write.
    m_pGpsNullDlg->Close(true);
}
