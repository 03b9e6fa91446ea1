// The main window: summary of the current file, recent-file list, and the
// hub from which the other windows are opened. A frame with dialog
// behaviour, since it carries a menu bar.
#pragma once
#include "app/FileSelect.h"
#include "exif/TagNameTable.h"

#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/icon.h>
#include <wx/panel.h>

#include <cstdint>
#include <memory>
#include <string>

class CDetailDsp;
class CHexCnv;
class CGPSNull;
class wxDropFilesEvent;
class wxDC;

class CTamlixDlg : public wxFrame, private CNCsvFunc {
public:
    // Creates the window and its controls and runs the initialisation
    // (settings, tag table, most recent file).
    CTamlixDlg();
    ~CTamlixDlg() override;

    void UpdateSummary();
    void UpdateTitle();
    void FillRecentFileCombo();
    void FocusDetail();
    CDetailDsp* DetailDlg() const { return m_pDetailDlg; }
    void LoadImageFile(const char* path);

    // A path from outside the program (drop, command line), in the file
    // system's text: refused with a message when CP932 cannot hold it, else
    // handled as one dropped file.
    void OpenExternalPath(const wxString& path);
    // The drop handling for one CP932 path: extension test, list, load.
    void OpenDroppedFile(const std::string& path);

    // The notifications of the child windows (118, 125, 137, 138). True
    // when the number was one of them.
    bool OnCommand(int id);

    // Ends the window as the dialog's OK/Cancel would.
    void EndDialog();

    const CurrentFile& Current() const { return m_cur; }

    // Command 137: writes a copy (or, after a question, the file itself)
    // with the GPS bytes the open options dialog chose zeroed.
    void WriteGpsInvalidatedFile();
    CGPSNull* GpsNullDlg() const { return m_pGpsNullDlg; }
    wxPanel* Panel() const { return m_panel; }

    // Summary texts as last pushed to the controls (CP932).
    std::string m_strExif, m_strLat, m_strLon, m_strGps;
    std::string m_strMaker, m_strModel, m_strDate, m_strSize;

private:
    void OnInitDialog();
    void BuildWindow();
    void UpdateData();
    void AfterFileChosen(const std::string& path);
    bool CheckPathFits(const std::string& path);

    void OnPaint(wxPaintEvent& e);
    void OnCloseButton(wxCommandEvent& e);
    void OnBrowse(wxCommandEvent& e);
    void OnDetail(wxCommandEvent& e);  // defined with the detail window
    void OnDropFiles(wxDropFilesEvent& e);
    void OnRecentSelChange(wxCommandEvent& e);
    void OnNotification(wxCommandEvent& e);
    void OnGpsNull(wxCommandEvent& e);
    void OnCharHook(wxKeyEvent& e);
    void OnCloseWindow(wxCloseEvent& e);
    void OnHexConvert(wxCommandEvent& e);
    void OnSoftInfo(wxCommandEvent& e);
    void OnDestroy();

    CurrentFile m_cur;
    wxRect m_rcPicBox;
    CDetailDsp* m_pDetailDlg = nullptr;
    CHexCnv* m_pHexDlg = nullptr;
    CGPSNull* m_pGpsNullDlg = nullptr;
    TagNameTable m_tags;
    wxIcon m_hIcon;
    wxChoice* m_cbRecent = nullptr;
    wxPanel* m_panel = nullptr;
    bool m_bDestroyed = false;

public:
    // The preview: the scaled picture and its display-format copy.
    bool PreparePreview();
    void ResamplePreview();
    void DrawPreview(wxDC& dc);
    void MakeDisplayBits();
    void BlitPreview(wxDC& dc);
    int32_t m_nPicLeft = 0, m_nPicTop = 0;
    int32_t m_nPicW = 0, m_nPicH = 0;
    std::unique_ptr<uint8_t[]> m_pPicBGR;
    int32_t m_nDispBits = 0, m_nDispStride = 0, m_nDispRows = 0;
    std::unique_ptr<uint8_t[]> m_pDispBits;
};
