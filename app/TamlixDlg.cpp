#include "app/TamlixDlg.h"

#include "app/DataPaths.h"
#include "app/Settings.h"
#include "app/Summary.h"
#include "platform/Message.h"
#include "platform/Path.h"
#include "platform/wx/CommandMenuBar.h"
#include "platform/wx/FieldBox.h"
#include "platform/wx/FileDialog.h"
#include "platform/wx/PaintLabel.h"
#include "platform/wx/TemplateBuilder.h"
#include "platform/wx/WxText.h"
#include "preview/PreviewBmp.h"
#include "res/Templates.h"
#include "tools/AboutDlg.h"

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/sizer.h>

#include <cstdio>
#include <cstring>

#include "res/Icon138.xpm"

namespace {

constexpr double kVersion = 1.0;

// Colours as 0x00BBGGRR.
constexpr uint32_t kTealLabel = 0x303000;
constexpr uint32_t kDarkLabel = 0x404040;
constexpr uint32_t kGreyLabel = 0xA0A0A0;

const char kConfirm[] = "確認";

}  // namespace

CTamlixDlg::CTamlixDlg()
    : wxFrame(nullptr, wxID_ANY, ToWx(MainDialogTemplate().caption), wxDefaultPosition,
              wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      m_hIcon(tamlix_icon_xpm) {
    BuildWindow();
    OnInitDialog();
}

CTamlixDlg::~CTamlixDlg() { OnDestroy(); }

void CTamlixDlg::BuildWindow() {
    const DialogTemplate& t = MainDialogTemplate();
    // Dialog units follow the top-level window's font, so it is set first.
    SetFont(TemplateFont(t));
    AttachCommandMenuBar(this, MainMenuTemplate());
    m_panel = new wxPanel(this, wxID_ANY);
    BuildControls(m_panel, t);
    m_cbRecent = static_cast<wxChoice*>(m_panel->FindWindow(IDC_RECENT));
    m_rcPicBox = m_panel->FindWindow(IDC_PICTURE)->GetRect();
    // A fixed-size window: GTK would otherwise shrink a window that cannot
    // be resized to its children's natural sizes.
    const wxSize client = DluToPixels(m_panel, 0, 0, t.w, t.h).GetSize();
    SetClientSize(client);
    SetMinClientSize(client);
    SetMaxClientSize(client);

    m_panel->Bind(wxEVT_PAINT, &CTamlixDlg::OnPaint, this);
    Bind(wxEVT_BUTTON, &CTamlixDlg::OnCloseButton, this, IDC_CLOSE);
    Bind(wxEVT_BUTTON, &CTamlixDlg::OnBrowse, this, IDC_BROWSE);
    Bind(wxEVT_BUTTON, &CTamlixDlg::OnDetail, this, IDC_DETAIL);
    Bind(wxEVT_BUTTON, &CTamlixDlg::OnGpsNull, this, IDC_GPSNULL);
    Bind(wxEVT_CHOICE, &CTamlixDlg::OnRecentSelChange, this, IDC_RECENT);
    for (int id : {IDN_DETAIL_CLOSED, IDN_HEX_CLOSED, IDN_GPSNULL_WRITE, IDN_GPSNULL_CLOSED})
        Bind(wxEVT_MENU, &CTamlixDlg::OnNotification, this, id);
    Bind(wxEVT_CHAR_HOOK, &CTamlixDlg::OnCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, &CTamlixDlg::OnCloseWindow, this);
    Bind(wxEVT_MENU, &CTamlixDlg::OnHexConvert, this, IDM_HEXCONV);
    Bind(wxEVT_MENU, &CTamlixDlg::OnSoftInfo, this, IDM_SOFTINFO);
}

void CTamlixDlg::OnInitDialog() {
    AttachVersionDialogEntry(this);
    SetIcon(m_hIcon);
    // The drop-down list would refuse drops on its own.
    for (wxWindow* w : {static_cast<wxWindow*>(this), static_cast<wxWindow*>(m_panel),
                        static_cast<wxWindow*>(m_cbRecent)}) {
        w->DragAcceptFiles(true);
        w->Bind(wxEVT_DROP_FILES, &CTamlixDlg::OnDropFiles, this);
    }

    StartSettings();
    m_cur.m_analysis = ExifAnalysis{};
    LoadTagNameTable(g_szTagTablePath, m_tags);
    RemoveMissingRecentFiles();
    FillRecentFileCombo();
    if (!IsRecentEmpty(0)) {
        LoadImageFile(RecentEntry(0));
        m_panel->Refresh(true);
        UpdateSummary();
        FocusDetail();
    }
    if (wxWindow* first = m_panel->FindWindow(IDC_BROWSE)) first->SetFocus();
}

void CTamlixDlg::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(m_panel);
    for (int id : {IDC_LABEL_SELECT, IDC_LABEL_RECENT, IDC_LABEL_IMAGE})
        PaintLabel(m_panel, dc, id, kTealLabel);
    PaintLabel(m_panel, dc, IDC_LABEL_EXIF, kDarkLabel);
    for (int id : {IDC_LABEL_GPS, IDC_LABEL_MAKER, IDC_LABEL_MODEL, IDC_LABEL_DATE})
        PaintLabel(m_panel, dc, id, kGreyLabel);
    DrawPreview(dc);
    UpdateTitle();
    UpdateSummary();
}

void CTamlixDlg::UpdateTitle() {
    char title[128];
    std::snprintf(title, sizeof title, "Geoskim V%4.2f Quorvane", kVersion);
    const wxString t = ToWx(title);
    if (GetTitle() != t) SetTitle(t);
}

void CTamlixDlg::UpdateSummary() {
    const ExifAnalysis& a = m_cur.m_analysis;
    SummaryTexts s = MakeSummary(a, a.m_nWidth, a.m_nHeight);
    m_strExif = s.m_strExif;
    m_strLat = s.m_strLat;
    m_strLon = s.m_strLon;
    m_strGps = s.m_strGps;
    m_strMaker = s.m_strMaker;
    m_strModel = s.m_strModel;
    m_strDate = s.m_strDate;
    m_strSize = s.m_strSize;
    UpdateData();
}

// Pushes the summary members to their controls.
void CTamlixDlg::UpdateData() {
    const std::pair<int, const std::string*> fields[] = {
        {IDC_EXIF, &m_strExif}, {IDC_LAT, &m_strLat},     {IDC_LON, &m_strLon},
        {IDC_GPS, &m_strGps},   {IDC_MAKER, &m_strMaker}, {IDC_MODEL, &m_strModel},
        {IDC_DATE, &m_strDate}, {IDC_SIZE, &m_strSize},
    };
    for (const auto& [id, text] : fields)
        if (auto* box = dynamic_cast<FieldBox*>(m_panel->FindWindow(id))) box->SetValue(ToWx(*text));
}

void CTamlixDlg::FillRecentFileCombo() {
    m_cbRecent->Clear();
    for (int i = 0; i < kRecentCount; ++i)
        if (!IsRecentEmpty(i)) m_cbRecent->Append(ToWx(RecentEntry(i)));
    if (m_cbRecent->GetCount() > 0) m_cbRecent->SetSelection(0);
}

void CTamlixDlg::LoadImageFile(const char* path) {
    const bool gps = ::LoadImageFile(m_cur, path, m_tags, [this](const char*) {
        g_bPreviewReady = PreparePreview() ? 1 : 0;
        // A file the library cannot convert has no pixel size: the holder
        // keeps the previous picture's, which is not this file's.
        if (!g_bPreviewReady) return PreviewSize{};
        return PreviewSize{g_pPreviewBmp->m_nBmpWidth, g_pPreviewBmp->m_nBmpHeight};
    });
    if (wxWindow* b = m_panel->FindWindow(IDC_GPSNULL)) b->Enable(gps);
}

bool CTamlixDlg::OnCommand(int id) {
    switch (id) {
    case IDN_DETAIL_CLOSED: m_pDetailDlg = nullptr; return true;
    case IDN_HEX_CLOSED: m_pHexDlg = nullptr; return true;
    case IDN_GPSNULL_WRITE: WriteGpsInvalidatedFile(); return true;
    case IDN_GPSNULL_CLOSED: m_pGpsNullDlg = nullptr; return true;
    default: return false;
    }
}

void CTamlixDlg::OnNotification(wxCommandEvent& e) {
    if (!OnCommand(e.GetId())) e.Skip();
}

void CTamlixDlg::AfterFileChosen(const std::string& path) {
    FillRecentFileCombo();
    LoadImageFile(path.c_str());
    m_panel->Refresh(true);
    UpdateSummary();
    FocusDetail();
}

// A path the program's buffers cannot hold is refused before anything
// changes.
bool CTamlixDlg::CheckPathFits(const std::string& path) {
    if (path.size() <= kMaxPathLen) return true;
    plat::ShowMessage("パスが長すぎるため処理できません\n（259 バイトまで）", kConfirm);
    return false;
}

void CTamlixDlg::OnBrowse(wxCommandEvent&) {
    OpenFileRequest req;
    req.filter = "jpg (*.jpg)|*.jpg";
    req.defaultExt = "jpg";
    if (!IsRecentEmpty(0)) {
        plat::PathParts parts = plat::SplitPath(RecentEntry(0));
        req.startDir = parts.drive + parts.dir;
    } else {
        req.startDir = g_szModuleDir;
    }
    OpenFileResult r = RunOpenFileDialog(this, req);
    if (!r.ok) return;
    if (r.unrepresentable) {
        plat::ShowMessage("このファイルのパスには扱えない文字が含まれています\n処理できません",
                          kConfirm);
        return;
    }
    const std::string ext = ExtensionOf(r.path);
    if (!IsJpegExtension(ext)) {
        plat::ShowMessage(ExtensionRejectMessage(ext), kConfirm);
        return;
    }
    if (!CheckPathFits(r.path)) return;
    if (!r.path.empty()) PushRecentFile(r.path.c_str());
    AfterFileChosen(r.path);
}

void CTamlixDlg::OnDropFiles(wxDropFilesEvent& e) {
    if (e.GetNumberOfFiles() != 1) return;
    OpenExternalPath(e.GetFiles()[0]);
}

void CTamlixDlg::OpenExternalPath(const wxString& path) {
    std::string cp;
    if (!FromWx(path, cp)) {
        plat::ShowMessage("このファイルのパスには扱えない文字が含まれています\n処理できません",
                          kConfirm);
        return;
    }
    OpenDroppedFile(cp);
}

void CTamlixDlg::OpenDroppedFile(const std::string& path) {
    const std::string ext = ExtensionOf(path);
    if (!IsJpegExtension(ext)) {
        plat::ShowMessage(ExtensionRejectMessage(ext), kConfirm);
        return;
    }
    if (!CheckPathFits(path)) return;
    if (!path.empty()) PushRecentFile(path.c_str());
    AfterFileChosen(path);
}

void CTamlixDlg::OnRecentSelChange(wxCommandEvent&) {
    const int i = m_cbRecent->GetSelection();
    if (i < 0 || i >= kRecentCount || IsRecentEmpty(i)) return;
    MoveRecentToFront(i);
    const std::string path = RecentEntry(0);
    AfterFileChosen(path);
}

void CTamlixDlg::OnCloseButton(wxCommandEvent&) { EndDialog(); }

void CTamlixDlg::EndDialog() { Close(true); }

void CTamlixDlg::OnCharHook(wxKeyEvent& e) {
    const int key = e.GetKeyCode();
    const bool enter = key == WXK_RETURN || key == WXK_NUMPAD_ENTER;
    if ((key != WXK_ESCAPE && !enter) || IsMenuBarActive(this)) {
        e.Skip();
        return;
    }
    // Enter on a focused push button presses that button, as in a dialog.
    if (enter && dynamic_cast<wxButton*>(FindFocus()) != nullptr) {
        e.Skip();
        return;
    }
    EndDialog();
}

void CTamlixDlg::OnCloseWindow(wxCloseEvent&) { Destroy(); }

void CTamlixDlg::OnDestroy() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    m_cur.m_content = FileContent{};
    m_tags = TagNameTable{};
    SaveSettings();
    if (g_pPreviewBmp != nullptr) {
        g_pPreviewBmp->FreeBuffers();
        delete g_pPreviewBmp;
        g_pPreviewBmp = nullptr;
    }
}
