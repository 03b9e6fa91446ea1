// The GPS invalidation through the real windows: the options dialog, the
// questions of the writer answered by the scripted responder, the bytes
// written, and what survives when writing fails.
#include "gpsnull/GPSNull.h"
#include "gpsnull/GpsInvalidate.h"
#include "platform/File.h"
#include "platform/wx/FileDialog.h"
#include "platform/wx/WxText.h"
#include "res/Templates.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/JpegBuilder.h"

#include <wx/checkbox.h>
#include <wx/weakref.h>

#include <filesystem>

using testjpeg::Bytes;
using testjpeg::ExifBuilder;
using testjpeg::FiveEntryGps;
using testjpeg::ReadFileBytes;
using testjpeg::Zeroed;

namespace {

class GpsNullTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        SetSaveFileResponder([this](const SaveFileRequest& req) {
            m_requests.push_back(req);
            OpenFileResult r;
            r.ok = !m_answer.empty();
            r.path = m_answer;
            return r;
        });
    }
    void TearDown() override {
        SetSaveFileResponder(nullptr);
        plat::FailNthWriteForTest(0);
        MainWindowTest::TearDown();
    }

    // Opens the main window on a built photo with a 5-entry GPS IFD.
    std::string OpenOnGpsPhoto(const std::string& name = "g.jpg") {
        m_photo = FiveEntryGps().Build();
        const std::string p = Dir() + "/" + name;
        EXPECT_TRUE(testjpeg::WriteFileBytes(p, m_photo));
        Open();
        m_dlg->OpenDroppedFile(p);
        m_msgs.Clear();
        return p;
    }
    CGPSNull* PressGpsNull() {
        wxCommandEvent ev(wxEVT_BUTTON, IDC_GPSNULL);
        m_dlg->ProcessWindowEvent(ev);
        return m_dlg->GpsNullDlg();
    }
    // Button "DF更新" with the save dialog answering `target` (empty: cancel).
    void PressDfUpdate(const std::string& target) {
        m_answer = target;
        wxCommandEvent ev(wxEVT_BUTTON, IDC_DF_UPDATE);
        m_dlg->GpsNullDlg()->ProcessWindowEvent(ev);
    }
    Bytes BothOptions() const {
        ExifBuilder b = FiveEntryGps();
        return Zeroed(m_photo, b.FilePosOfGpsIfd(), 2 + 5 * 12);
    }
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> found;
        for (const auto& e : std::filesystem::directory_iterator(m_dir))
            if (e.path().filename().string().find(".tamlix-") != std::string::npos)
                found.push_back(e.path().filename().string());
        return found;
    }

    Bytes m_photo;
    std::string m_answer;
    std::vector<SaveFileRequest> m_requests;
};

}  // namespace

// ---- the options dialog ----

TEST_F(GpsNullTest, OpensWithBothBoxesCheckedOnceAndCommand138ReleasesIt) {
    OpenOnGpsPhoto();
    ASSERT_TRUE(m_dlg->Panel()->FindWindow(IDC_GPSNULL)->IsEnabled());
    CGPSNull* d = PressGpsNull();
    ASSERT_NE(d, nullptr);
    std::string title;
    FromWx(d->GetTitle(), title);
    EXPECT_EQ(title, "GPS情報無効化条件指定");
    EXPECT_TRUE(d->m_chkClearEntries->GetValue());
    EXPECT_TRUE(d->m_chkClearLatLon->GetValue());
    EXPECT_TRUE(d->IsShown());
    EXPECT_EQ(PressGpsNull(), d);  // the open one only gets the focus

    wxWeakRef<CGPSNull> ref(d);
    wxCommandEvent close(wxEVT_BUTTON, IDC_CLOSE);
    d->ProcessWindowEvent(close);
    EXPECT_EQ(m_dlg->GpsNullDlg(), nullptr);
    Pump();
    EXPECT_FALSE(ref);
    EXPECT_TRUE(m_msgs.All().empty());
}

TEST_F(GpsNullTest, EscapeAndEnterCloseTheDialogAfterTellingTheMainWindow) {
    OpenOnGpsPhoto();
    for (int key : {WXK_ESCAPE, WXK_RETURN}) {
        CGPSNull* d = PressGpsNull();
        ASSERT_NE(d, nullptr);
        d->m_chkClearEntries->SetFocus();
        wxWeakRef<CGPSNull> ref(d);
        wxKeyEvent ev(wxEVT_CHAR_HOOK);
        ev.m_keyCode = key;
        d->ProcessWindowEvent(ev);
        EXPECT_EQ(m_dlg->GpsNullDlg(), nullptr) << key;
        Pump();
        EXPECT_FALSE(ref) << key;
    }
}

TEST_F(GpsNullTest, NeitherOptionIsRefusedAndTheDialogStays) {
    const std::string p = OpenOnGpsPhoto();
    CGPSNull* d = PressGpsNull();
    d->m_chkClearEntries->SetValue(false);
    d->m_chkClearLatLon->SetValue(false);
    PressDfUpdate(Dir() + "/out.jpg");
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_msgs.Last().text, "指定条件は無意味です。");
    EXPECT_EQ(m_msgs.Last().caption, "確認");
    EXPECT_TRUE(m_requests.empty());
    EXPECT_EQ(m_dlg->GpsNullDlg(), d);
    EXPECT_FALSE(std::filesystem::exists(Dir() + "/out.jpg"));
}

// ---- the writer's questions and results ----

TEST_F(GpsNullTest, ANewNameIsWrittenWithoutQuestionAndTheDialogCloses) {
    const std::string p = OpenOnGpsPhoto();
    PressGpsNull();
    const std::string out = Dir() + "/out.jpg";
    PressDfUpdate(out);

    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].startDir, Dir() + "/");
    EXPECT_EQ(m_requests[0].fileName, "g");
    EXPECT_EQ(m_requests[0].filter, "jpg (*.jpg)|*.jpg|All Files (*.*)|*.*");
    EXPECT_EQ(m_requests[0].defaultExt, "jpg");

    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_msgs.Last().text, "指定ファイルに書込みました。");
    EXPECT_EQ(m_msgs.Last().caption, out);
    EXPECT_EQ(ReadFileBytes(out), BothOptions());
    EXPECT_EQ(ReadFileBytes(p), m_photo);
    EXPECT_EQ(m_dlg->GpsNullDlg(), nullptr);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(GpsNullTest, OneOptionAloneWritesOnlyItsBytes) {
    OpenOnGpsPhoto();
    CGPSNull* d = PressGpsNull();
    d->m_chkClearLatLon->SetValue(false);
    const std::string out = Dir() + "/tags.jpg";
    PressDfUpdate(out);
    const size_t gps = FiveEntryGps().FilePosOfGpsIfd();
    Bytes expected = Zeroed(m_photo, gps, 2);
    for (size_t i = 0; i < 5; ++i) expected = Zeroed(expected, gps + 2 + 12 * i, 2);
    EXPECT_EQ(ReadFileBytes(out), expected);
}

TEST_F(GpsNullTest, TheCurrentFileItselfNeedsOkAndTheWindowKeepsTheOldAnalysis) {
    const std::string p = OpenOnGpsPhoto();
    const std::string lat = FieldText(IDC_LAT);
    ASSERT_FALSE(lat.empty());
    PressGpsNull();

    m_msgs.Answer(plat::MsgResult::Cancel);
    PressDfUpdate(p);
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_msgs.Last().text, "ファイルを書き換えていいですか？");
    EXPECT_EQ(m_msgs.Last().caption, "確認");
    EXPECT_EQ(m_msgs.Last().buttons, plat::MsgButtons::OkCancel);
    EXPECT_EQ(ReadFileBytes(p), m_photo);
    ASSERT_NE(m_dlg->GpsNullDlg(), nullptr);

    m_msgs.Clear();
    m_msgs.Answer(plat::MsgResult::Ok);
    PressDfUpdate(p);
    ASSERT_EQ(m_msgs.Count(), 2u);
    EXPECT_EQ(m_msgs.All()[1].text, "指定ファイルに書込みました。");
    EXPECT_EQ(ReadFileBytes(p), BothOptions());
    EXPECT_EQ(m_dlg->Current().m_analysis.m_nGpsState, kGpsData);
    m_dlg->UpdateSummary();
    EXPECT_EQ(FieldText(IDC_LAT), lat);
}

TEST_F(GpsNullTest, AnotherExistingFileNeedsYesWithItsPathInTheCaption) {
    OpenOnGpsPhoto();
    const std::string other = Dir() + "/other.jpg";
    ASSERT_TRUE(testjpeg::WriteFileBytes(other, {1, 2, 3}));
    PressGpsNull();
    m_msgs.Answer(plat::MsgResult::No);
    PressDfUpdate(other);
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_msgs.Last().text, "ファイルが存在します。書き換えてもいいですか？");
    EXPECT_EQ(m_msgs.Last().caption, "指定DF[" + other + "]");
    EXPECT_EQ(m_msgs.Last().buttons, plat::MsgButtons::YesNo);
    EXPECT_EQ(ReadFileBytes(other), (Bytes{1, 2, 3}));

    m_msgs.Answer(plat::MsgResult::Yes);
    PressDfUpdate(other);
    EXPECT_EQ(ReadFileBytes(other), BothOptions());
}

TEST_F(GpsNullTest, CancellingTheSaveDialogWritesNothingAndAsksNothing) {
    const std::string p = OpenOnGpsPhoto();
    PressGpsNull();
    PressDfUpdate("");
    EXPECT_EQ(m_requests.size(), 1u);
    EXPECT_TRUE(m_msgs.All().empty());
    EXPECT_EQ(ReadFileBytes(p), m_photo);
    EXPECT_NE(m_dlg->GpsNullDlg(), nullptr);
}

// ---- refusals and failures: the photo is never lost ----

TEST_F(GpsNullTest, AFileWithoutGpsLoadedMeanwhileIsNotPatched) {
    OpenOnGpsPhoto();
    PressGpsNull();
    const Bytes noGps = ExifBuilder().Ifd0(0x010F, testjpeg::kAscii, 4, 0x41424300).Build();
    const std::string n = Dir() + "/n.jpg";
    ASSERT_TRUE(testjpeg::WriteFileBytes(n, noGps));
    m_dlg->OpenDroppedFile(n);
    ASSERT_NE(m_dlg->GpsNullDlg(), nullptr);
    m_msgs.Clear();
    PressDfUpdate(n);
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_NE(m_msgs.Last().text.find("GPS"), std::string::npos);
    EXPECT_TRUE(m_requests.empty());
    EXPECT_EQ(ReadFileBytes(n), noGps);
}

TEST_F(GpsNullTest, AFileChangedOnDiskSinceTheAnalysisIsNotWritten) {
    const std::string p = OpenOnGpsPhoto();
    PressGpsNull();
    Bytes changed = m_photo;
    changed.insert(changed.begin() + 2, {0xFF, 0xFE, 0x00, 0x02});  // a comment moves everything
    ASSERT_TRUE(testjpeg::WriteFileBytes(p, changed));
    m_msgs.Answer(plat::MsgResult::Ok);
    PressDfUpdate(p);
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_NE(m_msgs.Last().text.find("変更されています"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(p), changed);
    EXPECT_TRUE(m_requests.empty());
}

TEST_F(GpsNullTest, AWriteFailingMidwayKeepsThePhotoAndTheDialog) {
    // A copy under a new name is written whole through a temporary file;
    // the photo itself would only be patched in place.
    const std::string p = OpenOnGpsPhoto();
    const std::string copy = Dir() + "/copy.jpg";
    PressGpsNull();
    plat::FailNthWriteForTest(1);
    PressDfUpdate(copy);
    ASSERT_EQ(m_msgs.Count(), 1u);
    EXPECT_EQ(m_msgs.Last().text, "jpg ファイルが作れませんでした。");
    EXPECT_EQ(m_msgs.Last().caption, "確認要求");
    EXPECT_EQ(ReadFileBytes(p), m_photo);
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_TRUE(Leftovers().empty());
    EXPECT_NE(m_dlg->GpsNullDlg(), nullptr);
}

TEST_F(GpsNullTest, AFolderThatCannotBeWrittenIsReportedAsFailure) {
    const std::string p = OpenOnGpsPhoto();
    PressGpsNull();
    for (const std::string& target : {std::string("/proc/tamlix-gps.jpg"), Dir() + "/none/x.jpg"}) {
        m_msgs.Clear();
        PressDfUpdate(target);
        ASSERT_EQ(m_msgs.Count(), 1u) << target;
        EXPECT_EQ(m_msgs.Last().text, "jpg ファイルが作れませんでした。");
        EXPECT_FALSE(std::filesystem::exists(target));
    }
    EXPECT_EQ(ReadFileBytes(p), m_photo);
    EXPECT_NE(m_dlg->GpsNullDlg(), nullptr);
}
