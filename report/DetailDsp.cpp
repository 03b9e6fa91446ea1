#include "report/DetailDsp.h"

#include "platform/Message.h"
#include "platform/wx/CommandMenuBar.h"
#include "platform/wx/ScrollBars.h"
#include "platform/wx/TemplateBuilder.h"
#include "platform/wx/WxText.h"
#include "report/OnPrint.h"
#include "report/ReportDraw.h"
#include "report/ReportPrint.h"
#include "res/Templates.h"

#include <wx/dcclient.h>

namespace {

constexpr int kPageStep = 10;
constexpr int kNoticeMillis = 2000;

int Clamp(int v, int max) { return v < 0 ? 0 : (v > max ? max : v); }

}  // namespace

CDetailDsp::CDetailDsp() : m_brushBack(wxColour(255, 255, 255)), m_timer(this, IDT_PRINT_NOTICE) {}

CDetailDsp::~CDetailDsp() { m_timer.Stop(); }

bool CDetailDsp::Create(wxWindow* parent) {
    const DialogTemplate& t = DetailDialogTemplate();
    // Placed at the owner's client origin.
    wxPoint pos = wxDefaultPosition;
    if (parent != nullptr && parent->IsShown()) pos = parent->ClientToScreen(wxPoint(0, 0));
    if (!wxFrame::Create(parent, wxID_ANY, ToWx(t.caption), pos, wxDefaultSize,
                         wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxRESIZE_BORDER))
        return false;
    // Dialog units follow the top-level window's font.
    SetFont(TemplateFont(t));
    AttachCommandMenuBar(this, DetailMenuTemplate());
    m_canvas = new wxWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                            wxHSCROLL | wxVSCROLL | wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS);
    // The paint handler fills the whole area with the white brush itself.
    m_canvas->SetBackgroundStyle(wxBG_STYLE_PAINT);
    m_canvas->SetBackgroundColour(m_brushBack.GetColour());
    SetClientSize(DluToPixels(this, 0, 0, t.w, t.h).GetSize());

    Bind(wxEVT_CLOSE_WINDOW, &CDetailDsp::OnClose, this);
    m_canvas->Bind(wxEVT_PAINT, &CDetailDsp::OnPaint, this);
    for (const auto& type : {wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM, wxEVT_SCROLLWIN_LINEUP,
                             wxEVT_SCROLLWIN_LINEDOWN, wxEVT_SCROLLWIN_PAGEUP,
                             wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK,
                             wxEVT_SCROLLWIN_THUMBRELEASE})
        m_canvas->Bind(type, [this](wxScrollWinEvent& e) {
            if (e.GetOrientation() == wxHORIZONTAL) OnHScroll(e);
            else OnVScroll(e);
        });
    m_canvas->Bind(wxEVT_MOUSEWHEEL, &CDetailDsp::OnMouseWheel, this);
    Bind(wxEVT_CHAR_HOOK, &CDetailDsp::OnCharHook, this);
    Bind(wxEVT_MENU, &CDetailDsp::OnPrintReport, this, IDM_PRINT_REPORT);
    Bind(wxEVT_TIMER, &CDetailDsp::OnTimer, this, IDT_PRINT_NOTICE);

    OnInitDialog();
    return true;
}

void CDetailDsp::OnInitDialog() {
    InitScroll();
    Show();
    m_canvas->Refresh(true);
    m_canvas->SetFocus();
}

void CDetailDsp::FocusAndRepaint() {
    Raise();
    m_canvas->SetFocus();
    m_canvas->Refresh(true);
    m_canvas->Update();
}

void CDetailDsp::InitScroll() {
    m_nHScrollMax = 150;
    m_nVScrollMax = 100;
    m_nHScrollPos = m_nVScrollPos = 0;
    m_nHScrollReq = m_nVScrollReq = 0;
    // A thumb of one position: the positions run from 0 to the maximum.
    m_canvas->SetScrollbar(wxHORIZONTAL, 0, 1, m_nHScrollMax + 1, true);
    m_canvas->SetScrollbar(wxVERTICAL, 0, 1, m_nVScrollMax + 1, true);
    // No page size is given to the bars, but a click in a track pages by
    // the same step as the page keys.
    UsePagingScrollBars(m_canvas, kPageStep);
}

int CDetailDsp::ApplyScroll() {
    const int vMax = m_canvas->GetScrollRange(wxVERTICAL) - m_canvas->GetScrollThumb(wxVERTICAL);
    const int hMax =
        m_canvas->GetScrollRange(wxHORIZONTAL) - m_canvas->GetScrollThumb(wxHORIZONTAL);
    m_nVScrollReq = Clamp(m_nVScrollReq, vMax);
    m_canvas->SetScrollPos(wxVERTICAL, m_nVScrollReq, true);
    m_nHScrollReq = Clamp(m_nHScrollReq, hMax);
    m_canvas->SetScrollPos(wxHORIZONTAL, m_nHScrollReq, true);
    m_nVScrollReq = m_canvas->GetScrollPos(wxVERTICAL);
    m_nHScrollReq = m_canvas->GetScrollPos(wxHORIZONTAL);
    if (m_nVScrollReq == m_nVScrollPos && m_nHScrollReq == m_nHScrollPos) return 0;
    m_nHScrollPos = m_nHScrollReq;
    m_nVScrollPos = m_nVScrollReq;
    m_canvas->Refresh(true);
    return 1;
}

void CDetailDsp::Scroll(int orient, const wxEventType type, int thumb) {
    const bool h = orient == wxHORIZONTAL;
    const int pos = h ? m_nHScrollPos : m_nVScrollPos;
    int req;
    if (type == wxEVT_SCROLLWIN_LINEUP) req = pos - 1;
    else if (type == wxEVT_SCROLLWIN_LINEDOWN) req = pos + 1;
    else if (type == wxEVT_SCROLLWIN_PAGEUP) req = pos - kPageStep;
    else if (type == wxEVT_SCROLLWIN_PAGEDOWN) req = pos + kPageStep;
    else if (type == wxEVT_SCROLLWIN_THUMBTRACK || type == wxEVT_SCROLLWIN_THUMBRELEASE) req = thumb;
    else if (type == wxEVT_SCROLLWIN_TOP) req = 0;
    else if (type == wxEVT_SCROLLWIN_BOTTOM) req = h ? m_nHScrollMax : m_nVScrollMax;
    else return;
    (h ? m_nHScrollReq : m_nVScrollReq) = req;
    ApplyScroll();
}

void CDetailDsp::OnHScroll(wxScrollWinEvent& e) {
    Scroll(wxHORIZONTAL, e.GetEventType(), e.GetPosition());
}

void CDetailDsp::OnVScroll(wxScrollWinEvent& e) {
    Scroll(wxVERTICAL, e.GetEventType(), e.GetPosition());
}

void CDetailDsp::OnMouseWheel(wxMouseEvent& e) {
    if (e.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL) return;
    // One line per wheel message, whatever the size of the delta.
    const int delta = e.GetWheelRotation();
    if (delta > 0) m_nVScrollReq = m_nVScrollPos - 1;
    else if (delta < 0) m_nVScrollReq = m_nVScrollPos + 1;
    ApplyScroll();
}

bool CDetailDsp::PreTranslateKey(int key) {
    switch (key) {
    case WXK_PAGEUP: case WXK_NUMPAD_PAGEUP: m_nVScrollReq = m_nVScrollPos - kPageStep; break;
    case WXK_PAGEDOWN: case WXK_NUMPAD_PAGEDOWN: m_nVScrollReq = m_nVScrollPos + kPageStep; break;
    case WXK_UP: case WXK_NUMPAD_UP: m_nVScrollReq = m_nVScrollPos - 1; break;
    case WXK_DOWN: case WXK_NUMPAD_DOWN: m_nVScrollReq = m_nVScrollPos + 1; break;
    case WXK_LEFT: case WXK_NUMPAD_LEFT: m_nHScrollReq = m_nHScrollPos - 1; break;
    case WXK_RIGHT: case WXK_NUMPAD_RIGHT: m_nHScrollReq = m_nHScrollPos + 1; break;
    default: return false;
    }
    ApplyScroll();
    return true;
}

void CDetailDsp::OnCharHook(wxKeyEvent& e) {
    // In keyboard menu mode the keys belong to the bar.
    if (IsMenuBarActive(this)) {
        e.Skip();
        return;
    }
    const int key = e.GetKeyCode();
    if (PreTranslateKey(key)) return;
    // Home and End do not scroll; the toolkit's own bindings would jump to
    // either end of the bars.
    if (key == WXK_HOME || key == WXK_END || key == WXK_NUMPAD_HOME || key == WXK_NUMPAD_END)
        return;
    // Esc closes the window as the close box does; Enter does nothing.
    if (key == WXK_ESCAPE) {
        Close();
        return;
    }
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) return;
    e.Skip();
}

void CDetailDsp::OnClose(wxCloseEvent&) {
    // The owner forgets its pointer before the window goes.
    if (wxWindow* owner = GetParent()) {
        wxCommandEvent ev(wxEVT_MENU, IDN_DETAIL_CLOSED);
        owner->ProcessWindowEvent(ev);
    }
    Destroy();
}

void CDetailDsp::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(m_canvas);
    dc.SetBackground(m_brushBack);
    dc.Clear();
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    DrawReport(dc, 0, 0, false, dc.GetPPI().y);
}

void CDetailDsp::DrawReport(wxDC& dc, int lineOrigin, int colOrigin, bool print, int ppiY) {
    ReportDrawing d;
    d.analysis = m_pAnalysis;
    d.fileName = m_pszFileName;
    d.lineOrigin = lineOrigin;
    d.colOrigin = colOrigin;
    d.hScrollPos = print ? 0 : m_nHScrollPos;
    d.vScrollPos = print ? 0 : m_nVScrollPos;
    d.ppiY = ppiY;
    ::DrawReport(dc, d);
}

void CDetailDsp::OnPrintReport(wxCommandEvent&) {
    ReportPrintout printout(m_pAnalysis, m_pszFileName);
    // Cancel: nothing else happens. A failed job is not reported as printing.
    if (RunReportPrintJob(this, printout) != PrintOutcome::Printed) return;
    if (m_pPrintNotice != nullptr) {
        m_pPrintNotice->SetFocus();
        return;
    }
    auto* notice = new COnPrint;
    if (!notice->Create(this)) {
        delete notice;
        plat::ShowMessage("印刷中ー表示ダイアログの作成失敗", "確認要求");
        return;
    }
    m_pPrintNotice = notice;
    m_timer.Start(kNoticeMillis);
}

void CDetailDsp::OnTimer(wxTimerEvent& e) {
    if (e.GetId() == IDT_PRINT_NOTICE) {
        m_timer.Stop();
        if (m_pPrintNotice != nullptr) m_pPrintNotice->Destroy();
        m_pPrintNotice = nullptr;
    }
    e.Skip();
}
