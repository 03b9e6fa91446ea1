// The detail window: the detail report of the main window's current file,
// scrolled by whole columns and lines, with the print command on its menu
// bar. A frame with dialog behaviour (it carries menu 131); it points at
// the main window's record and file name and keeps no copy.
#pragma once
#include "exif/ExifAnalysis.h"

#include <wx/brush.h>
#include <wx/frame.h>
#include <wx/timer.h>

class COnPrint;
class wxDC;

class CDetailDsp : public wxFrame {
public:
    CDetailDsp();
    ~CDetailDsp() override;

    // Creates the window from template 130, owned by `parent` (which gets
    // command 118 when the window closes), and runs its initialisation.
    // False when the window could not be made.
    bool Create(wxWindow* parent);

    // Focus and an immediate full repaint; the scroll positions stay.
    void FocusAndRepaint();

    // Ranges and positions to their start values.
    void InitScroll();
    // Clamps the requests, sets them on the bars; 1 when the view moved
    // (and a repaint was asked for), else 0.
    int ApplyScroll();
    // Draws the report: line and column origin in cells; `print` ignores
    // the scroll positions. `ppiY` is the device's resolution for fonts.
    void DrawReport(wxDC& dc, int lineOrigin, int colOrigin, bool print, int ppiY);

    // The window that shows the report and carries the scroll bars.
    wxWindow* Canvas() const { return m_canvas; }

    wxBrush m_brushBack;
    ExifAnalysis* m_pAnalysis = nullptr;
    const char* m_pszFileName = nullptr;
    int m_nHScrollPos = 0;
    int m_nVScrollPos = 0;
    int m_nHScrollMax = 150;
    int m_nVScrollMax = 100;
    int m_nVScrollReq = 0;
    int m_nHScrollReq = 0;
    COnPrint* m_pPrintNotice = nullptr;

    // Handlers, public so that tests can drive them as the toolkit would.
    void OnClose(wxCloseEvent& e);
    void OnPaint(wxPaintEvent& e);
    void OnHScroll(wxScrollWinEvent& e);
    void OnVScroll(wxScrollWinEvent& e);
    void OnMouseWheel(wxMouseEvent& e);
    void OnCharHook(wxKeyEvent& e);
    void OnPrintReport(wxCommandEvent& e);
    void OnTimer(wxTimerEvent& e);

    // Timer 120, which ends the print notice (for tests).
    const wxTimer& PrintTimer() const { return m_timer; }

private:
    void OnInitDialog();
    // Sets one request relative to the current position (or absolute).
    void Scroll(int orient, const wxEventType type, int thumb);
    // The keyboard scrolling; true when the key was one of the six.
    bool PreTranslateKey(int key);

    wxWindow* m_canvas = nullptr;
    wxTimer m_timer;
};
