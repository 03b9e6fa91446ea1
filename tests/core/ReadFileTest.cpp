// Reading a whole file through the bounded service: what it takes, what it
// refuses without waiting, and that a refusal leaves the caller's buffer.
#include "platform/ReadFile.h"
#include "tests/support/JpegBuilder.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

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
#ifdef _WIN32
    // A named pipe waiting for its client, and the null device.
    const std::string fifo = "\\\\.\\pipe\\tamlix-read-" + std::to_string(GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeA(fifo.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 64, 64, 0,
                                   nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const std::string device = "NUL";
#else
    // A FIFO without a writer would block a plain open for ever.
    const std::string fifo = Fresh("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string device = "/dev/null";
#endif
    std::filesystem::create_directory(Fresh("folder"));
    const std::string notCp932 = Path("\x81");  // a lead byte without its trail
    for (const std::string& path : {fifo, Path("folder"), Fresh("missing"), device, notCp932}) {
        SCOPED_TRACE(path);
        plat::FileBytes f;
        f.len = 7;
        EXPECT_EQ(plat::ReadWholeFile(path.c_str(), 100, f), plat::ReadStatus::CannotOpen);
        EXPECT_EQ(f.data, nullptr);
        EXPECT_EQ(f.len, 7);
    }
#ifdef _WIN32
    CloseHandle(pipe);
#endif
}

TEST(ReadWholeFile, AFileLongerThanItsSizeSaidIsTakenAsChanged) {
#ifdef _WIN32
    GTEST_SKIP() << "no file on Windows reports a size smaller than its content";
#else
    // The system reports a size of 0 for this file and then gives its text.
    plat::FileBytes f;
    ASSERT_EQ(plat::ReadWholeFile("/proc/self/status", 100, f), plat::ReadStatus::Ok);
    EXPECT_TRUE(f.changed);
    EXPECT_EQ(f.len, 0);
#endif
}
