#include "app/DataPaths.h"
#include "app/FileSelect.h"
#include "app/Settings.h"
#include "platform/File.h"
#include "tests/support/TestOs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The recent list of g_Settings, set and read as plain strings.
void SetList(const std::vector<std::string>& paths) {
    std::memset(&g_Settings, 0, sizeof g_Settings);
    for (size_t i = 0; i < paths.size(); ++i)
        std::strcpy(g_Settings.m_RecentFileList[i], paths[i].c_str());
}

std::vector<std::string> List() {
    std::vector<std::string> out;
    for (int i = 0; i < kRecentCount; ++i) out.push_back(RecentEntry(i));
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

class TempDir : public testing::Test {
protected:
    void SetUp() override {
        m_dir = testos::NewTempDir("tamlix-core");
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Touch(const std::string& name) {
        std::ofstream((m_dir / name).string()) << "x";
        return (m_dir / name).string();
    }
    std::filesystem::path m_dir;
};

}  // namespace

TEST(RecentList, PushMovesAnEntryEqualIgnoringCaseAndTakesTheNewSpelling) {
    SetList({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg", "/p/D.jpg", "/p/e.jpg"});
    PushRecentFile("/P/d.JPG");
    EXPECT_EQ(List(), (std::vector<std::string>{"/P/d.JPG", "/p/a.jpg", "/p/b.jpg", "/p/c.jpg",
                                                "/p/e.jpg"}));
}

TEST(RecentList, PushOntoAFullListDropsTheOldest) {
    std::vector<std::string> ten;
    for (int i = 0; i < 10; ++i) ten.push_back("/p/" + std::to_string(i) + ".jpg");
    SetList(ten);
    PushRecentFile("/p/new.jpg");
    std::vector<std::string> expected{"/p/new.jpg"};
    expected.insert(expected.end(), ten.begin(), ten.begin() + 9);
    EXPECT_EQ(List(), expected);
}

TEST(RecentList, PushOfAnEntryOfTheListItselfMovesIt) {
    SetList({"/p/0.jpg", "/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/5.jpg", "/p/6.jpg",
             "/p/a-much-longer-name-7.jpg", "/p/a-much-longer-name-8.jpg", "/p/9.jpg"});
    PushRecentFile(RecentEntry(9));
    EXPECT_EQ(List(), (std::vector<std::string>{"/p/9.jpg", "/p/0.jpg", "/p/1.jpg", "/p/2.jpg", "/p/3.jpg",
                                                "/p/4.jpg", "/p/5.jpg", "/p/6.jpg", "/p/a-much-longer-name-7.jpg",
                                                "/p/a-much-longer-name-8.jpg"}));
}

TEST(RecentList, PathTooLongForAnEntryLeavesTheListAlone) {
    SetList({"/p/a.jpg"});
    PushRecentFile(("/" + std::string(255, 'x')).c_str());  // 256 bytes
    EXPECT_EQ(List(), (std::vector<std::string>{"/p/a.jpg"}));
    PushRecentFile(("/" + std::string(254, 'x')).c_str());  // 255 bytes: fits
    EXPECT_EQ(List().size(), 2u);
}

TEST(RecentList, MoveToFrontShiftsOnlyTheEntriesBeforeIt) {
    SetList({"A", "B", "C", "D"});
    MoveRecentToFront(2);
    EXPECT_EQ(List(), (std::vector<std::string>{"C", "A", "B", "D"}));
    MoveRecentToFront(0);
    MoveRecentToFront(-1);
    MoveRecentToFront(10);
    EXPECT_EQ(List(), (std::vector<std::string>{"C", "A", "B", "D"}));
}

TEST_F(TempDir, RemoveMissingKeepsOrderOfThoseThatExist) {
    const std::string a = Touch("a.jpg"), c = Touch("c.jpg");
    SetList({a, (m_dir / "b.jpg").string(), c});
    RemoveMissingRecentFiles();
    EXPECT_EQ(List(), (std::vector<std::string>{a, c}));
}

TEST_F(TempDir, SettingsFileRoundTripsReservedBytesAndKeepsItsTail) {
    BuildDataPathsFrom((m_dir / "Tamlix").string());
    ASSERT_EQ(std::string(g_szSettingsPath), (m_dir / "SetteiQRV.bin").string());
    std::vector<uint8_t> file(10000);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i % 251 + 1);
    file[255] = 0;  // entry 0 holds a NUL; entries 1..9 do not and count as empty
    std::ofstream(g_szSettingsPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), 10000);

    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(List().size(), 1u);
    EXPECT_EQ(std::memcmp(reinterpret_cast<uint8_t*>(&g_Settings) + 2560, file.data() + 2560,
                          kSettingsSize - 2560), 0);
    ASSERT_TRUE(SaveSettings());
    std::ifstream in(g_szSettingsPath, std::ios::binary);
    std::vector<uint8_t> after((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(after.size(), 10000u);
    EXPECT_TRUE(std::equal(after.begin() + 2560, after.end(), file.begin() + 2560));
}

TEST_F(TempDir, SettingsFileHeldByAnotherInstanceCannotBeRead) {
    BuildDataPathsFrom((m_dir / "Tamlix").string());
    ResetSettings();
    ASSERT_TRUE(SaveSettings());
    plat::File other;
    ASSERT_TRUE(other.OpenReadWriteCreate(g_szSettingsPath, plat::Share::Exclusive));
    EXPECT_FALSE(LoadSettings());
    EXPECT_FALSE(SaveSettings());
    other.Close();
    EXPECT_TRUE(LoadSettings());
}

TEST(DataPaths, FolderThatDoesNotFitLeavesEveryPathEmpty) {
    BuildDataPathsFrom("/opt/tamlix/Tamlix");
    EXPECT_STREQ(g_szModuleDir, "/opt/tamlix");
    EXPECT_STREQ(g_szTagTablePath, "/opt/tamlix/JpegTIFFTag.csv");
    BuildDataPathsFrom("/Tamlix");
    EXPECT_STREQ(g_szModuleDir, "/");
    EXPECT_STREQ(g_szSettingsPath, "/SetteiQRV.bin");

    BuildDataPathsFrom("/" + std::string(254, 'd') + "/Tamlix");  // folder of 255 bytes
    EXPECT_STREQ(g_szModuleDir, "");
    EXPECT_STREQ(g_szSettingsPath, "");
    BuildDataPathsFrom("/" + std::string(250, 'd') + "/Tamlix");  // fits, the paths do not
    EXPECT_STREQ(g_szTagTablePath, "");
    EXPECT_FALSE(LoadSettings());
}

TEST(DataPaths, ExecutableWithoutAFolderGivesNoWindowPathsAndTheBareTableName) {
    BuildDataPathsFrom("/opt/tamlix/Tamlix");
    BuildDataPathsFrom("Tamlix");
    EXPECT_STREQ(g_szModuleDir, "");
    EXPECT_STREQ(g_szSettingsPath, "");
    EXPECT_STREQ(g_szTagTablePath, "");
    EXPECT_EQ(TagTablePathFor("Tamlix"), "JpegTIFFTag.csv");
    EXPECT_EQ(TagTablePathFor("/opt/tamlix/tamlix-cli"), "/opt/tamlix/JpegTIFFTag.csv");
}

TEST(FileSelect, JpegExtensionTestComparesOnlyTheFirstLetters) {
    for (const char* ok : {"jpg", "JPG", "jpe", "jpeg", "Jpeg", "jpgx", "JPEG2000"})
        EXPECT_TRUE(IsJpegExtension(ok)) << ok;
    for (const char* bad : {"", "jp", "png", "j", "gpj", "xjpg"})
        EXPECT_FALSE(IsJpegExtension(bad)) << bad;
    EXPECT_EQ(ExtensionOf("/a.b/photo.tar.JPG"), "JPG");
    EXPECT_EQ(ExtensionOf("/a.b/photo"), "");
    EXPECT_EQ(ExtensionOf("/a/photo."), "");
}

TEST(FileSelect, RejectMessageIsCutAtACharacterBoundary) {
    EXPECT_EQ(ExtensionRejectMessage("png"),
              "拡張子として [png] のファイルが指定されました\n処理できません");
    const std::string msg = ExtensionRejectMessage(std::string(300, 'x'));
    EXPECT_EQ(msg.size(), 255u);
    // A long extension of double-byte characters: never half a character.
    std::string wide;
    for (int i = 0; i < 150; ++i) wide += "画";
    const std::string cut = ExtensionRejectMessage(wide);
    EXPECT_LE(cut.size(), 255u);
    EXPECT_EQ(cut.size() % 2, std::string("拡張子として [").size() % 2);
}

TEST_F(TempDir, LoadImageFileFillsPathNameTimeAndTellsGpsState) {
    const std::string missing = (m_dir / "gone.jpg").string();
    CurrentFile cur;
    std::strcpy(cur.m_szFileName, "previous.jpg");
    TagNameTable tags;
    EXPECT_FALSE(LoadImageFile(cur, missing.c_str(), tags, [](const char*) {
        return PreviewSize{640, 480};
    }));
    EXPECT_STREQ(cur.m_szFilePath, missing.c_str());
    EXPECT_STREQ(cur.m_szFileName, "previous.jpg");  // a missing file keeps the old name
    EXPECT_EQ(cur.m_analysis.m_szFileTime[0], '\0');

    const std::string photo = Touch("x.jpg");
    LoadImageFile(cur, photo.c_str(), tags, nullptr);
    EXPECT_STREQ(cur.m_szFileName, "x.jpg");
    EXPECT_EQ(std::strlen(cur.m_analysis.m_szFileTime), 16u);  // "YYYY/MM/DD hh:mm"
    EXPECT_EQ(cur.m_analysis.m_bLoaded, 1);
}
