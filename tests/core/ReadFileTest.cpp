// Reading a whole file through the bounded service: what it takes, what it
// refuses without waiting, and that a refusal leaves the caller's buffer.
#include "platform/ReadFile.h"
#include "tests/support/JpegBuilder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

using testjpeg::Bytes;

namespace {

std::string Path(const std::string& name) {
    return (std::filesystem::path(testing::TempDir()) / ("tamlix_read_" + name)).string();
}

// The path, with whatever an earlier run left there removed.
std::string Fresh(const std::string& name) {
    std::filesystem::remove_all(Path(name));
    return Path(name);
}

Bytes Content(const plat::FileBytes& f) { return Bytes(f.data.get(), f.data.get() + f.len); }

}  // namespace

TEST(ReadWholeFile, TakesAFileUpToTheLimitWhole) {
    const Bytes five = {1, 2, 3, 4, 5};
    ASSERT_TRUE(testjpeg::WriteFileBytes(Fresh("five"), five));
    ASSERT_TRUE(testjpeg::WriteFileBytes(Fresh("empty"), {}));
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

TEST(ReadWholeFile, RefusesWhatIsNotARegularFileWithoutWaiting) {
    // A FIFO without a writer would block a plain open for ever.
    ASSERT_EQ(mkfifo(Fresh("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(Fresh("folder"));
    const std::string notCp932 = Path("\x81");  // a lead byte without its trail
    for (const std::string& path :
         {Path("fifo"), Path("folder"), Fresh("missing"), std::string("/dev/null"), notCp932}) {
        SCOPED_TRACE(path);
        plat::FileBytes f;
        f.len = 7;
        EXPECT_EQ(plat::ReadWholeFile(path.c_str(), 100, f), plat::ReadStatus::CannotOpen);
        EXPECT_EQ(f.data, nullptr);
        EXPECT_EQ(f.len, 7);
    }
}

TEST(ReadWholeFile, AFileLongerThanItsSizeSaidIsTakenAsChanged) {
    // The system reports a size of 0 for this file and then gives its text.
    plat::FileBytes f;
    ASSERT_EQ(plat::ReadWholeFile("/proc/self/status", 100, f), plat::ReadStatus::Ok);
    EXPECT_TRUE(f.changed);
    EXPECT_EQ(f.len, 0);
}
