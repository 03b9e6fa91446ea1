// The detail window under a display: opening from the main window, scroll
// limits and inputs (also as real keys and clicks), closing, following file
// loads, printing through a scripted print job, the notice's place, and the
// printed page on a PDF file device.
#include "platform/wx/WxText.h"
#include "report/DetailDsp.h"
#include "report/OnPrint.h"
#include "report/ReportLayout.h"
#include "report/ReportPrint.h"
#include "res/Templates.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/RealInput.h"

#include <wx/dcmemory.h>

#include <cstdio>
#include <cmath>
#include <regex>

namespace {

class DetailWindowTest : public MainWindowTest {
protected:
    void TearDown() override {
        SetPrintJobRunner(nullptr);
        MainWindowTest::TearDown();
    }

    // Opens the main window on a photo and presses "詳細表示".
    CDetailDsp& OpenDetail(const char* corpus = "gps/apple_iphone6_hdr_W.jpg") {
        WriteSettings({Photo(corpus, "a.jpg")});
        Open();
        PressDetail();
        EXPECT_NE(m_dlg->DetailDlg(), nullptr);
        return *m_dlg->DetailDlg();
    }

    void PressDetail() {
        wxWindow* button = m_dlg->Panel()->FindWindow(IDC_DETAIL);
        ASSERT_NE(button, nullptr);
        wxCommandEvent ev(wxEVT_BUTTON, IDC_DETAIL);
        ev.SetEventObject(button);
        button->ProcessWindowEvent(ev);
        Pump();
    }

    static void Key(CDetailDsp& d, int code) {
        wxKeyEvent ev(wxEVT_CHAR_HOOK);
        ev.m_keyCode = code;
        ev.SetEventObject(d.Canvas());
        d.ProcessWindowEvent(ev);
    }

    static void Wheel(CDetailDsp& d, int rotation,
                      wxMouseWheelAxis axis = wxMOUSE_WHEEL_VERTICAL) {
        wxMouseEvent ev(wxEVT_MOUSEWHEEL);
        ev.m_wheelRotation = rotation;
        ev.m_wheelDelta = 120;
        ev.m_wheelAxis = axis;
        d.Canvas()->ProcessWindowEvent(ev);
    }

    static void Bar(CDetailDsp& d, wxEventType type, int orient, int pos = 0) {
        wxScrollWinEvent ev(type, pos, orient);
        ev.SetEventObject(d.Canvas());
        d.Canvas()->ProcessWindowEvent(ev);
    }

    static void Print(CDetailDsp& d) {
        wxCommandEvent ev(wxEVT_MENU, IDM_PRINT_REPORT);
        d.ProcessWindowEvent(ev);
    }

    static int LiveDetailWindows() {
        int n = 0;
        for (wxWindow* w : wxTopLevelWindows)
            if (dynamic_cast<CDetailDsp*>(w) != nullptr && !w->IsBeingDeleted()) ++n;
        return n;
    }

    static int LiveNotices() {
        int n = 0;
        for (wxWindow* w : wxTopLevelWindows)
            if (dynamic_cast<COnPrint*>(w) != nullptr && !w->IsBeingDeleted()) ++n;
        return n;
    }
};

#ifdef __WXGTK__
std::string RunCommand(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}
#endif

}  // namespace

// ---- opening and closing ----

TEST_F(DetailWindowTest, SecondPressFocusesTheOpenWindowInsteadOfMakingAnother) {
    CDetailDsp& d = OpenDetail();
    EXPECT_TRUE(d.IsShown());
    EXPECT_EQ(d.m_pAnalysis, &m_dlg->Current().m_analysis);
    EXPECT_STREQ(d.m_pszFileName, "a.jpg");
    PressDetail();
    EXPECT_EQ(m_dlg->DetailDlg(), &d);
    EXPECT_EQ(LiveDetailWindows(), 1);
    EXPECT_EQ(m_msgs.Count(), 0u);
}

TEST_F(DetailWindowTest, CloseBoxNotifiesTheMainWindowAndANewWindowStartsAtZero) {
    CDetailDsp& d = OpenDetail();
    d.m_nVScrollReq = 40;
    d.m_nHScrollReq = 7;
    d.ApplyScroll();
    d.Close();
    // Command 118 arrived before the window went.
    EXPECT_EQ(m_dlg->DetailDlg(), nullptr);
    Pump();
    EXPECT_EQ(LiveDetailWindows(), 0);
    PressDetail();
    ASSERT_NE(m_dlg->DetailDlg(), nullptr);
    EXPECT_EQ(m_dlg->DetailDlg()->m_nVScrollPos, 0);
    EXPECT_EQ(m_dlg->DetailDlg()->m_nHScrollPos, 0);
    EXPECT_EQ(m_dlg->DetailDlg()->Canvas()->GetScrollPos(wxVERTICAL), 0);
}

TEST_F(DetailWindowTest, EscapeClosesLikeTheCloseBoxAndEnterDoesNothing) {
    CDetailDsp& d = OpenDetail();
    Key(d, WXK_RETURN);
    Pump();
    EXPECT_EQ(m_dlg->DetailDlg(), &d);
    EXPECT_EQ(LiveDetailWindows(), 1);
    Key(d, WXK_ESCAPE);
    EXPECT_EQ(m_dlg->DetailDlg(), nullptr);
    Pump();
    EXPECT_EQ(LiveDetailWindows(), 0);
}

TEST_F(DetailWindowTest, ANewFileIsShownAtTheSameScrollPosition) {
    CDetailDsp& d = OpenDetail();
    d.m_nVScrollReq = 3;
    d.m_nHScrollReq = 5;
    ASSERT_EQ(d.ApplyScroll(), 1);
    m_dlg->OpenDroppedFile(Photo("noexif/beach.jpg", "b.jpg"));
    Pump();
    EXPECT_EQ(m_dlg->DetailDlg(), &d);
    EXPECT_STREQ(d.m_pszFileName, "b.jpg");
    EXPECT_EQ(d.m_pAnalysis->m_nTiffPos, 0);
    EXPECT_EQ(d.m_nVScrollPos, 3);
    EXPECT_EQ(d.m_nHScrollPos, 5);
}

// ---- scrolling ----

TEST_F(DetailWindowTest, RequestsAreClampedToTheFixedRanges) {
    CDetailDsp& d = OpenDetail();
    // At the top nothing moves and nothing is repainted.
    Key(d, WXK_UP);
    Wheel(d, 120);
    EXPECT_EQ(d.m_nVScrollPos, 0);
    EXPECT_EQ(d.ApplyScroll(), 0);

    Bar(d, wxEVT_SCROLLWIN_THUMBRELEASE, wxVERTICAL, 95);
    EXPECT_EQ(d.m_nVScrollPos, 95);
    Key(d, WXK_PAGEDOWN);
    EXPECT_EQ(d.m_nVScrollPos, 100);
    EXPECT_EQ(d.Canvas()->GetScrollPos(wxVERTICAL), 100);
    Key(d, WXK_PAGEUP);
    EXPECT_EQ(d.m_nVScrollPos, 90);
    Bar(d, wxEVT_SCROLLWIN_BOTTOM, wxVERTICAL);
    EXPECT_EQ(d.m_nVScrollPos, 100);
    Bar(d, wxEVT_SCROLLWIN_BOTTOM, wxHORIZONTAL);
    EXPECT_EQ(d.m_nHScrollPos, 150);
    Key(d, WXK_RIGHT);
    EXPECT_EQ(d.m_nHScrollPos, 150);
    Bar(d, wxEVT_SCROLLWIN_PAGEUP, wxHORIZONTAL);
    EXPECT_EQ(d.m_nHScrollPos, 140);
    Bar(d, wxEVT_SCROLLWIN_LINEUP, wxHORIZONTAL);
    Key(d, WXK_LEFT);
    EXPECT_EQ(d.m_nHScrollPos, 138);
    Bar(d, wxEVT_SCROLLWIN_TOP, wxVERTICAL);
    Bar(d, wxEVT_SCROLLWIN_LINEDOWN, wxVERTICAL);
    Key(d, WXK_DOWN);
    EXPECT_EQ(d.m_nVScrollPos, 2);
    // Out-of-range requests never reach the positions.
    d.m_nVScrollReq = -7;
    d.m_nHScrollReq = 999;
    d.ApplyScroll();
    EXPECT_EQ(d.m_nVScrollPos, 0);
    EXPECT_EQ(d.m_nHScrollPos, 150);
}

TEST_F(DetailWindowTest, WheelMovesOneLinePerMessageAndHomeEndDoNotScroll) {
    CDetailDsp& d = OpenDetail();
    Wheel(d, -240);
    EXPECT_EQ(d.m_nVScrollPos, 1);
    Wheel(d, -120);
    Wheel(d, -1);
    EXPECT_EQ(d.m_nVScrollPos, 3);
    Wheel(d, 240);
    EXPECT_EQ(d.m_nVScrollPos, 2);
    Wheel(d, 0);
    Wheel(d, -120, wxMOUSE_WHEEL_HORIZONTAL);
    EXPECT_EQ(d.m_nVScrollPos, 2);
    EXPECT_EQ(d.m_nHScrollPos, 0);
    Key(d, WXK_HOME);
    Key(d, WXK_END);
    EXPECT_EQ(d.m_nVScrollPos, 2);
    EXPECT_EQ(d.m_nHScrollPos, 0);
    // Scrolled to the bottom of the range, only white background remains.
    Bar(d, wxEVT_SCROLLWIN_BOTTOM, wxVERTICAL);
    Pump();
    wxBitmap shot(d.Canvas()->GetClientSize());
    {
        // Drawn as the paint handler draws, onto a bitmap.
        wxMemoryDC mem(shot);
        mem.SetBackground(d.m_brushBack);
        mem.Clear();
        d.DrawReport(mem, 0, 0, false, mem.GetPPI().y);
    }
    const wxImage img = shot.ConvertToImage();
    for (int y = 0; y < img.GetHeight(); y += 3)
        for (int x = 0; x < img.GetWidth(); x += 3)
            ASSERT_EQ(img.GetRed(x, y) + img.GetGreen(x, y) + img.GetBlue(x, y), 3 * 255)
                << x << "," << y;
}

// ---- printing ----

TEST_F(DetailWindowTest, CancelledPrintLeavesEverythingAsItWas) {
    CDetailDsp& d = OpenDetail();
    int jobs = 0;
    SetPrintJobRunner([&](wxWindow*, wxPrintout&) {
        ++jobs;
        return PrintOutcome::Cancelled;
    });
    Print(d);
    EXPECT_EQ(jobs, 1);
    EXPECT_EQ(d.m_pPrintNotice, nullptr);
    EXPECT_FALSE(d.PrintTimer().IsRunning());
    EXPECT_EQ(LiveNotices(), 0);
    EXPECT_EQ(m_msgs.Count(), 0u);
    // A failed job is no reason to say printing is under way.
    SetPrintJobRunner([](wxWindow*, wxPrintout&) { return PrintOutcome::Failed; });
    Print(d);
    EXPECT_EQ(d.m_pPrintNotice, nullptr);
}

TEST_F(DetailWindowTest, NoticeFollowsTheJobAndTimer120EndsIt) {
    CDetailDsp& d = OpenDetail();
    std::vector<std::string> titles;
    int pagesDrawn = 0;
    SetPrintJobRunner([&](wxWindow* parent, wxPrintout& p) {
        EXPECT_EQ(parent, &d);
        // The first job runs before any notice is shown.
        if (titles.empty()) {
            EXPECT_EQ(d.m_pPrintNotice, nullptr);
        }
        std::string t;
        FromWx(p.GetTitle(), t);
        titles.push_back(t);
#ifdef __WXGTK__
        const std::string pdf = Dir() + "/page.pdf";
        EXPECT_TRUE(PrintToPdfFile(p, pdf, 210, 297));
#else
        // No file device here: the page is drawn on a bitmap of A4 at 96 dpi.
        wxBitmap page(794, 1123);
        wxMemoryDC dc(page);
        p.SetDC(&dc);
        p.SetPPIPrinter(96, 96);
        p.OnPrintPage(1);
        p.SetDC(nullptr);
#endif
        pagesDrawn += static_cast<ReportPrintout&>(p).PagesDrawn();
        return PrintOutcome::Printed;
    });
    Print(d);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0], "結果印刷");
    EXPECT_EQ(pagesDrawn, 1);
    COnPrint* notice = d.m_pPrintNotice;
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->IsShown());
    EXPECT_EQ(notice->GetParent(), &d);
    EXPECT_TRUE(d.PrintTimer().IsRunning());
    EXPECT_EQ(d.PrintTimer().GetInterval(), 2000);
    EXPECT_EQ(d.PrintTimer().GetId(), 120);

    // A second print sends a second job and keeps the one notice.
    Print(d);
    EXPECT_EQ(titles.size(), 2u);
    EXPECT_EQ(d.m_pPrintNotice, notice);
    EXPECT_EQ(LiveNotices(), 1);

    // Another timer's tick changes nothing; tick 120 ends the notice.
    wxTimer otherTimer(&d, 121);
    wxTimerEvent other(otherTimer);
    d.OnTimer(other);
    EXPECT_EQ(d.m_pPrintNotice, notice);
    wxTimer fake(&d, IDT_PRINT_NOTICE);
    wxTimerEvent tick(fake);
    d.OnTimer(tick);
    EXPECT_EQ(d.m_pPrintNotice, nullptr);
    EXPECT_FALSE(d.PrintTimer().IsRunning());
    Pump();
    EXPECT_EQ(LiveNotices(), 0);
    EXPECT_EQ(m_msgs.Count(), 0u);
}

TEST_F(DetailWindowTest, ClosingTheDetailWindowEndsTheNotice) {
    CDetailDsp& d = OpenDetail();
    SetPrintJobRunner([](wxWindow*, wxPrintout&) { return PrintOutcome::Printed; });
    Print(d);
    ASSERT_EQ(LiveNotices(), 1);
    d.Close();
    Pump();
    EXPECT_EQ(LiveNotices(), 0);
    EXPECT_EQ(LiveDetailWindows(), 0);
}

// The printed page: the unscrolled report 8 columns right and 2 lines down,
// in a 10-point font, whatever the window's scroll position.
TEST_F(DetailWindowTest, PrintedPageCarriesTheUnscrolledLayoutAtThePrintOrigin) {
#ifndef __WXGTK__
    GTEST_SKIP() << "the page is read back from a PDF file, which only the GTK build's cairo "
                    "device writes; Windows offers no file device without a printer";
#else
    if (RunCommand("command -v pdftotext").empty()) GTEST_SKIP() << "pdftotext missing";
    CDetailDsp& d = OpenDetail();
    d.m_nVScrollReq = 30;
    d.m_nHScrollReq = 20;
    d.ApplyScroll();
    ReportPrintout printout(d.m_pAnalysis, d.m_pszFileName);
    const std::string pdf = Dir() + "/report.pdf";
    ASSERT_TRUE(PrintToPdfFile(printout, pdf, 210, 297));
    const ReportCells cells = printout.LastCells();
    // 10 points at 96 units per inch is 13.3 units of em height.
    EXPECT_GE(cells.lh, 12);
    EXPECT_LE(cells.lh, 19);
    EXPECT_GE(cells.cw, 5);
    EXPECT_LE(cells.cw, 8);

    const std::string bbox = RunCommand("pdftotext -bbox '" + pdf + "' -");
    // One page.
    size_t pages = 0;
    for (size_t at = 0; (at = bbox.find("<page ", at)) != std::string::npos; ++at) ++pages;
    EXPECT_EQ(pages, 1u);
    // Word positions in points; the page units are 1/96 inch.
    const auto items = LayoutReport(*d.m_pAnalysis, d.m_pszFileName, cells.cw, cells.lh,
                                    MakeReportOrigin(2, 8, 0, 0, cells.cw, cells.lh));
    auto wordAt = [&](const std::string& word) {
        std::regex re("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>" + word + "<");
        std::smatch m;
        if (!std::regex_search(bbox, m, re)) return std::pair<double, double>(-1, -1);
        return std::pair<double, double>(std::stod(m[1]) * 96 / 72, std::stod(m[2]) * 96 / 72);
    };
    const auto title = wordAt("Geoskim");
    EXPECT_NEAR(title.first, items[0].x, 2.0) << bbox.substr(0, 2000);
    EXPECT_NEAR(title.first, (8 + 14) * cells.cw, 2.0);
    EXPECT_GE(title.second, items[0].y - 1.0);
    EXPECT_LT(title.second, items[0].y + cells.lh);
    // The first rule at column 8 + 2 (on A4 its last hyphen runs past the
    // paper's edge), the reference lines at 8 + 6.
    const auto rule = wordAt("-{100,}");
    EXPECT_NEAR(rule.first, (8 + 2) * cells.cw, 2.0);
    EXPECT_GE(rule.second, items[6].y - 1.0);
    EXPECT_LT(rule.second, items[6].y + cells.lh);
    EXPECT_NEAR(wordAt("Chr").first, (8 + 6) * cells.cw, 2.0);
#endif
}

// Byte length is display width: the report's columns rely on it.
TEST_F(DetailWindowTest, ReportFontOnTheScreenIsFixedPitch) {
    wxBitmap bmp(10, 10);
    wxMemoryDC mem(bmp);
    ReportDrawing none;
    none.ppiY = mem.GetPPI().y;
    const ReportCells cells = DrawReport(mem, none);
    ASSERT_GT(cells.cw, 0);
    EXPECT_NEAR(cells.lh, 10.0 * none.ppiY / 72, 5.0);
    // The same font again, to measure texts with it.
    mem.SetFont(wxFont(wxFontInfo(std::floor(10.0 * none.ppiY / 72 + 0.5) * 72.0 / none.ppiY)
                           .Family(wxFONTFAMILY_MODERN)
                           .FaceName(ToWx("ＭＳ ゴシック"))));
    const std::pair<const char*, int> texts[] = {
        {"0F 01 02 00 07 00 00 00 C8 00 00 00", 35}, {"生データ", 8}, {"ｵﾌｾｯﾄ 実Adr", 11}};
    for (const auto& [text, columns] : texts)
        EXPECT_NEAR(mem.GetTextExtent(ToWx(text)).x, columns * cells.cw, columns / 2.0 + 1) << text;
}

// ---- real keys and clicks on the window ----

// GTK binds Home and End on a scrolled window; only keys that reach the
// window through the X server show what a user gets.
TEST_F(DetailWindowTest, RealHomeAndEndLeaveTheReportWherePageKeysMoveIt) {
    CDetailDsp& d = OpenDetail();
    Pump();
    // The window takes keys once it was clicked (no window manager here).
    ASSERT_TRUE(realinput::Click(d.Canvas(), wxPoint(40, 40)));
    // After each key a Right arrow, whose effect shows that the key before
    // it was handled too.
    const struct { const char* key; int line; } steps[] = {
        {"End", 0}, {"Home", 0}, {"ctrl+End", 0}, {"KP_End", 0}, {"KP_Home", 0},
        {"Next", 10}, {"End", 10}, {"Down", 11}, {"Home", 11}, {"Prior", 1},
    };
    int column = 0;
    for (const auto& step : steps) {
        ASSERT_TRUE(realinput::Key(step.key));
        ASSERT_TRUE(realinput::Key("Right"));
        ++column;
        ASSERT_TRUE(realinput::PumpUntil([&] { return d.m_nHScrollPos == column; }))
            << step.key << " column " << d.m_nHScrollPos;
        EXPECT_EQ(d.m_nVScrollPos, step.line) << step.key;
        EXPECT_EQ(d.Canvas()->GetScrollPos(wxVERTICAL), step.line) << step.key;
    }
}

TEST_F(DetailWindowTest, RealClickInATrackPagesByTenOnBarsThatStayShown) {
    CDetailDsp& d = OpenDetail();
    Pump();
    wxWindow* c = d.Canvas();
    const wxSize whole = c->GetSize();
    const wxSize client = c->GetClientSize();
    // Overlay bars take no room beside the report.
    const int barW = whole.x - client.x, barH = whole.y - client.y;
    ASSERT_GE(barW, 6);
    ASSERT_GE(barH, 6);
    // Far down the vertical track and far right on the horizontal one: a
    // jump to the pointer would land near 75 and 112.
    const wxPoint vTrack(client.x + barW / 2, client.y * 3 / 4);
    const wxPoint hTrack(client.x * 3 / 4, client.y + barH / 2);
    ASSERT_TRUE(realinput::Click(c, vTrack));
    ASSERT_TRUE(realinput::PumpUntil([&] { return d.m_nVScrollPos != 0; }));
    EXPECT_EQ(d.m_nVScrollPos, 10);
    ASSERT_TRUE(realinput::Click(c, vTrack));
    ASSERT_TRUE(realinput::PumpUntil([&] { return d.m_nVScrollPos != 10; }));
    EXPECT_EQ(d.m_nVScrollPos, 20);
    ASSERT_TRUE(realinput::Click(c, hTrack));
    ASSERT_TRUE(realinput::PumpUntil([&] { return d.m_nHScrollPos != 0; }));
    EXPECT_EQ(d.m_nHScrollPos, 10);
    EXPECT_EQ(d.m_nVScrollPos, 20);
    EXPECT_EQ(c->GetScrollPos(wxHORIZONTAL), 10);
}

TEST_F(DetailWindowTest, NoticeSitsAtTheClientOriginOfTheDetailWindow) {
    CDetailDsp& d = OpenDetail();
    Pump();
    SetPrintJobRunner([](wxWindow*, wxPrintout&) { return PrintOutcome::Printed; });
    Print(d);
    ASSERT_NE(d.m_pPrintNotice, nullptr);
    const wxPoint origin = d.ClientToScreen(wxPoint(0, 0));
    wxPoint at(-1, -1);
    // Timer 120 ends the notice two seconds after it was shown.
    EXPECT_TRUE(realinput::PumpUntil([&] {
        return d.m_pPrintNotice == nullptr ||
               (realinput::ServerPosition(d.m_pPrintNotice, at) && at == origin);
    }));
    EXPECT_EQ(at, origin)
        << "notice at " << at.x << "," << at.y << ", client origin " << origin.x << ","
        << origin.y;
}
