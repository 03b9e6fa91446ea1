#include "app/DataPaths.h"
#include "platform/wx/FileDialog.h"
#include "res/Templates.h"
#include "tests/gui/GuiFixture.h"

#include <wx/button.h>
#include <wx/filedlg.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace {

// Answers the open dialog with `result` and records where it started.
struct ScriptedOpen {
    explicit ScriptedOpen(OpenFileResult result) {
        SetOpenFileResponder([this, result](const OpenFileRequest& req) {
            asked.push_back(req);
            return result;
        });
    }
    ~ScriptedOpen() { SetOpenFileResponder(nullptr); }
    std::vector<OpenFileRequest> asked;
};

void PressBrowse(CTamlixDlg& d) {
    wxCommandEvent e(wxEVT_BUTTON, IDC_BROWSE);
    d.ProcessWindowEvent(e);
}

}  // namespace

TEST_F(MainWindowTest, BrowseStartsInTheExecutablesFolderAndLoadsTheChoice) {
    Open();
    const std::string photo = Photo("gps/apple_iphone6_hdr_W.jpg", "photo.jpgx");
    ScriptedOpen dialog(OpenFileResult{true, false, photo});
    PressBrowse(*m_dlg);
    ASSERT_EQ(dialog.asked.size(), 1u);
    EXPECT_EQ(dialog.asked[0].startDir, g_szModuleDir);
    EXPECT_EQ(dialog.asked[0].filter, "jpg (*.jpg)|*.jpg");
    EXPECT_STREQ(m_dlg->Current().m_szFileName, "photo.jpgx");
    EXPECT_STREQ(RecentEntry(0), photo.c_str());
    EXPECT_EQ(FieldText(IDC_GPS), "GPSタグあり、Dataあり");

    // With a list, the dialog starts in the most recent file's folder.
    PressBrowse(*m_dlg);
    ASSERT_EQ(dialog.asked.size(), 2u);
    EXPECT_EQ(dialog.asked[1].startDir, (m_dir / "").string());
}

TEST_F(MainWindowTest, BrowseCancelledOrRefusedChangesNothing) {
    Open();
    {
        ScriptedOpen cancelled(OpenFileResult{false, false, ""});
        PressBrowse(*m_dlg);
    }
    {
        ScriptedOpen png(OpenFileResult{true, false, Photo("noexif/beach.jpg", "x.png")});
        PressBrowse(*m_dlg);
    }
    {
        ScriptedOpen foreign(OpenFileResult{true, true, ""});
        PressBrowse(*m_dlg);
    }
    ASSERT_EQ(m_msgs.Count(), 2u);
    EXPECT_EQ(m_msgs.All()[0].text, "拡張子として [png] のファイルが指定されました\n処理できません");
    EXPECT_EQ(m_msgs.All()[1].caption, "確認");
    EXPECT_TRUE(IsRecentEmpty(0));
    EXPECT_EQ(m_dlg->Current().m_analysis.m_bLoaded, 0);
}

// The real dialog's filter, as GTK applies it to the names in a folder: a
// camera's upper-case name is listed, other kinds are not, and the filter
// still reads as the program names it.
TEST_F(MainWindowTest, BrowseDialogListsJpgInAnyLetterCase) {
#ifndef __WXGTK__
    GTEST_SKIP() << "GTK's filter patterns are case-sensitive; Windows' own dialog matches "
                    "names in any letter case";
#else
    Open();
    ScriptedOpen answer(OpenFileResult{});
    PressBrowse(*m_dlg);
    ASSERT_EQ(answer.asked.size(), 1u);
    std::unique_ptr<wxFileDialog> dlg = MakeOpenFileDialog(m_dlg, answer.asked[0]);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dlg->GetHandle());
    GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
    ASSERT_NE(filter, nullptr);
    EXPECT_STREQ(gtk_file_filter_get_name(filter), "jpg (*.jpg)");
    const std::pair<const char*, bool> names[] = {
        {"IMG_0001.JPG", true}, {"a.jpg", true},  {"b.Jpg", true},
        {"a.png", false},       {"jpg", false},   {"a.jpg.txt", false},
    };
    for (const auto& [name, listed] : names) {
        GtkFileFilterInfo info{};
        info.contains =
            static_cast<GtkFileFilterFlags>(GTK_FILE_FILTER_FILENAME | GTK_FILE_FILTER_DISPLAY_NAME);
        const std::string path = Dir() + "/" + name;
        info.filename = path.c_str();
        info.display_name = name;
        EXPECT_EQ(gtk_file_filter_filter(filter, &info) != FALSE, listed) << name;
    }
#endif
}
