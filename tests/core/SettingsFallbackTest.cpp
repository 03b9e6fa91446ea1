// Where an installed copy keeps its settings: the program's folder when the
// user may create a file there, else the user's settings folder. Run as a
// user who is not root (root may write anywhere): a probe process that
// starts and ends the settings as the main window does, from a folder of
// its own that the user cannot write, reached through a link as from
// /usr/bin.
#include "app/Settings.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

class SettingsFallback : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tamlix-fallback-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_base = tmpl;
        m_asRoot = geteuid() == 0;
        fs::permissions(m_base, fs::perms(0755));
        // The program's own folder, as a package installs it.
        fs::create_directory(m_base / "lib");
        fs::copy_file(TAMLIX_SETTINGS_PROBE, m_base / "lib/probe");
        fs::copy_file(TAMLIX_VORNIK2, m_base / "lib" / fs::path(TAMLIX_VORNIK2).filename());
        // The link lies in a folder the user may write: a settings file
        // beside the link instead of the program would show up there.
        fs::create_directory(m_base / "bin");
        fs::create_symlink(m_base / "lib/probe", m_base / "bin/tamlix-probe");
        fs::create_directory(m_base / "home");
        for (const char* d : {"bin", "home"}) GiveToUser(m_base / d);
        SetProgramFolderWritable(false);
    }

    void TearDown() override {
        fs::permissions(m_base / "lib", fs::perms(0755));
        fs::remove_all(m_base);
    }

    void GiveToUser(const fs::path& p) {
        if (m_asRoot) {
            ASSERT_EQ(chown(p.c_str(), kNobody, kNobody), 0);
        }
    }

    void SetProgramFolderWritable(bool w) {
        fs::permissions(m_base / "lib", fs::perms(w ? 0777 : 0555));
    }

    // Runs the probe through the link with only the given environment;
    // returns its lines (settings path, then the recent list).
    std::vector<std::string> Run(const std::vector<std::string>& env, const std::string& arg = "") {
        std::string cmd = "env -i ASAN_OPTIONS=detect_leaks=0";
        for (const std::string& e : env) cmd += " '" + e + "'";
        if (m_asRoot) cmd += " /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups";
        cmd += " " + (m_base / "bin/tamlix-probe").string();
        if (!arg.empty()) cmd += " '" + arg + "'";
        std::vector<std::string> lines;
        FILE* p = popen((cmd + " 2>&1").c_str(), "r");
        if (p == nullptr) return lines;
        char buf[1024];
        while (std::fgets(buf, sizeof buf, p) != nullptr) {
            std::string line(buf);
            if (!line.empty() && line.back() == '\n') line.pop_back();
            lines.push_back(line);
        }
        EXPECT_EQ(pclose(p), 0) << cmd;
        return lines;
    }

    std::string Home() const { return (m_base / "home").string(); }
    std::string ProgramSettings() const { return (m_base / "lib/SetteiQRV.bin").string(); }

    fs::path m_base;
    bool m_asRoot = false;
};

}  // namespace

TEST_F(SettingsFallback, AnUnwritableProgramFolderSendsTheSettingsToTheUsersFolder) {
    const std::string home = Home();
    const struct {
        std::vector<std::string> env;
        std::string settings;
        const char* what;
    } cases[] = {
        {{"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/cfg"}, home + "/cfg/tamlix/SetteiQRV.bin",
         "XDG_CONFIG_HOME"},
        {{"HOME=" + home, "XDG_CONFIG_HOME="}, home + "/.config/tamlix/SetteiQRV.bin", "empty"},
        {{"HOME=" + home}, home + "/.config/tamlix/SetteiQRV.bin", "unset"},
        {{"HOME=" + home, "XDG_CONFIG_HOME=cfg"}, home + "/.config/tamlix/SetteiQRV.bin",
         "relative: not a valid setting"},
        // A path that the 260-byte buffer cannot hold leaves the settings
        // beside the program, where they silently fail, as ever.
        {{"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/" + std::string(240, 'x')},
         ProgramSettings(), "too long"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> first = Run(c.env);
        ASSERT_FALSE(first.empty()) << c.what;
        EXPECT_EQ(first[0], c.settings) << c.what;
        if (c.settings == ProgramSettings()) {
            EXPECT_FALSE(fs::exists(c.settings)) << c.what;
            continue;
        }
        // The folder was made for this user alone, the file has the record.
        EXPECT_EQ(fs::file_size(c.settings), static_cast<uintmax_t>(kSettingsSize)) << c.what;
        EXPECT_EQ(fs::status(fs::path(c.settings).parent_path()).permissions(), fs::perms(0700))
            << c.what;
        fs::remove_all(fs::path(c.settings).parent_path());
    }
    EXPECT_FALSE(fs::exists(ProgramSettings()));
    EXPECT_FALSE(fs::exists(m_base / "bin/SetteiQRV.bin"));
}

TEST_F(SettingsFallback, TheRecentListPersistsInTheUsersFolder) {
    const std::vector<std::string> env{"HOME=" + Home()};
    const std::string photo = Home() + "/photo.jpg";
    std::FILE* f = std::fopen(photo.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    GiveToUser(photo);
    Run(env, photo);
    const std::vector<std::string> next = Run(env);
    EXPECT_EQ(next, (std::vector<std::string>{Home() + "/.config/tamlix/SetteiQRV.bin", photo}));
}

TEST_F(SettingsFallback, AWritableProgramFolderKeepsTheSettingsBesideTheProgram) {
    SetProgramFolderWritable(true);
    const std::vector<std::string> first = Run({"HOME=" + Home()});
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0], ProgramSettings());
    EXPECT_EQ(fs::file_size(ProgramSettings()), static_cast<uintmax_t>(kSettingsSize));
    EXPECT_FALSE(fs::exists(Home() + "/.config"));
}
