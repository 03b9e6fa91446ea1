// The Windows side of the platform layer: CP932 paths whose second bytes
// are backslashes, files under Japanese names, the share modes, the safe
// replace, the program's own path and the files kept beside it.
#include "app/DataPaths.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/SysFile.h"
#include "platform/UserDirs.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

namespace {

TEST(WinPath, SplitsWholeCharactersWhoseSecondByteIsABackslash) {
    struct Case {
        const char* path;
        const char *drive, *dir, *fname, *ext;
    };
    // "表" is 0x95 0x5C and "ソ" 0x83 0x5C: neither ends a folder name.
    const Case cases[] = {
        {"表示\\ソフト.jpg", "", "表示\\", "ソフト", ".jpg"},
        {"C:\\写真\\表\\ソ.JPG", "C:", "\\写真\\表\\", "ソ", ".JPG"},
        {"C:/a/表", "C:", "/a/", "表", ""},
        {"表", "", "", "表", ""},
        {"\\\\server\\share\\a.b.jpg", "", "\\\\server\\share\\", "a.b", ".jpg"},
        {"D:ソ.jpg", "D:", "", "ソ", ".jpg"},
    };
    for (const Case& c : cases) {
        const plat::PathParts p = plat::SplitPath(c.path);
        EXPECT_EQ(p.drive, c.drive) << c.path;
        EXPECT_EQ(p.dir, c.dir) << c.path;
        EXPECT_EQ(p.fname, c.fname) << c.path;
        EXPECT_EQ(p.ext, c.ext) << c.path;
        EXPECT_EQ(plat::NamePart(c.path), std::string(c.fname) + c.ext) << c.path;
    }
}

class WinFiles : public testing::Test {
protected:
    void SetUp() override {
        m_root = std::filesystem::temp_directory_path() /
                 ("tamlix-win-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::remove_all(m_root);
        ASSERT_TRUE(std::filesystem::create_directories(m_root / L"表示"));
        // The folder in CP932: ASCII from the system, then the Japanese part.
        m_dir = m_root.string() + "\\表示\\";
    }
    void TearDown() override { std::filesystem::remove_all(m_root); }

    static bool Put(const std::string& path, const std::string& bytes) {
        plat::File f;
        return f.OpenReadWriteCreate(path.c_str(), plat::Share::DenyNone) &&
               f.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    static std::string Get(const std::string& path) {
        plat::File f;
        if (!f.OpenRead(path.c_str(), plat::Share::DenyNone)) return "<cannot open>";
        std::string s(static_cast<size_t>(f.Size()), '\0');
        return f.Read(s.data(), f.Size()) == f.Size() ? s : "<short read>";
    }

    std::filesystem::path m_root;
    std::string m_dir;
};

TEST_F(WinFiles, JapaneseNamesReachTheFileSystemAsThemselves) {
    const std::string p = m_dir + "ソフト.jpg";
    ASSERT_TRUE(Put(p, "abc"));
    // The system sees the name in UTF-16, whatever its own code page.
    EXPECT_TRUE(std::filesystem::is_regular_file(m_root / L"表示" / L"ソフト.jpg"));
    EXPECT_TRUE(plat::FileExists(p.c_str()));
    EXPECT_TRUE(plat::IsDirectory(m_dir.c_str()));
    EXPECT_FALSE(plat::IsDirectory(p.c_str()));
    EXPECT_EQ(Get(p), "abc");
    plat::LocalTime t{};
    EXPECT_TRUE(plat::LastWriteTime(p.c_str(), t));
    EXPECT_GE(t.year, 2020);
    // Bytes that are not CP932 never become a name.
    EXPECT_FALSE(plat::FileExists((m_dir + "\x85\x40.jpg").c_str()));
    plat::File f;
    EXPECT_FALSE(f.CreateNew((m_dir + "\x85\x40.jpg").c_str()));
}

TEST_F(WinFiles, AFolderOrADeviceIsNotOpenedAsAFile) {
    plat::File f;
    EXPECT_FALSE(f.OpenRead(m_dir.c_str(), plat::Share::DenyNone));
    EXPECT_FALSE(f.OpenRead("NUL", plat::Share::DenyNone));
    EXPECT_FALSE(f.OpenRead((m_dir + "CON").c_str(), plat::Share::DenyNone));
}

TEST_F(WinFiles, AnExclusiveOpenerShutsOutEveryOtherOpener) {
    const std::string p = m_dir + "SetteiQRV.bin";
    plat::File held, other;
    ASSERT_TRUE(held.OpenReadWriteCreate(p.c_str(), plat::Share::Exclusive));
    EXPECT_FALSE(other.OpenReadWriteCreate(p.c_str(), plat::Share::Exclusive));
    EXPECT_FALSE(other.OpenRead(p.c_str(), plat::Share::DenyNone));
    held.Close();
    ASSERT_TRUE(other.OpenRead(p.c_str(), plat::Share::DenyNone));
    plat::File second;
    EXPECT_TRUE(second.OpenRead(p.c_str(), plat::Share::DenyNone));
    EXPECT_FALSE(held.OpenReadWriteCreate(p.c_str(), plat::Share::Exclusive));
}

TEST_F(WinFiles, RenameOverReplacesTheTargetAndKeepsItsAttributes) {
    const std::string target = m_dir + "表.jpg", tmp = m_dir + "表.tmp";
    ASSERT_TRUE(Put(target, "old"));
    ASSERT_TRUE(Put(tmp, "new"));
    const std::wstring wTarget = (m_root / L"表示" / L"表.jpg").wstring();
    ASSERT_TRUE(SetFileAttributesW(wTarget.c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(plat::CopyPermissions(target.c_str(), tmp.c_str()));
    EXPECT_TRUE(plat::RenameOver(tmp.c_str(), target.c_str()));
    EXPECT_EQ(Get(target), "new");
    EXPECT_FALSE(plat::FileExists(tmp.c_str()));
    EXPECT_NE(GetFileAttributesW(wTarget.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    // A read-only file is not opened for writing.
    ASSERT_TRUE(SetFileAttributesW(wTarget.c_str(), FILE_ATTRIBUTE_READONLY));
    plat::File f;
    EXPECT_FALSE(f.OpenReadWriteCreate(target.c_str(), plat::Share::DenyNone));
    EXPECT_TRUE(f.OpenRead(target.c_str(), plat::Share::DenyNone));
    SetFileAttributesW(wTarget.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WinModule, ExecutablePathIsThisProgramsFullPath) {
    std::string exe;
    ASSERT_TRUE(plat::ExecutablePath(exe));
    const plat::PathParts p = plat::SplitPath(exe);
    EXPECT_EQ(p.drive.size(), 2u) << exe;
    EXPECT_EQ(p.fname + p.ext, "tamlix_core_tests.exe");
}

}  // namespace

TEST(WinDataPaths, FilesBesideTheProgramInAFolderEndingInABackslashByte) {
    BuildDataPathsFrom("C:\\ソフト\\表\\Tamlix.exe");
    EXPECT_STREQ(g_szModuleDir, "C:\\ソフト\\表");
    EXPECT_STREQ(g_szSettingsPath, "C:\\ソフト\\表\\SetteiQRV.bin");
    EXPECT_STREQ(g_szTagTablePath, "C:\\ソフト\\表\\JpegTIFFTag.csv");
    BuildDataPathsFrom("C:\\Tamlix.exe");
    EXPECT_STREQ(g_szModuleDir, "C:\\");
    EXPECT_STREQ(g_szSettingsPath, "C:\\SetteiQRV.bin");
}

// Where this user cannot create a file beside the program (Program Files),
// the settings file lives in %APPDATA%\Tamlix, made when needed.
TEST_F(WinFiles, SettingsFallBackToTheUsersAppDataFolder) {
    EXPECT_TRUE(plat::CanCreateFileIn(m_dir.c_str()));
    EXPECT_FALSE(plat::CanCreateFileIn((m_dir + "none").c_str()));
    EXPECT_TRUE(std::filesystem::is_empty(m_root / L"表示"));  // the probe is gone

    const wchar_t* was = _wgetenv(L"APPDATA");
    const std::wstring saved = was != nullptr ? was : L"";
    const std::wstring appData = (m_root / L"表示" / L"AppData").wstring();
    ASSERT_EQ(_wputenv((L"APPDATA=" + appData).c_str()), 0);
    std::string folder;
    EXPECT_TRUE(plat::UserSettingsFolder(folder));
    EXPECT_EQ(folder, m_dir + "AppData\\Tamlix");
    g_szSettingsPath[0] = '\0';
    UseUserSettingsFolder();
    EXPECT_EQ(std::string(g_szSettingsPath), m_dir + "AppData\\Tamlix\\SetteiQRV.bin");
    EXPECT_TRUE(std::filesystem::is_directory(m_root / L"表示" / L"AppData" / L"Tamlix"));
    // A relative %APPDATA% is not taken; the system's folder is.
    ASSERT_EQ(_wputenv(L"APPDATA=relative"), 0);
    EXPECT_TRUE(plat::UserSettingsFolder(folder));
    EXPECT_EQ(folder.find("relative"), std::string::npos) << folder;
    _wputenv((L"APPDATA=" + saved).c_str());
}

// The companion's services take UTF-8 names, so any name works, also one
// code page 932 lacks.
TEST_F(WinFiles, CompanionFilesAreNamedInUtf8AndKnownByTheirIdentity) {
    const std::u8string dir8 = (m_root / L"表示").u8string();
    const std::string dir(dir8.begin(), dir8.end());
    const std::string name = reinterpret_cast<const char*>(u8"Caf\u00E9 \u2615.jpg");
    const std::string path = plat::SysJoin(dir, name);
    EXPECT_EQ(plat::SysBaseName(path), name);
    EXPECT_EQ(plat::SysBaseName(dir + "\\"), "\xE8\xA1\xA8\xE7\xA4\xBA");  // 表示 in UTF-8
    EXPECT_EQ(plat::SysJoin("C:", "a.jpg"), "C:a.jpg");
    EXPECT_EQ(plat::SysJoin("C:\\x\\", "a.jpg"), "C:\\x\\a.jpg");

    const uint8_t data[] = {1, 2, 3, 4};
    ASSERT_TRUE(plat::SysWriteFileSafely(path, data, 4, false));
    EXPECT_TRUE(std::filesystem::is_regular_file(m_root / L"表示" / L"Caf\u00E9 \u2615.jpg"));
    plat::SysFile f;
    ASSERT_EQ(f.Open(path, true), plat::OpenResult::Ok);
    EXPECT_EQ(f.Size(), 4);
    const int64_t t = int64_t{1561977296} * 1000000000 + 123456700;  // 2019-07-01, to 100 ns
    EXPECT_TRUE(f.SetModTime(t));
    EXPECT_EQ(f.ModTime(), t);
    const uint8_t now[] = {1, 9, 3, 4};
    EXPECT_TRUE(plat::PatchChangedBytes(f, data, now, 4));
    uint8_t back[4] = {};
    EXPECT_TRUE(f.ReadAt(0, back, 4));
    EXPECT_EQ(back[1], 9);
    plat::FileId id;
    ASSERT_TRUE(plat::SysFileIdOf(path, id));
    EXPECT_EQ(id, f.Id());
    f.Close();
    std::string real;
    EXPECT_TRUE(plat::SysResolveLinks(path, real));
    EXPECT_EQ(plat::SysBaseName(real), name);

    EXPECT_EQ(f.Open(dir), plat::OpenResult::NotRegular);
    EXPECT_EQ(f.Open("NUL"), plat::OpenResult::NotRegular);
    EXPECT_EQ(f.Open(plat::SysJoin(dir, "none.jpg")), plat::OpenResult::Missing);
    EXPECT_TRUE(plat::SysIsDirectory(dir));
}
