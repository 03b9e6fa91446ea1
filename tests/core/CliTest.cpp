// tamlix-cli run as a separate process on corpus photos: the summary lines,
// the JSON lines, the exit status and the messages on standard error.
#include "platform/Text.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/MiniJson.h"
#include "tests/support/TestOs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kCorpus = TAMLIX_CORPUS_DIR;

struct CliRun {
    int status;
    std::vector<std::string> out;  // lines of standard output
    std::string err;
};

// `args` as a POSIX shell would split them.
CliRun Cli(const std::string& args) {
    testos::Result run = testos::Run(TAMLIX_CLI, testos::SplitWords(args));
    CliRun r{run.status, {}, run.err};
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) r.out.push_back(line);
    return r;
}

std::string Photo(const std::string& name) { return kCorpus + "/" + name; }

// A label and value written in the source (CP932) as the tool prints them (UTF-8).
std::string Utf8(const char* cp932) { return plat::Cp932ToUtf8(cp932); }

}  // namespace

TEST(Cli, ShowPrintsTheSummaryOfAPhoto) {
    std::string path = Photo("gps/apple_iphone6_W_0deg.jpg");
    CliRun r = Cli("show '" + path + "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // N 51/1 45/1 4467/100, W 0/1 19/1 441/100; frame 3264 x 2448.
    std::vector<std::string> expected = {
        "file: " + path,
        Utf8("Exif 情報: ○"),
        Utf8("GPS 情報: GPSタグあり、Dataあり"),
        Utf8("緯度: 北緯  51度 45分 44.67秒"),
        Utf8("経度: 西経   0度 19分  4.41秒"),
        Utf8("メーカー:  Apple"),
        Utf8("モデル:  iPhone 6"),
        Utf8("撮影日時:  2014:09:16 14:05:12"),
        Utf8("画像サイズ: 3264 x 2448"),
    };
    EXPECT_EQ(r.out, expected);
}

TEST(Cli, ShowSeparatesFilesWithABlankLine) {
    CliRun r = Cli("show '" + Photo("noexif/beach.jpg") + "' '" +
                Photo("gps_empty/htc_one_gps_count0.jpg") + "'");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 19u);
    EXPECT_EQ(r.out[1], Utf8("Exif 情報: Ｘ"));
    EXPECT_EQ(r.out[2], Utf8("GPS 情報: "));
    EXPECT_EQ(r.out[9], "");
    EXPECT_EQ(r.out[10], "file: " + Photo("gps_empty/htc_one_gps_count0.jpg"));
    EXPECT_EQ(r.out[12], Utf8("GPS 情報: GPSタグあり、Dataなし"));
    EXPECT_EQ(r.out[15], Utf8("メーカー:  HTC"));
    EXPECT_EQ(r.out[16], Utf8("モデル:  HTC One"));
}

TEST(Cli, JsonGivesOneObjectPerFileInArgumentOrderAndReportsAMissingFile) {
    std::string missing = Photo("no_such_photo.jpg");
    const std::string files[] = {Photo("gps/kodak_cx7530_S_decmin.jpg"), missing,
                                 Photo("noexif/beach.jpg")};
    CliRun r = Cli("show --json '" + files[0] + "' '" + files[1] + "' '" + files[2] + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, Utf8("ファイルオープンに失敗しました: Path=") + missing + "\n");
    ASSERT_EQ(r.out.size(), 3u);
    std::vector<testjson::Value> v;
    for (size_t i = 0; i < 3; ++i) {
        v.push_back(testjson::Value::Parse(r.out[i]));
        ASSERT_EQ(v[i].kind(), testjson::Value::Object) << r.out[i];
        EXPECT_EQ(v[i]["path"].AsString(), files[i]);
    }
    EXPECT_EQ(v[0]["gps_state"].AsInt(), 1);
    EXPECT_EQ(v[0]["lat"]["ref"].AsString(), "S");
    EXPECT_EQ(v[0]["lat"]["text"].AsString(), Utf8("南緯   0度 22.28分"));
    EXPECT_EQ(v[0]["model"].AsString(), "KODAK CX7530 ZOOM DIGITAL CAMER");  // cut to 31 bytes
    EXPECT_FALSE(v[1]["loaded"].AsBool());
    EXPECT_TRUE(v[2]["loaded"].AsBool());
    EXPECT_FALSE(v[2]["exif"].AsBool());
}

TEST(Cli, PathThatShiftJisCannotHoldIsRefusedAndTheNextFileStillPrints) {
    // "café.jpg" in UTF-8: CP932 has no e with an accent.
    std::string cafe = (std::filesystem::path(::testing::TempDir()) / "caf\xC3\xA9.jpg").string();
    std::filesystem::copy_file(Photo("gps/apple_iphone_xr_tiny.jpg"), cafe,
                               std::filesystem::copy_options::overwrite_existing);
    CliRun r = Cli("show --json '" + cafe + "' '" + Photo("gps/apple_iphone_xr_tiny.jpg") + "'");
    std::filesystem::remove(cafe);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Path=" + cafe), std::string::npos);
    ASSERT_EQ(r.out.size(), 2u);
    EXPECT_FALSE(testjson::Value::Parse(r.out[0])["loaded"].AsBool());
    EXPECT_EQ(testjson::Value::Parse(r.out[1])["model"].AsString(), "iPhone XR");
}

TEST(Cli, UsageErrorsExitWithTwoAndHelpWithZero) {
    for (const char* args : {"", "frob", "show", "show --bogus x.jpg"}) {
        SCOPED_TRACE(args);
        CliRun r = Cli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("usage: tamlix-cli show"), std::string::npos);
    }
    CliRun help = Cli("--help");
    EXPECT_EQ(help.status, 0);
    ASSERT_FALSE(help.out.empty());
    EXPECT_EQ(help.out[0].rfind("usage: tamlix-cli show", 0), 0u);
}
