// tamlix-cli run as a separate process on corpus photos: the summary lines,
// the JSON lines, the exit status and the messages on standard error.
#include "platform/Text.h"
#include "tests/support/JpegBuilder.h"
#include "tests/support/SegmentBuilder.h"
#include "tests/support/MiniJson.h"
#include "tests/support/TestOs.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <ostream>
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

// How a run ended, for a failed expectation about its output: the exit
// status (in hex too where it is no exit code of the program's own: on
// Windows a crash ends it with an NTSTATUS such as 0xC0000005; -1 is a run
// that did not start) and what it wrote to standard error.
std::ostream& operator<<(std::ostream& os, const CliRun& r) {
    os << "exit status " << r.status;
    if (r.status < 0 || r.status > 255)
        os << " (0x" << std::hex << static_cast<unsigned>(r.status) << std::dec << ")";
    return os << ", standard error: \"" << r.err << "\"";
}

// `args` as a POSIX shell would split them.
CliRun Cli(const std::string& args) {
    testos::Result run = testos::Run(TAMLIX_CLI, testos::SplitWords(args));
    CliRun r{run.status, {}, run.err};
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) r.out.push_back(line);
    return r;
}

std::string Photo(const std::string& name) { return kCorpus + "/" + name; }

// A path quoted for Cli(), in UTF-8 (the system's own form on Windows is
// UTF-16, and its narrow form a code page).
std::string Q(const std::filesystem::path& p) {
    const std::u8string u = p.u8string();
    return "'" + std::string(u.begin(), u.end()) + "'";
}

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
    EXPECT_EQ(r.out, expected) << r;
}

TEST(Cli, ShowSeparatesFilesWithABlankLine) {
    CliRun r = Cli("show '" + Photo("noexif/beach.jpg") + "' '" +
                Photo("gps_empty/htc_one_gps_count0.jpg") + "'");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 19u) << r;
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
    ASSERT_EQ(r.out.size(), 3u) << r;
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

TEST(Cli, NamesShiftJisCannotHoldAreReadAsTheSystemGivesThem) {
    // "café.jpg" in UTF-8: CP932 has no e with an accent; the report's
    // header shows what CP932 can hold.
    const auto cafe =
        std::filesystem::path(::testing::TempDir()) / std::filesystem::path(u8"caf\u00E9.jpg");
    std::filesystem::copy_file(Photo("gps/apple_iphone_xr_tiny.jpg"), cafe,
                               std::filesystem::copy_options::overwrite_existing);
    CliRun r = Cli("show --json " + Q(cafe));
    CliRun report = Cli("report " + Q(cafe));
    std::filesystem::remove(cafe);
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.size(), 1u) << r;
    EXPECT_EQ(testjson::Value::Parse(r.out[0])["model"].AsString(), "iPhone XR");
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_NE(report.out.size(), 0u) << report;
}

TEST(Cli, UsageErrorsExitWithTwoAndHelpWithZero) {
    for (const char* args : {"", "frob", "show", "show --bogus x.jpg", "check", "strip-gps x.jpg",
                             "strip-gps --in-place -o /tmp x.jpg", "show --files-from /no/such"}) {
        SCOPED_TRACE(args);
        CliRun r = Cli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty()) << r;
        EXPECT_EQ(r.err.rfind("tamlix-cli: ", 0), 0u) << r.err;
    }
    for (const char* args : {"--help", "show --help", "strip-gps --help", "--version"}) {
        SCOPED_TRACE(args);
        CliRun help = Cli(args);
        EXPECT_EQ(help.status, 0);
        EXPECT_FALSE(help.out.empty()) << help;
    }
}

namespace {

// A fresh folder per test process under the test temp folder.
std::filesystem::path Scratch(const char* name) {
    auto d = std::filesystem::path(::testing::TempDir()) /
             (std::string("tamlix_cli_") + name + "_" + std::to_string(getpid()));
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
}


}  // namespace

TEST(Cli, StripGpsInPlaceKeepsLinksAndCleansTheLinkedPhoto) {
    const auto d = Scratch("links");
    const std::string gps = Photo("gps/apple_iphone_xr_tiny.jpg");
    std::filesystem::copy_file(gps, d / "photo.jpg");
    std::filesystem::create_hard_link(d / "photo.jpg", d / "hard.jpg");
#ifdef _WIN32
    // Symbolic links need a privilege on Windows: the hard link alone.
    CliRun r = Cli("strip-gps --in-place " + Q(d / "hard.jpg"));
    EXPECT_EQ(r.status, 0) << r.err;
#else
    std::filesystem::create_symlink(d / "photo.jpg", d / "link.jpg");
    CliRun r = Cli("strip-gps --in-place " + Q(d / "link.jpg"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::is_symlink(d / "link.jpg"));
#endif
    EXPECT_EQ(Cli("check " + Q(d / "photo.jpg") + " " + Q(d / "hard.jpg")).status, 0);
    EXPECT_EQ(std::filesystem::file_size(d / "photo.jpg"), std::filesystem::file_size(gps));
    EXPECT_EQ(Cli("check " + Q(gps)).status, 1);
    std::filesystem::remove_all(d);
}

TEST(Cli, StripGpsRefusesClashesFifosAndTakesAnyName) {
    const auto d = Scratch("clash");
    std::filesystem::create_directories(d / "a");
    std::filesystem::create_directories(d / "b");
    std::filesystem::create_directories(d / "out");
    const std::string gps = Photo("gps/apple_iphone_xr_tiny.jpg");
    std::filesystem::copy_file(gps, d / "a" / "x.jpg");
    std::filesystem::copy_file(Photo("nogps/canon_s40.jpg"), d / "b" / "x.jpg");
    // Two inputs of one name, and the photos' own folder as the output.
    for (const std::string& args :
         {"-o " + Q(d / "out") + " " + Q(d / "a" / "x.jpg") + " " + Q(d / "b" / "x.jpg"),
          "-o " + Q(d / "a") + " " + Q(d / "a" / "x.jpg")}) {
        CliRun r = Cli("strip-gps " + args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(std::filesystem::is_empty(d / "out"));
    }
    EXPECT_EQ(testjpeg::ReadFileBytes((d / "a" / "x.jpg").string()), testjpeg::ReadFileBytes(gps));
    // A FIFO is refused at once; a name Shift-JIS cannot hold is written;
    // a photo without GPS is copied unchanged.
#ifdef _WIN32
    // No FIFOs on Windows: a folder is the file that is not a regular one.
    const auto fifo = d / "pipe.jpg";
    std::filesystem::create_directory(fifo);
#else
    const auto fifo = d / "pipe.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
#endif
    const auto odd = d / "a" / std::filesystem::path(u8"Caf\u00E9 \u2615.jpg");
    std::filesystem::copy_file(gps, odd);
    CliRun r = Cli("strip-gps -o " + Q(d / "out") + " " + Q(fifo) + " " + Q(odd) + " " +
                   Q(d / "b" / "x.jpg"));
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.out.size(), 3u) << r;
    EXPECT_NE(r.out[0].find("not a regular file"), std::string::npos) << r.out[0];
    EXPECT_EQ(Cli("check " + Q(d / "out" / odd.filename())).status, 0);
    EXPECT_EQ(testjpeg::ReadFileBytes((d / "out" / "x.jpg").string()),
              testjpeg::ReadFileBytes((d / "b" / "x.jpg").string()));
#ifndef _WIN32
    // An output name that leads to an output written earlier in the batch
    // is refused when its turn comes, and its copy leaves nothing behind.
    std::filesystem::remove(d / "out" / "x.jpg");
    std::filesystem::create_symlink("x.jpg", d / "out" / "y.jpg");
    std::filesystem::copy_file(gps, d / "b" / "y.jpg");
    r = Cli("strip-gps -o " + Q(d / "out") + " " + Q(d / "a" / "x.jpg") + " " + Q(d / "b" / "y.jpg"));
    EXPECT_EQ(r.status, 2);
    ASSERT_EQ(r.out.size(), 2u) << r;
    EXPECT_NE(r.out[1].find("already written in this batch"), std::string::npos) << r.out[1];
    // x.jpg, y.jpg and the café photo
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d / "out"),
                            std::filesystem::directory_iterator{}), 3);
    EXPECT_TRUE(std::filesystem::is_symlink(d / "out" / "y.jpg"));
#endif
    std::filesystem::remove_all(d);
}

// Photos are read and cleaned on both cores and written in argument order:
// -o (copied by the system, cleaned bytes written over the copy) and
// --in-place (changed bytes patched) give the same files over the corpus,
// and a photo named twice in one in-place batch is answered as one run
// after the other would answer it.
TEST(Cli, StripGpsCopiesAndPatchesGiveTheSameFilesAndNamesTwiceAreAnsweredInOrder) {
    const auto d = Scratch("same");
    std::filesystem::create_directories(d / "in");
    std::filesystem::create_directories(d / "out");
    std::string names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(kCorpus)) {
        if (e.path().extension() != ".jpg") continue;
        std::filesystem::copy_file(e.path(), d / "in" / e.path().filename());
        names += " " + Q(d / "in" / e.path().filename());
    }
    const CliRun copied = Cli("strip-gps -o " + Q(d / "out") + names);
    const CliRun patched = Cli("strip-gps --in-place" + names);
    ASSERT_EQ(copied.out.size(), patched.out.size())
        << "-o: " << copied << "\n--in-place: " << patched;
    for (size_t i = 0; i < copied.out.size(); ++i)
        EXPECT_EQ(copied.out[i].substr(0, patched.out[i].size()), patched.out[i]);
    size_t written = 0;
    for (const auto& e : std::filesystem::directory_iterator(d / "out")) {
        ++written;
        EXPECT_EQ(testjpeg::ReadFileBytes(e.path().string()),
                  testjpeg::ReadFileBytes((d / "in" / e.path().filename()).string()))
            << e.path();
    }
    EXPECT_GT(written, 60u);
    const auto one = d / "twice.jpg";
    std::filesystem::copy_file(Photo("gps/apple_iphone_xr_tiny.jpg"), one);
    std::filesystem::create_hard_link(one, d / "again.jpg");
    const CliRun twice = Cli("strip-gps --in-place " + Q(one) + " " + Q(d / "again.jpg"));
    EXPECT_EQ(twice.status, 0) << twice.err;
    ASSERT_EQ(twice.out.size(), 2u) << twice;
    EXPECT_NE(twice.out[0].find("removed"), std::string::npos) << twice.out[0];
    EXPECT_NE(twice.out[1].find("nothing to remove"), std::string::npos) << twice.out[1];
    std::filesystem::remove_all(d);
}

// A picture appended without an index is seen only by walking the main
// picture's compressed data: by check --thorough and strip-gps, not check.
TEST(Cli, ThoroughWalksToWhatOnlyThePicturesEndShows) {
    using namespace testjpeg;
    const auto d = Scratch("thorough");
    std::filesystem::create_directories(d);
    const std::string xmp =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
        "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
        "xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSLatitude='35,39.5N'/></rdf:RDF></x:xmpmeta>";
    ASSERT_TRUE(WriteFileBytes((d / "a.jpg").string(), Concat({Picture({}), Picture({XmpSegment(xmp)})})));
    const std::string a = Q(d / "a.jpg");
    EXPECT_EQ(Cli("check " + a).status, 0);
    const CliRun thorough = Cli("check --thorough " + a);
    EXPECT_EQ(thorough.status, 1);
    ASSERT_EQ(thorough.out.size(), 1u) << thorough;
    EXPECT_NE(thorough.out[0].find("picture 2: XMP at"), std::string::npos) << thorough.out[0];
    const CliRun json = Cli("show --json --thorough " + a);
    ASSERT_EQ(json.out.size(), 1u) << json;
    EXPECT_NE(json.out[0].find("\"kind\":\"XMP\""), std::string::npos);
    const CliRun strip = Cli("strip-gps --in-place " + a);
    ASSERT_EQ(strip.out.size(), 1u) << strip;
    EXPECT_NE(strip.out[0].find("removed"), std::string::npos);
    EXPECT_EQ(Cli("check --thorough " + a).status, 0);
    std::filesystem::remove_all(d);
}
