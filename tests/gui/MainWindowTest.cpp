#include "app/DataPaths.h"
#include "platform/wx/CommandMenuBar.h"
#include "platform/wx/WxText.h"
#include "res/Templates.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/RealInput.h"
#include "tests/support/JpegBuilder.h"

#include <wx/choice.h>
#include <wx/menu.h>

#include <filesystem>

using testjpeg::Bytes;
using testjpeg::ReadFileBytes;

namespace {

int32_t LeInt(const Bytes& b, size_t at) {
    return static_cast<int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24);
}

wxChoice* Combo(CTamlixDlg& d) {
    return static_cast<wxChoice*>(d.Panel()->FindWindow(IDC_RECENT));
}

std::vector<std::string> ComboItems(CTamlixDlg& d) {
    std::vector<std::string> items;
    for (unsigned i = 0; i < Combo(d)->GetCount(); ++i) {
        std::string s;
        FromWx(Combo(d)->GetString(i), s);
        items.push_back(s);
    }
    return items;
}

bool GpsButtonEnabled(CTamlixDlg& d) { return d.Panel()->FindWindow(IDC_GPSNULL)->IsEnabled(); }

}  // namespace

// ---- the settings file through a run of the program ----

TEST_F(MainWindowTest, StartWithoutSettingsFileWritesTheDefaults) {
    Open();
    Bytes b = ReadFileBytes(SettingsPath());
    ASSERT_EQ(b.size(), 9116u);
    const int32_t six[6] = {2, 2, 6, 14, 13, 8};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(LeInt(b, 5276 + 4 * i), six[i]);
    for (size_t i = 0; i < b.size(); ++i)
        if (i < 5276 || i >= 5300) {
            ASSERT_EQ(b[i], 0) << "byte " << i;
        }
    EXPECT_EQ(Combo(*m_dlg)->GetCount(), 0u);
    EXPECT_FALSE(GpsButtonEnabled(*m_dlg));
    EXPECT_EQ(FieldText(IDC_EXIF), "");
}

TEST_F(MainWindowTest, ShortSettingsFileIsReplacedByTheDefaults) {
    const std::string photo = Photo("gps/apple_iphone6_hdr_W.jpg", "a.jpg");
    WriteSettings({photo}, 9115);
    Open();
    EXPECT_EQ(Combo(*m_dlg)->GetCount(), 0u);
    Bytes b = ReadFileBytes(SettingsPath());
    ASSERT_EQ(b.size(), 9116u);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(LeInt(b, 5276), 2);
}

TEST_F(MainWindowTest, LongSettingsFileKeepsItsTailAndReservedBytes) {
    const std::string photo = Photo("gps/apple_iphone6_hdr_W.jpg", "a.jpg");
    WriteSettings({photo}, 10000);
    Bytes b = ReadFileBytes(SettingsPath());
    for (size_t i = 2560; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 7 + 1);
    ASSERT_TRUE(testjpeg::WriteFileBytes(SettingsPath(), b));

    Open();
    const std::string second = Photo("noexif/beach.jpg", "b.jpg");
    m_dlg->OpenDroppedFile(second);
    Close();

    Bytes after = ReadFileBytes(SettingsPath());
    ASSERT_EQ(after.size(), 10000u);
    EXPECT_STREQ(reinterpret_cast<const char*>(after.data()), second.c_str());
    EXPECT_STREQ(reinterpret_cast<const char*>(after.data() + 256), photo.c_str());
    for (size_t i = 2560; i < after.size(); ++i) ASSERT_EQ(after[i], b[i]) << "byte " << i;
}

TEST_F(MainWindowTest, ReadOnlySettingsFileIsNeverWritten) {
    WriteSettings({}, 9116);
    std::filesystem::permissions(SettingsPath(), std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::group_read);
    Open();
    m_dlg->OpenDroppedFile(Photo("noexif/beach.jpg", "b.jpg"));
    Close();
    Bytes after = ReadFileBytes(SettingsPath());
    EXPECT_EQ(after, Bytes(9116, 0));
    // Windows removes no read-only file, not even with its folder.
    std::filesystem::permissions(SettingsPath(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

TEST_F(MainWindowTest, SecondInstanceUsesDefaultsWhileTheFileIsHeld) {
    const std::string photo = Photo("noexif/beach.jpg", "a.jpg");
    WriteSettings({photo});
    plat::File holder;
    ASSERT_TRUE(holder.OpenReadWriteCreate(SettingsPath().c_str(), plat::Share::Exclusive));
    Open();
    EXPECT_EQ(Combo(*m_dlg)->GetCount(), 0u);
    holder.Close();
}

// ---- start-up with a recent list ----

TEST_F(MainWindowTest, StartupDropsMissingFilesAndOpensTheMostRecent) {
    const std::string a = Photo("gps/apple_iphone6_hdr_W.jpg", "a.jpg");
    const std::string c = Photo("noexif/beach.jpg", "c.jpg");
    WriteSettings({a, Dir() + "/missing.jpg", c});
    Open();
    EXPECT_EQ(ComboItems(*m_dlg), (std::vector<std::string>{a, c}));
    EXPECT_EQ(Combo(*m_dlg)->GetSelection(), 0);
    EXPECT_STREQ(m_dlg->Current().m_szFileName, "a.jpg");
    EXPECT_EQ(FieldText(IDC_GPS), "GPSタグあり、Dataあり");
    EXPECT_EQ(FieldText(IDC_LAT), "北緯  40度 26分 49.10秒");
    EXPECT_EQ(FieldText(IDC_MAKER), " Apple");
    EXPECT_TRUE(GpsButtonEnabled(*m_dlg));
    EXPECT_EQ(m_msgs.Count(), 0u);
}

TEST_F(MainWindowTest, DamagedRecentEntryWithoutNulIsTakenAsEmpty) {
    const std::string a = Photo("noexif/beach.jpg", "a.jpg");
    WriteSettings({a});
    Bytes b = ReadFileBytes(SettingsPath());
    std::fill(b.begin() + 256, b.begin() + 512, 'x');  // entry 1: 256 bytes, no NUL
    ASSERT_TRUE(testjpeg::WriteFileBytes(SettingsPath(), b));
    Open();
    EXPECT_EQ(ComboItems(*m_dlg), (std::vector<std::string>{a}));
}

// ---- the summary ----

TEST_F(MainWindowTest, SummaryFollowsWhatTheFileHolds) {
    Open();
    m_dlg->OpenDroppedFile(Photo("noexif/beach.jpg", "noexif.jpg"));
    EXPECT_EQ(FieldText(IDC_EXIF), "Ｘ");
    EXPECT_EQ(FieldText(IDC_SIZE), "0 x 0");
    EXPECT_EQ(FieldText(IDC_GPS), "");
    EXPECT_EQ(FieldText(IDC_MAKER), "");

    m_dlg->OpenDroppedFile(Photo("nogps/painttool_no_make.jpg", "nomake.jpg"));
    EXPECT_EQ(FieldText(IDC_EXIF), "○");
    EXPECT_EQ(FieldText(IDC_MAKER), " ");
    EXPECT_EQ(FieldText(IDC_GPS), "GPSタグなし");
    EXPECT_FALSE(GpsButtonEnabled(*m_dlg));

    m_dlg->OpenDroppedFile(Photo("gps_empty/htc_one_gps_count0.jpg", "gps9.jpg"));
    EXPECT_EQ(FieldText(IDC_GPS), "GPSタグあり、Dataなし");
    EXPECT_EQ(FieldText(IDC_LAT), "");
    EXPECT_FALSE(GpsButtonEnabled(*m_dlg));

    m_dlg->OpenDroppedFile(Photo("gps/apple_iphone6_hdr_W.jpg", "gps1.jpg"));
    EXPECT_EQ(FieldText(IDC_LON), "西経   3度 43分 29.11秒");
    EXPECT_TRUE(GpsButtonEnabled(*m_dlg));
}

TEST_F(MainWindowTest, TitleIsSetByTheFirstPaint) {
    Open();
    EXPECT_EQ(m_dlg->GetTitle(), ToWx("Tamlix"));
    m_dlg->Show();
    for (int i = 0; i < 20 && m_dlg->GetTitle() == ToWx("Tamlix"); ++i) {
        m_dlg->Refresh();
        m_dlg->Update();
        Pump();
    }
    EXPECT_EQ(m_dlg->GetTitle(), ToWx("Geoskim V1.00 Quorvane"));
}

// ---- choosing files ----

TEST_F(MainWindowTest, DroppingTwoFilesChangesNothing) {
    Open();
    wxString* names = new wxString[2]{ToWx(Photo("noexif/beach.jpg", "a.jpg")),
                                      ToWx(Photo("noexif/beach.jpg", "b.jpg"))};
    wxDropFilesEvent e(wxEVT_DROP_FILES, 2, names);
    m_dlg->ProcessWindowEvent(e);
    EXPECT_EQ(Combo(*m_dlg)->GetCount(), 0u);
    EXPECT_EQ(m_msgs.Count(), 0u);
    EXPECT_EQ(m_dlg->Current().m_analysis.m_bLoaded, 0);
}

TEST_F(MainWindowTest, DroppedFileWithWrongExtensionIsRefusedWithItsExtension) {
    Open();
    const std::string png = Photo("noexif/beach.jpg", "photo.png");
    wxDropFilesEvent e(wxEVT_DROP_FILES, 1, new wxString[1]{ToWx(png)});
    m_dlg->ProcessWindowEvent(e);
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_msgs.Last().text, "拡張子として [png] のファイルが指定されました\n処理できません");
    EXPECT_EQ(m_msgs.Last().caption, "確認");

    m_dlg->OpenDroppedFile(Photo("noexif/beach.jpg", "noextension"));
    EXPECT_EQ(m_msgs.Last().text, "拡張子として [] のファイルが指定されました\n処理できません");
    EXPECT_EQ(Combo(*m_dlg)->GetCount(), 0u);
    EXPECT_EQ(m_dlg->Current().m_szFilePath[0], '\0');
}

TEST_F(MainWindowTest, PathThatShiftJisCannotHoldIsRefused) {
    Open();
    m_dlg->OpenDroppedFile(Photo("noexif/beach.jpg", "first.jpg"));
    m_msgs.Clear();
    m_dlg->OpenExternalPath(wxString::FromUTF8("/tmp/\xF0\x9F\x93\xB7.jpg"));  // a camera emoji
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_msgs.Last().caption, "確認");
    EXPECT_EQ(Combo(*m_dlg)->GetCount(), 1u);
    EXPECT_STREQ(m_dlg->Current().m_szFileName, "first.jpg");
}

TEST_F(MainWindowTest, LongPathsAreLoadedButNeverCutIntoTheList) {
    Open();
    // 256 to 259 bytes fit the path buffers but not a list entry.
    std::string dir = Dir() + "/";
    std::string name(256 - dir.size() - 4, 'n');
    std::filesystem::path p = dir + name + ".jpg";
    ASSERT_EQ(p.string().size(), 256u);
    std::filesystem::copy_file(std::string(TAMLIX_CORPUS_DIR) + "/noexif/beach.jpg", p);
    m_dlg->OpenDroppedFile(p.string());
    EXPECT_EQ(Combo(*m_dlg)->GetCount(), 0u);
    EXPECT_EQ(m_dlg->Current().m_szFilePath, p.string());
    EXPECT_EQ(FieldText(IDC_EXIF), "Ｘ");

    // Longer paths do not fit at all: refused before anything changes.
    m_dlg->OpenDroppedFile(Dir() + "/" + std::string(300, 'x') + ".jpg");
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_dlg->Current().m_szFilePath, p.string());
}

TEST_F(MainWindowTest, RecentSelectionMovesTheEntryFirstAndLoadsIt) {
    std::vector<std::string> paths;
    for (const char* n : {"A.jpg", "B.jpg", "C.jpg", "D.jpg"})
        paths.push_back(Photo("noexif/beach.jpg", n));
    WriteSettings(paths);
    Open();
    Combo(*m_dlg)->SetSelection(2);
    wxCommandEvent e(wxEVT_CHOICE, IDC_RECENT);
    e.SetEventObject(Combo(*m_dlg));
    e.SetInt(2);
    m_dlg->ProcessWindowEvent(e);
    EXPECT_EQ(ComboItems(*m_dlg), (std::vector<std::string>{paths[2], paths[0], paths[1], paths[3]}));
    EXPECT_EQ(Combo(*m_dlg)->GetSelection(), 0);
    EXPECT_STREQ(m_dlg->Current().m_szFileName, "C.jpg");

    // A selection change that reports no item does nothing.
    Combo(*m_dlg)->SetSelection(wxNOT_FOUND);
    m_dlg->ProcessWindowEvent(e);
    EXPECT_STREQ(RecentEntry(0), paths[2].c_str());
}

TEST_F(MainWindowTest, ListedFileDeletedWhileRunningIsReportedAndKept) {
    const std::string a = Photo("noexif/beach.jpg", "a.jpg");
    const std::string b = Photo("gps/apple_iphone6_hdr_W.jpg", "b.jpg");
    WriteSettings({a, b});
    Open();
    std::filesystem::remove(b);
    Combo(*m_dlg)->SetSelection(1);
    wxCommandEvent e(wxEVT_CHOICE, IDC_RECENT);
    m_dlg->ProcessWindowEvent(e);
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_msgs.Last().text, "Path=" + b);
    EXPECT_EQ(m_msgs.Last().caption, "ファイルオープンに失敗しました");
    EXPECT_EQ(FieldText(IDC_EXIF), "");
    EXPECT_EQ(ComboItems(*m_dlg), (std::vector<std::string>{b, a}));
    EXPECT_FALSE(GpsButtonEnabled(*m_dlg));
}

// ---- menu bar and notifications ----

TEST_F(MainWindowTest, MenuBarItemsAreCommandsWithoutPopups) {
    Open();
    std::vector<int> seen;
    m_dlg->Bind(wxEVT_MENU, [&](wxCommandEvent& e) { seen.push_back(e.GetId()); }, IDM_HEXCONV);
    m_dlg->Bind(wxEVT_MENU, [&](wxCommandEvent& e) { seen.push_back(e.GetId()); }, IDM_SOFTINFO);
    ASSERT_TRUE(ActivateMenuBarItem(m_dlg, 0));
    ASSERT_TRUE(ActivateMenuBarItem(m_dlg, 1));
    EXPECT_FALSE(ActivateMenuBarItem(m_dlg, 2));
    Pump();
    EXPECT_EQ(seen, (std::vector<int>{IDM_HEXCONV, IDM_SOFTINFO}));
    EXPECT_EQ(m_dlg->GetMenuBar()->GetMenuCount(), 2u);
}

TEST_F(MainWindowTest, ChildNotificationsAreTakenByTheMainWindow) {
    Open();
    for (int id : {IDN_DETAIL_CLOSED, IDN_HEX_CLOSED, IDN_GPSNULL_WRITE, IDN_GPSNULL_CLOSED})
        EXPECT_TRUE(m_dlg->OnCommand(id)) << id;
    EXPECT_FALSE(m_dlg->OnCommand(IDC_BROWSE));
}

TEST_F(MainWindowTest, EscapeEndsTheWindowAndTheListIsSaved) {
    Open();
    const std::string photo = Photo("noexif/beach.jpg", "a.jpg");
    m_dlg->OpenDroppedFile(photo);
    bool destroyed = false;
    m_dlg->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& e) {
        if (e.GetEventObject() == m_dlg) destroyed = true;
        e.Skip();
    });
    wxKeyEvent esc(wxEVT_CHAR_HOOK);
    esc.m_keyCode = WXK_ESCAPE;
    m_dlg->ProcessWindowEvent(esc);
    Pump();
    ASSERT_TRUE(destroyed);
    m_dlg = nullptr;  // gone: nothing left for the fixture to close
    Bytes b = ReadFileBytes(SettingsPath());
    EXPECT_STREQ(reinterpret_cast<const char*>(b.data()), photo.c_str());
}

// ---- the keyboard, through real keys ----

TEST_F(MainWindowTest, RealTabVisitsEachFocusableControlOnceInTemplateOrder) {
    // A photo with GPS data, so that button 136 is enabled.
    WriteSettings({Photo("gps/apple_iphone6_hdr_W.jpg", "a.jpg")});
    Open().Show();
    Pump();
    auto focused = [&] { return realinput::FocusedControlId(m_dlg); };
    // A click on the plain text "JPEG のみ対応" gives the window the keyboard;
    // the focus stays on the first control.
    ASSERT_TRUE(realinput::Click(m_dlg->Panel(),
                                 m_dlg->Panel()->ConvertDialogToPixels(wxPoint(160, 18))));
    ASSERT_TRUE(realinput::PumpUntil([&] { return focused() == IDC_BROWSE; })) << focused();
    std::vector<int> order;
    for (const char* key : {"Tab", "Tab", "Tab", "Tab", "Tab", "shift+Tab"}) {
        const int before = focused();
        ASSERT_TRUE(realinput::Key(key));
        realinput::PumpUntil([&] { return focused() != before; });
        order.push_back(focused());
    }
    EXPECT_EQ(order, (std::vector<int>{IDC_RECENT, IDC_CLOSE, IDC_DETAIL, IDC_GPSNULL, IDC_BROWSE,
                                       IDC_GPSNULL}));
}
