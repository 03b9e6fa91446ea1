// The converter, the software information and the version dialog, opened
// from a real main window.
#include "platform/wx/WxText.h"
#include "res/Templates.h"
#include "tests/gui/GuiFixture.h"
#include "tools/AboutDlg.h"
#include "tools/HexCnv.h"
#include "tools/SoftInfo.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <functional>

namespace {

// The converters that exist and are not on their way out.
std::vector<CHexCnv*> LiveConverters() {
    std::vector<CHexCnv*> all;
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* c = dynamic_cast<CHexCnv*>(w); c != nullptr && !c->IsBeingDeleted())
            all.push_back(c);
    return all;
}

void Command(wxWindow* w, wxEventType type, int id) {
    wxCommandEvent e(type, id);
    e.SetEventObject(w);
    w->ProcessWindowEvent(e);
}

std::string EditText(wxWindow* dlg, int id) {
    std::string s;
    FromWx(static_cast<wxTextCtrl*>(dlg->FindWindow(id))->GetValue(), s);
    return s;
}

void SetEdit(wxWindow* dlg, int id, const char* cp932) {
    static_cast<wxTextCtrl*>(dlg->FindWindow(id))->ChangeValue(ToWx(cp932));
}

// The texts of a dialog's static texts, in creation order, spaces and line
// breaks removed (the layout may break lines).
std::vector<std::string> StaticTexts(wxWindow* dlg) {
    std::vector<std::string> out;
    for (wxWindow* w : dlg->GetChildren())
        if (auto* t = dynamic_cast<wxStaticText*>(w)) {
            std::string s;
            FromWx(t->GetLabel(), s);
            std::erase_if(s, [](char c) { return c == '\n'; });
            out.push_back(s);
        }
    return out;
}

class ToolsTest : public MainWindowTest {
protected:
    CHexCnv* OpenConverter() {
        Command(m_dlg, wxEVT_MENU, IDM_HEXCONV);
        auto live = LiveConverters();
        return live.size() == 1 ? live[0] : nullptr;
    }

    // Runs `inside` while the modal dialog of type T opened by `open` is up,
    // then ends it with `end` (applied to the dialog).
    template <class T>
    void WhileModal(const std::function<void()>& open, const std::function<void(T*)>& inside) {
        bool ran = false;
        wxTheApp->CallAfter([&] {
            T* dlg = nullptr;
            for (wxWindow* w : wxTopLevelWindows)
                if (auto* d = dynamic_cast<T*>(w)) dlg = d;
            ASSERT_NE(dlg, nullptr);
            EXPECT_TRUE(dlg->IsModal());
            ran = true;
            inside(dlg);
        });
        open();
        EXPECT_TRUE(ran);
    }
};

}  // namespace

// ---- the converter as a child of the main window ----

TEST_F(ToolsTest, ConverterIsSingleAndASecondPressOnlyFocusesIt) {
    Open();
    CHexCnv* hex = OpenConverter();
    ASSERT_NE(hex, nullptr);
    EXPECT_TRUE(hex->IsShown());
    EXPECT_EQ(hex->GetParent(), m_dlg);
    SetEdit(hex, IDC_HEX_EDIT_HEX, "ff");
    m_dlg->SetFocus();
    Command(m_dlg, wxEVT_MENU, IDM_HEXCONV);
    ASSERT_EQ(LiveConverters().size(), 1u);
    EXPECT_EQ(LiveConverters()[0], hex);
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_HEX), "ff");
    wxWindow* focus = wxWindow::FindFocus();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(wxGetTopLevelParent(focus), hex);
}

TEST_F(ToolsTest, ClosingTellsTheMainWindowFirstAndTheNextPressCreatesANewOne) {
    Open();
    std::vector<bool> aliveWhenTold;
    m_dlg->Bind(
        wxEVT_MENU,
        [&](wxCommandEvent& e) {
            aliveWhenTold.push_back(!LiveConverters().empty());
            e.Skip();
        },
        IDN_HEX_CLOSED);
    for (int how = 0; how < 2; ++how) {
        CHexCnv* hex = OpenConverter();
        ASSERT_NE(hex, nullptr) << how;
        if (how == 0) {
            Command(hex, wxEVT_BUTTON, IDC_CLOSE);  // close button
        } else {
            wxKeyEvent esc(wxEVT_CHAR_HOOK);
            esc.m_keyCode = WXK_ESCAPE;
            hex->ProcessWindowEvent(esc);
        }
        EXPECT_EQ(aliveWhenTold.size(), static_cast<size_t>(how + 1));
        Pump();
        EXPECT_TRUE(LiveConverters().empty()) << how;
    }
    EXPECT_EQ(aliveWhenTold, (std::vector<bool>{true, true}));
    ASSERT_NE(OpenConverter(), nullptr);
}

TEST_F(ToolsTest, EnterNeitherConvertsNorCloses) {
    Open();
    CHexCnv* hex = OpenConverter();
    ASSERT_NE(hex, nullptr);
    SetEdit(hex, IDC_HEX_EDIT_HEX, "ff");
    wxKeyEvent enter(wxEVT_CHAR_HOOK);
    enter.m_keyCode = WXK_RETURN;
    hex->ProcessWindowEvent(enter);
    Pump();
    EXPECT_EQ(LiveConverters().size(), 1u);
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_DEC), "");
}

TEST_F(ToolsTest, ConverterGoesWithTheMainWindow) {
    Open();
    ASSERT_NE(OpenConverter(), nullptr);
    Close();
    EXPECT_TRUE(LiveConverters().empty());
}

// ---- conversions through the buttons ----

TEST_F(ToolsTest, ButtonsWriteOnlyTheOtherFieldAndKeepTheTypedText) {
    Open();
    CHexCnv* hex = OpenConverter();
    ASSERT_NE(hex, nullptr);
    SetEdit(hex, IDC_HEX_EDIT_HEX, " 12 34 ");
    SetEdit(hex, IDC_HEX_EDIT_DEC, "old");
    Command(hex, wxEVT_BUTTON, IDC_HEX_TO_DEC);
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_DEC), "4660");
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_HEX), " 12 34 ");

    SetEdit(hex, IDC_HEX_EDIT_DEC, "1,000");
    Command(hex, wxEVT_BUTTON, IDC_HEX_TO_HEX);
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_HEX), "3E8");
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_DEC), "1,000");
    EXPECT_EQ(m_msgs.Count(), 0u);
}

TEST_F(ToolsTest, NoDigitShowsTheMessageThenZero) {
    Open();
    CHexCnv* hex = OpenConverter();
    ASSERT_NE(hex, nullptr);
    SetEdit(hex, IDC_HEX_EDIT_DEC, "１２");
    Command(hex, wxEVT_BUTTON, IDC_HEX_TO_HEX);
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_HEX), "0");
    SetEdit(hex, IDC_HEX_EDIT_HEX, "zz");
    Command(hex, wxEVT_BUTTON, IDC_HEX_TO_DEC);
    ASSERT_EQ(m_msgs.Count(), 2u);
    for (const auto& m : m_msgs.All()) {
        EXPECT_EQ(m.text, "有効な数字ではありません");
        EXPECT_EQ(m.caption, "確認");
        EXPECT_EQ(m.buttons, plat::MsgButtons::Ok);
    }
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_DEC), "0");
}

// A character CP932 cannot hold does not hide the digits around it.
TEST_F(ToolsTest, UnencodableCharacterInAFieldDoesNotLoseTheDigits) {
    Open();
    CHexCnv* hex = OpenConverter();
    ASSERT_NE(hex, nullptr);
    auto* edit = static_cast<wxTextCtrl*>(hex->FindWindow(IDC_HEX_EDIT_HEX));
    edit->ChangeValue(wxString::FromUTF8("1\xF0\x9F\x98\x80" "0"));
    Command(hex, wxEVT_BUTTON, IDC_HEX_TO_DEC);
    EXPECT_EQ(m_msgs.Count(), 0u);
    EXPECT_EQ(EditText(hex, IDC_HEX_EDIT_DEC), "16");
    EXPECT_EQ(edit->GetValue(), wxString::FromUTF8("1\xF0\x9F\x98\x80" "0"));
}

TEST_F(ToolsTest, FieldsTakeAtMost255Characters) {
    Open();
    CHexCnv* hex = OpenConverter();
    ASSERT_NE(hex, nullptr);
    auto* edit = static_cast<wxTextCtrl*>(hex->FindWindow(IDC_HEX_EDIT_DEC));
    edit->SetFocus();
    for (int i = 0; i < 300; ++i) edit->WriteText(wxString(wxUniChar('1')));
    EXPECT_EQ(edit->GetValue().length(), 255u);
}

// ---- the information dialogs ----

TEST_F(ToolsTest, SoftInfoIsModalAndShowsTheSameTextsEachTime) {
    Open();
    std::vector<std::vector<std::string>> seen;
    for (int run = 0; run < 2; ++run) {
        WhileModal<CSoftInfo>([&] { Command(m_dlg, wxEVT_MENU, IDM_SOFTINFO); },
                              [&](CSoftInfo* d) {
                                  std::string title;
                                  FromWx(d->GetTitle(), title);
                                  EXPECT_EQ(title, "ソフト情報");
                                  seen.push_back(StaticTexts(d));
                                  Command(d, wxEVT_BUTTON, IDC_CLOSE);
                              });
        Pump();
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], seen[1]);
    ASSERT_EQ(seen[0].size(), 4u);
    EXPECT_EQ(seen[0][0], "本ソフトはフリーウエアです。自由にお使いください。");
    EXPECT_EQ(seen[0][1].rfind("E-mail: ", 0), 0u);
    EXPECT_NE(seen[0][1].find("TEL   : "), std::string::npos);
    EXPECT_NE(seen[0][1].find("住所  : "), std::string::npos);
    EXPECT_NE(seen[0][1].find("〒"), std::string::npos);
    EXPECT_EQ(seen[0][2].rfind("最新版や使用ガイダンスなどは下記ＵＲＬを参照ください。    ", 0),
              0u);
}

TEST_F(ToolsTest, VersionDialogOpensFromCommand16AndEndsWithOk) {
    Open();
    WhileModal<CAboutDlg>([&] { Command(m_dlg, wxEVT_MENU, IDM_ABOUTBOX); },
                          [&](CAboutDlg* d) {
                              std::string title;
                              FromWx(d->GetTitle(), title);
                              EXPECT_EQ(title, "バージョン情報 Tamlix");
                              const auto texts = StaticTexts(d);
                              ASSERT_FALSE(texts.empty());
                              EXPECT_EQ(texts[0], "Tamlix Version 1.0");
                              Command(d, wxEVT_BUTTON, IDOK_BUTTON);
                          });
    Pump();
}
