// The Windows side of the platform layer: CP932 paths whose second bytes
// are backslashes, files under Japanese names, the share modes, the safe
// replace, the program's own path and the files kept beside it.
#include "app/DataPaths.h"
#include "platform/File.h"
#include "platform/Path.h"

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
