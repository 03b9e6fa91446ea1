#include "tests/gui/GuiFixture.h"

#include "platform/wx/FieldBox.h"
#include "platform/wx/WxText.h"
#include "preview/PreviewBmp.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TestOs.h"

#include <wx/evtloop.h>

#include <cstring>

void MainWindowTest::SetUp() {
    m_dir = testos::NewTempDir("tamlix-gui");
    std::filesystem::copy_file(std::string(TAMLIX_RES_DIR) + "/JpegTIFFTag.csv",
                               m_dir / "JpegTIFFTag.csv");
    plat::OverrideExecutablePath((m_dir / "Tamlix").string());
    std::memset(&g_Settings, 0, sizeof g_Settings);
    // Each main window deletes the picture holder when it goes; the program
    // has one window, the tests have one per test.
    if (g_pPreviewBmp == nullptr) g_pPreviewBmp = new CPreviewBmp;
    g_bPreviewReady = 0;
}

void MainWindowTest::TearDown() {
    Close();
    plat::OverrideExecutablePath("");
    std::filesystem::remove_all(m_dir);
}

CTamlixDlg& MainWindowTest::Open() {
    m_dlg = new CTamlixDlg;
    return *m_dlg;
}

void MainWindowTest::Close() {
    if (m_dlg == nullptr) return;
    m_dlg->Destroy();
    m_dlg = nullptr;
    Pump();
}

void MainWindowTest::Pump() {
    for (int i = 0; i < 5; ++i) {
        wxTheApp->ProcessPendingEvents();
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
            while (loop->Pending()) loop->Dispatch();
        wxTheApp->ProcessIdle();
    }
}

std::string MainWindowTest::Photo(const char* corpusFile, const std::string& name) {
    const std::filesystem::path to = m_dir / name;
    std::filesystem::copy_file(std::string(TAMLIX_CORPUS_DIR) + "/" + corpusFile, to,
                               std::filesystem::copy_options::overwrite_existing);
    return to.string();
}

void MainWindowTest::WriteSettings(const std::vector<std::string>& paths, size_t size) {
    testjpeg::Bytes b(size, 0);
    for (size_t i = 0; i < paths.size() && i < kRecentCount; ++i)
        std::memcpy(b.data() + i * kRecentEntrySize, paths[i].c_str(), paths[i].size() + 1);
    ASSERT_TRUE(testjpeg::WriteFileBytes(SettingsPath(), b));
}

std::string MainWindowTest::FieldText(int id) {
    auto* box = dynamic_cast<FieldBox*>(m_dlg->Panel()->FindWindow(id));
    if (box == nullptr) return "<no field>";
    std::string cp;
    FromWx(box->GetValue(), cp);
    return cp;
}
