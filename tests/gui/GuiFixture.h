// A main window in a folder of its own: the executable path points into a
// temporary folder holding the tag table, so the settings file and the
// recent list of each test are its own.
#pragma once
#include "app/Settings.h"
#include "app/TamlixDlg.h"
#include "platform/File.h"
#include "tests/seams/TestSeams.h"

#include <gtest/gtest.h>
#include <wx/app.h>

#include <filesystem>
#include <string>

// On Windows GoogleTest brings <windows.h>, whose IDC_SIZE names a cursor;
// in these tests it is the picture size field.
#ifdef IDC_SIZE
#undef IDC_SIZE
#endif

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window (its initialisation runs at once).
    CTamlixDlg& Open();
    // Destroys the window as closing does, running pending deletes.
    void Close();
    // Lets queued events and paints happen.
    void Pump();

    std::string Dir() const { return m_dir.string(); }
    std::string SettingsPath() const { return (m_dir / "SetteiQRV.bin").string(); }
    // Copies a corpus photo into the folder under `name`; returns its path.
    std::string Photo(const char* corpusFile, const std::string& name);
    // Writes a settings file whose recent list holds `paths`.
    void WriteSettings(const std::vector<std::string>& paths, size_t size = kSettingsSize);
    std::string FieldText(int id);

    std::filesystem::path m_dir;
    CTamlixDlg* m_dlg = nullptr;
    plat::ScriptedMessages m_msgs;
};
