// Reading a whole file through the bounded service: what it takes, what it
// refuses without waiting, and that a refusal leaves the caller's buffer.
#include "platform/ReadFile.h"
#include "tests/support/JpegBuilder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

using testjpeg::Bytes;

namespace {

class ReadWholeFileTest : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tamlix-read-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    std::filesystem::path m_dir;
};

Bytes Content(const plat::FileBytes& f) { return Bytes(f.data.get(), f.data.get() + f.len); }

}  // namespace

TEST_F(ReadWholeFileTest, TakesAFileUpToTheLimitWhole) {
    const Bytes five = {1, 2, 3, 4, 5};
    ASSERT_TRUE(testjpeg::WriteFileBytes(Path("five"), five));
    ASSERT_TRUE(testjpeg::WriteFileBytes(Path("empty"), {}));
    const struct {
        const char* name;
        int64_t limit;
        plat::ReadStatus expected;
    } cases[] = {
        {"five", 5, plat::ReadStatus::Ok},
        {"five", 4, plat::ReadStatus::TooLarge},
        {"empty", 0, plat::ReadStatus::Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " limit " + std::to_string(c.limit));
        plat::FileBytes f;
        EXPECT_EQ(plat::ReadWholeFile(Path(c.name).c_str(), c.limit, f), c.expected);
        if (c.expected != plat::ReadStatus::Ok) continue;
        ASSERT_NE(f.data, nullptr);
        EXPECT_EQ(Content(f), c.name == std::string("five") ? five : Bytes{});
        EXPECT_FALSE(f.changed);
    }
}

TEST_F(ReadWholeFileTest, RefusesWhatIsNotARegularFileWithoutWaiting) {
    // A FIFO without a writer would block a plain open for ever.
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(Path("folder"));
    const std::string notCp932 = Path("\x81");  // a lead byte without its trail
    for (const std::string& path :
         {Path("fifo"), Path("folder"), Path("missing"), std::string("/dev/null"), notCp932}) {
        SCOPED_TRACE(path);
        plat::FileBytes f;
        f.len = 7;
        EXPECT_EQ(plat::ReadWholeFile(path.c_str(), 100, f), plat::ReadStatus::CannotOpen);
        EXPECT_EQ(f.data, nullptr);
        EXPECT_EQ(f.len, 7);
    }
}

TEST_F(ReadWholeFileTest, AFileLongerThanItsSizeSaidIsTakenAsChanged) {
    // The system reports a size of 0 for this file and then gives its text.
    plat::FileBytes f;
    ASSERT_EQ(plat::ReadWholeFile("/proc/self/status", 100, f), plat::ReadStatus::Ok);
    EXPECT_TRUE(f.changed);
    EXPECT_EQ(f.len, 0);
}
