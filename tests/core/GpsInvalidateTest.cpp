// Zeroing the GPS IFD in a file's bytes, reading the file again, the safe
// write, and tamlix-cli strip-gps. Every expectation is built from the
// builder's own positions, not from the code under test.
#include "gpsnull/GpsInvalidate.h"
#include "platform/SysFile.h"
#include "tests/seams/TestSeams.h"
#include "tests/support/ExifTestUtil.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/TestOs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using testjpeg::Bytes;
using testjpeg::ExifBuilder;
using testjpeg::FiveEntryGps;
using testjpeg::Order;
using testjpeg::Zeroed;

namespace {

// Index of the first byte where a and b differ, or -1 when equal.
long FirstDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return static_cast<long>(std::min(a.size(), b.size()));
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return -1;
}

Bytes Patched(Bytes f, int32_t entries, int32_t fields, bool* result = nullptr) {
    const ExifAnalysis a = testjpeg::Analyze(f);
    const bool r = InvalidateGpsBytes(f.data(), static_cast<int64_t>(f.size()), entries, a, fields);
    if (result) *result = r;
    return f;
}

}  // namespace

// ---- which bytes are zeroed ----

TEST(InvalidateGpsBytes, BothOptionsZeroTheCountAndFiveWholeEntriesOnly) {
    for (Order o : {Order::II, Order::MM}) {
        ExifBuilder b = FiveEntryGps(o);
        const Bytes f = b.Build();
        Bytes expected = Zeroed(f, b.FilePosOfGpsIfd(), 2 + 5 * 12);
        bool ok = false;
        const Bytes out = Patched(f, 1, 1, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(out.size(), f.size());
        EXPECT_EQ(FirstDifference(out, expected), -1);
    }
}

TEST(InvalidateGpsBytes, EachOptionAloneZeroesOnlyItsOwnBytes) {
    ExifBuilder b = FiveEntryGps(Order::MM);
    const Bytes f = b.Build();
    const size_t gps = b.FilePosOfGpsIfd();

    Bytes tagsOnly = Zeroed(f, gps, 2);
    for (size_t i = 0; i < 5; ++i) tagsOnly = Zeroed(tagsOnly, gps + 2 + 12 * i, 2);
    EXPECT_EQ(FirstDifference(Patched(f, 1, 0), tagsOnly), -1);

    Bytes fieldsOnly = f;
    for (size_t i = 0; i < 5; ++i) fieldsOnly = Zeroed(fieldsOnly, gps + 2 + 12 * i + 2, 10);
    EXPECT_EQ(FirstDifference(Patched(f, 0, 1), fieldsOnly), -1);
}

TEST(InvalidateGpsBytes, OptionsCountOnlyWhenExactlyOne) {
    const Bytes f = FiveEntryGps().Build();
    EXPECT_EQ(FirstDifference(Patched(f, 2, -1), f), -1);
    EXPECT_EQ(FirstDifference(Patched(f, 0, 0), f), -1);
}

TEST(InvalidateGpsBytes, AnIfdDeclaringThirtyFiveEntriesHasOnlyTheFirstThirtyPatched) {
    ExifBuilder b;
    for (uint16_t i = 0; i < 35; ++i) b.Gps(static_cast<uint16_t>(100 + i), testjpeg::kShort, 1, i);
    const Bytes f = b.Build();
    const size_t gps = b.FilePosOfGpsIfd();
    const Bytes expected = Zeroed(f, gps, 2 + 30 * 12);
    const Bytes out = Patched(f, 1, 1);
    EXPECT_EQ(FirstDifference(out, expected), -1);
    // Entries 31 to 35 are intact, tag numbers included.
    EXPECT_EQ(out[gps + 2 + 12 * 30], 130);
    EXPECT_EQ(out[gps + 2 + 12 * 34], 134);
}

// ---- refusals: nothing patched when the positions cannot be trusted ----

TEST(InvalidateGpsBytes, RefusesWithoutGpsDataOrWithPositionsOutsideTheFile) {
    // No GPS IFD: the record's positions are 0 and the JPEG start must stay.
    Bytes noGps = ExifBuilder().Ifd0(0x010F, testjpeg::kAscii, 4, 0x41424300).Build();
    const ExifAnalysis none = testjpeg::Analyze(noGps);
    ASSERT_EQ(none.m_nGpsState, kGpsNone);
    EXPECT_FALSE(InvalidateGpsBytes(noGps.data(), static_cast<int64_t>(noGps.size()), 1, none, 1));
    EXPECT_EQ(noGps[0], 0xFF);
    EXPECT_EQ(noGps[1], 0xD8);

    // A GPS IFD without entries (state 9).
    Bytes empty = ExifBuilder().WithGpsPointer().Build();
    const ExifAnalysis nine = testjpeg::Analyze(empty);
    ASSERT_EQ(nine.m_nGpsState, kGpsEmpty);
    const Bytes emptyBefore = empty;
    EXPECT_FALSE(InvalidateGpsBytes(empty.data(), static_cast<int64_t>(empty.size()), 1, nine, 1));
    EXPECT_EQ(empty, emptyBefore);

    // The analysis of a longer file applied to a shorter one.
    ExifBuilder b = FiveEntryGps();
    const Bytes f = b.Build();
    const ExifAnalysis a = testjpeg::Analyze(f);
    Bytes shortFile(f.begin(), f.begin() + b.FilePosOfGpsIfd() + 2 + 4 * 12 + 11);
    const Bytes shortBefore = shortFile;
    EXPECT_FALSE(InvalidateGpsBytes(shortFile.data(), static_cast<int64_t>(shortFile.size()), 1, a, 1));
    EXPECT_EQ(shortFile, shortBefore);

    // A record whose entry position was altered to the file start.
    ExifAnalysis altered = a;
    altered.m_Gps[2].m_nEntryPos = 0;
    Bytes g = f;
    EXPECT_FALSE(InvalidateGpsBytes(g.data(), static_cast<int64_t>(g.size()), 1, altered, 1));
    EXPECT_EQ(g, f);
}

// ---- wiping the values the entries point to ----

TEST(WipeGpsValueBytes, ZeroesTheRationalsAndLeavesInlineValuesAndOtherBytes) {
    ExifBuilder b = FiveEntryGps();
    const Bytes f = b.Build();
    const ExifAnalysis a = testjpeg::Analyze(f);
    Bytes out = f;
    EXPECT_EQ(WipeGpsValueBytes(out.data(), static_cast<int64_t>(out.size()), a), 48);
    // The latitude's and longitude's 3 rationals are the only values stored
    // after the IFDs, back to back.
    EXPECT_EQ(FirstDifference(out, Zeroed(f, b.FilePosOfValues(), 48)), -1);
}

TEST(WipeGpsValueBytes, AValuePointingPastItsSegmentIsCutAtTheSegmentEnd) {
    // Latitude rationals declared 100 long: only what lies inside the APP1
    // segment is zeroed, the image data after it stays.
    ExifBuilder b;
    b.GpsData(2, testjpeg::kRational, 100, testjpeg::RationalBytes({{1, 1}, {2, 1}, {3, 1}}, Order::II));
    Bytes f = b.Build();
    const size_t app1End = 4 + (size_t{f[4]} << 8 | f[5]);
    const Bytes tail = {0xFF, 0xDB, 0x12, 0x34, 0x56};
    f.insert(f.begin() + static_cast<long>(app1End), tail.begin(), tail.end());
    const ExifAnalysis a = testjpeg::Analyze(f);
    ASSERT_EQ(a.m_nGpsState, kGpsData);
    Bytes out = f;
    WipeGpsValueBytes(out.data(), static_cast<int64_t>(out.size()), a);
    EXPECT_EQ(FirstDifference(out, Zeroed(f, b.FilePosOfValues(), app1End - b.FilePosOfValues())), -1);
}

// ---- reading the file again ----

class WriterFiles : public testing::Test {
protected:
    void SetUp() override {
        m_dir = testos::NewTempDir("tamlix-gpsnull");
    }
    void TearDown() override {
        plat::FailNthWriteForTest(0);
        std::filesystem::remove_all(m_dir);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    // Names in the folder other than `keep`.
    std::vector<std::string> Others(const std::vector<std::string>& keep) const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(m_dir)) {
            std::string n = e.path().filename().string();
            if (std::find(keep.begin(), keep.end(), n) == keep.end()) names.push_back(n);
        }
        return names;
    }
    std::filesystem::path m_dir;
};

TEST_F(WriterFiles, TheAnalysedFileIsPatchedInPlaceAndALinkLeadsToItsFile) {
    const Bytes was = FiveEntryGps().Build();
    Bytes now = was;
    now[40] ^= 0xFF;
    // The analysed file under another name (a hard link): same inode after.
    ASSERT_TRUE(testjpeg::WriteFileBytes(Path("a.jpg"), was));
    std::filesystem::create_hard_link(Path("a.jpg"), Path("b.jpg"));
    plat::FileId before, after;
    ASSERT_TRUE(plat::SysFileIdOf(Path("a.jpg"), before));
    EXPECT_TRUE(WriteGpsResult(Path("b.jpg").c_str(), Path("a.jpg").c_str(), was.data(), now.data(),
                               static_cast<int64_t>(now.size())));
    ASSERT_TRUE(plat::SysFileIdOf(Path("a.jpg"), after));
    EXPECT_EQ(before, after);
    EXPECT_EQ(testjpeg::ReadFileBytes(Path("a.jpg")), now);
    // Content changed since the analysis: nothing is written.
    EXPECT_FALSE(WriteGpsResult(Path("a.jpg").c_str(), Path("a.jpg").c_str(), was.data(),
                                now.data(), static_cast<int64_t>(now.size())));
#ifndef _WIN32  // symbolic links need a privilege on Windows
    // Another file through a symbolic link: the link stays, its file changes.
    ASSERT_TRUE(testjpeg::WriteFileBytes(Path("other.jpg"), Bytes(10, 1)));
    std::filesystem::create_symlink(Path("other.jpg"), Path("link.jpg"));
    EXPECT_TRUE(WriteGpsResult(Path("link.jpg").c_str(), Path("a.jpg").c_str(), was.data(),
                               now.data(), static_cast<int64_t>(now.size())));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("link.jpg")));
    EXPECT_EQ(testjpeg::ReadFileBytes(Path("other.jpg")), now);
#endif
}

TEST_F(WriterFiles, ReadAgainTellsAnUnchangedFileFromAChangedOne) {
    const Bytes f = FiveEntryGps().Build();
    const std::string p = Path("a.jpg");
    ASSERT_TRUE(testjpeg::WriteFileBytes(p, f));
    FileBuffer buf;
    EXPECT_EQ(ReadFileAgain(p.c_str(), buf, f.data(), static_cast<int64_t>(f.size())),
              ReadAgainResult::Ok);
    EXPECT_EQ(Bytes(buf.data.get(), buf.data.get() + buf.len), f);

    Bytes oneByte = f;
    oneByte[f.size() / 2] ^= 1;
    ASSERT_TRUE(testjpeg::WriteFileBytes(p, oneByte));
    EXPECT_EQ(ReadFileAgain(p.c_str(), buf, f.data(), static_cast<int64_t>(f.size())),
              ReadAgainResult::Changed);

    Bytes longer = f;
    longer.push_back(0);
    ASSERT_TRUE(testjpeg::WriteFileBytes(p, longer));
    EXPECT_EQ(ReadFileAgain(p.c_str(), buf, f.data(), static_cast<int64_t>(f.size())),
              ReadAgainResult::Changed);
    ASSERT_TRUE(testjpeg::WriteFileBytes(p, Bytes(f.begin(), f.end() - 1)));
    EXPECT_EQ(ReadFileAgain(p.c_str(), buf, f.data(), static_cast<int64_t>(f.size())),
              ReadAgainResult::Changed);

    EXPECT_EQ(ReadFileAgain(Path("missing.jpg").c_str(), buf, f.data(), 1),
              ReadAgainResult::CannotRead);
}

// ---- the safe write ----

TEST_F(WriterFiles, WritesANewFileAndReplacesAnExistingOneKeepingItsPermissions) {
    const Bytes one = {1, 2, 3, 4, 5}, two = {9, 8, 7};
    const std::string p = Path("out.jpg");
    EXPECT_TRUE(WriteFileSafely(p.c_str(), one.data(), 5));
    EXPECT_EQ(testjpeg::ReadFileBytes(p), one);
    using std::filesystem::perms;
    std::filesystem::permissions(p, perms::owner_read | perms::owner_write);
    const perms before = std::filesystem::status(p).permissions();
    EXPECT_TRUE(WriteFileSafely(p.c_str(), two.data(), 3));
    EXPECT_EQ(testjpeg::ReadFileBytes(p), two);
    EXPECT_EQ(std::filesystem::status(p).permissions(), before);
    EXPECT_TRUE(Others({"out.jpg"}).empty());
}

TEST_F(WriterFiles, AWriteFailingMidwayLeavesTheTargetAndNoTemporaryFile) {
    const Bytes original = FiveEntryGps().Build();
    const std::string p = Path("photo.jpg");
    ASSERT_TRUE(testjpeg::WriteFileBytes(p, original));
    const Bytes patched = Patched(original, 1, 1);
    plat::FailNthWriteForTest(1);
    EXPECT_FALSE(WriteFileSafely(p.c_str(), patched.data(), static_cast<int64_t>(patched.size())));
    EXPECT_EQ(testjpeg::ReadFileBytes(p), original);
    EXPECT_TRUE(Others({"photo.jpg"}).empty());
    // Disarmed after firing: the next write goes through.
    EXPECT_TRUE(WriteFileSafely(p.c_str(), patched.data(), static_cast<int64_t>(patched.size())));
    EXPECT_EQ(testjpeg::ReadFileBytes(p), patched);
}

TEST_F(WriterFiles, TargetsThatCannotBeWrittenAreRefusedAndLeftAsTheyWere) {
    const Bytes data = {1, 2, 3};
    // A folder that does not exist, and one where nobody may create files.
    EXPECT_FALSE(WriteFileSafely(Path("no/such/folder/x.jpg").c_str(), data.data(), 3));
#ifndef _WIN32
    EXPECT_FALSE(WriteFileSafely("/proc/tamlix-test.jpg", data.data(), 3));
#endif
    // A read-only file is not replaced (even for a user the system lets write).
    const std::string ro = Path("ro.jpg");
    ASSERT_TRUE(testjpeg::WriteFileBytes(ro, {7, 7}));
    using std::filesystem::perms;
    std::filesystem::permissions(ro, perms::owner_read | perms::group_read | perms::others_read);
    EXPECT_FALSE(WriteFileSafely(ro.c_str(), data.data(), 3));
    EXPECT_EQ(testjpeg::ReadFileBytes(ro), (Bytes{7, 7}));
    // A folder in the target's place.
    std::filesystem::create_directory(m_dir / "dir.jpg");
    EXPECT_FALSE(WriteFileSafely(Path("dir.jpg").c_str(), data.data(), 3));
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "dir.jpg"));
    EXPECT_TRUE(Others({"ro.jpg", "dir.jpg"}).empty());
    // Windows removes no read-only file, not even with its folder.
    std::filesystem::permissions(ro, perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(WriterFiles, ConfirmOverwriteAsksOnlyForAnExistingFileWithItsPathInTheCaption) {
    plat::ScriptedMessages msgs;
    EXPECT_TRUE(ConfirmOverwrite(Path("new.jpg").c_str()));
    EXPECT_EQ(msgs.Count(), 0u);
    const std::string p = Path("old.jpg");
    ASSERT_TRUE(testjpeg::WriteFileBytes(p, {1}));
    msgs.Answer(plat::MsgResult::No);
    EXPECT_FALSE(ConfirmOverwrite(p.c_str()));
    ASSERT_EQ(msgs.Count(), 1u);
    EXPECT_EQ(msgs.Last().text, "ファイルが存在します。書き換えてもいいですか？");
    EXPECT_EQ(msgs.Last().caption, "指定DF[" + p + "]");
    EXPECT_EQ(msgs.Last().buttons, plat::MsgButtons::YesNo);
    msgs.Answer(plat::MsgResult::Yes);
    EXPECT_TRUE(ConfirmOverwrite(p.c_str()));
}

// ---- tamlix-cli strip-gps ----

namespace {

struct CliResult {
    int status;
    std::string out;
};

// `args` as a POSIX shell would split them; the folder is the test's own.
CliResult StripGps(const std::string& args, const std::string& /*dir*/) {
    std::vector<std::string> words = testos::SplitWords(args);
    words.insert(words.begin(), "strip-gps");
    const testos::Result r = testos::Run(TAMLIX_CLI, words);
    return {r.status, r.out};
}

}  // namespace

TEST_F(WriterFiles, CliStripsInPlaceAndReportsAFileWithoutGps) {
    ExifBuilder b = FiveEntryGps();
    const Bytes gps = b.Build();
    const Bytes noGps = ExifBuilder().Ifd0(0x010F, testjpeg::kAscii, 4, 0x41424300).Build();
    ASSERT_TRUE(testjpeg::WriteFileBytes(Path("g.jpg"), gps));
    ASSERT_TRUE(testjpeg::WriteFileBytes(Path("n.jpg"), noGps));

    const CliResult r = StripGps("--in-place '" + Path("g.jpg") + "' '" + Path("n.jpg") + "'",
                                 m_dir.string());
    EXPECT_EQ(r.status, 0);  // both are clean now
    // By default the whole GPS IFD and the 48 bytes of rationals go.
    EXPECT_EQ(FirstDifference(testjpeg::ReadFileBytes(Path("g.jpg")),
                              Zeroed(Zeroed(gps, b.FilePosOfGpsIfd(), 2 + 5 * 12),
                                     b.FilePosOfValues(), 48)), -1);
    EXPECT_EQ(testjpeg::ReadFileBytes(Path("n.jpg")), noGps);
    std::istringstream lines(r.out);
    std::string l1, l2;
    std::getline(lines, l1);
    std::getline(lines, l2);
    EXPECT_NE(l1.find("g.jpg: removed Exif GPS IFD at " + std::to_string(b.FilePosOfGpsIfd())),
              std::string::npos) << l1;
    EXPECT_NE(l2.find("n.jpg: nothing to remove"), std::string::npos) << l2;
    EXPECT_TRUE(Others({"g.jpg", "n.jpg"}).empty());
}

TEST_F(WriterFiles, CliWritesIntoAFolderWithOneOptionAndWipesValuesOnRequest) {
    ExifBuilder b = FiveEntryGps(Order::MM);
    const Bytes gps = b.Build();
    ASSERT_TRUE(testjpeg::WriteFileBytes(Path("g.jpg"), gps));
    std::filesystem::create_directory(m_dir / "out");

    CliResult r = StripGps("--fields -o '" + Path("out") + "' '" + Path("g.jpg") + "'", m_dir.string());
    EXPECT_EQ(r.status, 0) << r.out;
    Bytes expected = gps;
    for (size_t i = 0; i < 5; ++i) expected = Zeroed(expected, b.FilePosOfGpsIfd() + 2 + 12 * i + 2, 10);
    EXPECT_EQ(FirstDifference(testjpeg::ReadFileBytes(Path("out/g.jpg")), expected), -1);
    EXPECT_EQ(testjpeg::ReadFileBytes(Path("g.jpg")), gps);

    r = StripGps("--wipe-data -o '" + Path("out") + "' '" + Path("g.jpg") + "'", m_dir.string());
    EXPECT_EQ(r.status, 0) << r.out;
    expected = Zeroed(Zeroed(gps, b.FilePosOfGpsIfd(), 2 + 5 * 12), b.FilePosOfValues(), 48);
    EXPECT_EQ(FirstDifference(testjpeg::ReadFileBytes(Path("out/g.jpg")), expected), -1);
}

TEST_F(WriterFiles, CliUsageErrorsWriteNothing) {
    ASSERT_TRUE(testjpeg::WriteFileBytes(Path("g.jpg"), FiveEntryGps().Build()));
    EXPECT_EQ(StripGps("'" + Path("g.jpg") + "'", m_dir.string()).status, 2);
    EXPECT_EQ(StripGps("--in-place -o '" + m_dir.string() + "' '" + Path("g.jpg") + "'",
                       m_dir.string()).status, 2);
    EXPECT_EQ(StripGps("--in-place", m_dir.string()).status, 2);
    EXPECT_EQ(testjpeg::ReadFileBytes(Path("g.jpg")), FiveEntryGps().Build());
}
