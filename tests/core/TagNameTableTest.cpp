// The tag-name table: line and field splitting, hexadecimal tags, building
// the table from CSV text and loading the file.
#include "exif/TagNameTable.h"
#include "tests/seams/TestSeams.h"
#include "tests/support/ExifTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using testjpeg::TableFromCsv;

namespace {

struct Line { std::string text; int64_t consumed; };

Line GetLineOf(const std::string& text) {
    char line[CNCsvFunc::kLineSize];
    std::memset(line, 'X', sizeof line);
    int64_t consumed = -1;
    CNCsvFunc::GetLine(line, text.data(), static_cast<int64_t>(text.size()), consumed);
    return {line, consumed};
}

struct Split { int n; std::string f[3]; };

Split SplitOf(const std::string& line) {
    char fields[3][CNCsvFunc::kFieldSize];
    for (auto& f : fields) std::strcpy(f, "old");
    Split s{CNCsvFunc::SplitCsvLine(fields, line.c_str()), {}};
    for (int i = 0; i < 3; ++i) s.f[i] = fields[i];
    return s;
}

std::string Trimmed(std::string field) {
    field.resize(80, '\0');
    CNCsvFunc::TrimQuotes(static_cast<int>(std::strlen(field.c_str())), field.data());
    return field.c_str();
}

}  // namespace

TEST(CsvGetLine, EndsALineAtCrLfLfCrNulOrTheEndOfText) {
    struct Case { std::string text, line; int64_t consumed; };
    const Case cases[] = {
        {"abc\r\ndef", "abc", 5}, {"abc\ndef", "abc", 4}, {"abc\rdef", "abc", 4},
        {"abc", "abc", 3},        {"\r\n", "", 2},        {std::string("ab\0cd", 5), "ab", 3},
        {"abc\r", "abc", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Line l = GetLineOf(c.text);
        EXPECT_EQ(l.text, c.line);
        EXPECT_EQ(l.consumed, c.consumed);
    }
}

TEST(CsvGetLine, CutsALineLongerThan255BytesButConsumesAllOfIt) {
    Line l = GetLineOf(std::string(300, 'a') + "\r\nnext");
    EXPECT_EQ(l.text, std::string(255, 'a'));
    EXPECT_EQ(l.consumed, 302);
}

TEST(CsvSplit, SplitsUpToThreeFields) {
    Split s = SplitOf("0x010F,Make,comment");
    EXPECT_EQ(s.n, 3);
    EXPECT_EQ(s.f[0], "0x010F");
    EXPECT_EQ(s.f[1], "Make");
    EXPECT_EQ(s.f[2], "comment");

    s = SplitOf("0x0112,Orientation,a,b,c");
    EXPECT_EQ(s.n, 3);
    EXPECT_EQ(s.f[1], "Orientation");
    EXPECT_EQ(s.f[2], "a");
}

TEST(CsvSplit, CountsEmptyFieldsBetweenCommasButNotATrailingOne) {
    EXPECT_EQ(SplitOf("").n, 0);
    Split s = SplitOf("a,,b");
    EXPECT_EQ(s.n, 3);
    EXPECT_EQ(s.f[1], "");
    s = SplitOf("a,b,");
    EXPECT_EQ(s.n, 2);
    EXPECT_EQ(s.f[2], "old");
    EXPECT_EQ(SplitOf("a").n, 1);
    EXPECT_EQ(SplitOf(",").n, 1);
}

TEST(CsvSplit, CommaInsideQuotesStillSeparates) {
    Split s = SplitOf("\"0x0110\",\"Model\"");
    EXPECT_EQ(s.n, 2);
    EXPECT_EQ(s.f[0], "0x0110");
    EXPECT_EQ(s.f[1], "Model");
    s = SplitOf("1,\"a,b\"");
    EXPECT_EQ(s.n, 3);
    EXPECT_EQ(s.f[1], "\"a");
    EXPECT_EQ(s.f[2], "b\"");
}

TEST(CsvSplit, FieldLongerThan64BytesIsCutAndEndsTheLine) {
    Split s = SplitOf("0x0001," + std::string(70, 'n') + ",third");
    EXPECT_EQ(s.n, 2);
    EXPECT_EQ(s.f[1], std::string(64, 'n'));
    EXPECT_EQ(s.f[2], "old");
}

TEST(CsvTrimQuotes, ReducesOnlyAFieldWithExactlyTwoQuotes) {
    EXPECT_EQ(Trimmed("\"Make\""), "Make");
    EXPECT_EQ(Trimmed("ab\"cd\"ef"), "cd");
    EXPECT_EQ(Trimmed("\"\""), "");
    EXPECT_EQ(Trimmed("Make"), "Make");
    EXPECT_EQ(Trimmed("\"Make"), "\"Make");
    EXPECT_EQ(Trimmed("\"a\"b\""), "\"a\"b\"");
}

TEST(HexText, ReadsTheDigitsAfterTheFirstPrefix) {
    struct Case { const char* text; int32_t value; };
    const Case cases[] = {
        {"0x010F", 271},          {"0X829A", 33434},        {"0x010Fz", 271},
        {"829A", 0},              {"0x", 0},                {"0xg1", 0},
        {"ab0x10", 16},           {"0x10 0x20", 16},        {"x0x1f", 31},
        {"0xFFFFFFFF", -1},       {"0x7fffffff", INT32_MAX}, {"", 0},
        {"0", 0},
        // A ninth digit shifts the first one out instead of overflowing.
        {"0x123456789", 0x23456789},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(HexTextToInt(c.text), c.value);
    }
}

TEST(TagTable, BuildsRowsFromPrefixedLinesOnly) {
    TagNameTable t = TableFromCsv(
        "Tag,Name\r\n"
        "0x010F,Make,comment\r\n"
        "\"0x0110\",\"Model\"\r\n"
        "0X829A,ExposureTime\r\n"
        "829A,NoPrefix\r\n"
        "0x0112,Orientation,a,b,c\r\n"
        "\r\n");
    ASSERT_EQ(t.m_nTagCount, 7);  // every CR LF counts, rows or not
    const std::pair<int32_t, const char*> rows[] = {
        {271, "Make"}, {272, "Model"}, {33434, "ExposureTime"}, {274, "Orientation"},
        {0, ""},       {0, ""},        {0, ""}};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t.m_pTagTable[i].m_nTag, rows[i].first);
        EXPECT_STREQ(t.m_pTagTable[i].m_szName, rows[i].second);
    }
}

TEST(TagTable, FirstRowWinsAtLookup) {
    TagNameTable t = TableFromCsv("0x010F,Make\r\n0x010F,Maker\r\n");
    ASSERT_NE(t.Find(271), nullptr);
    EXPECT_STREQ(t.Find(271), "Make");
    EXPECT_EQ(t.Find(272), nullptr);
    // Unfilled rows hold tag 0 with an empty name.
    TagNameTable heading = TableFromCsv("Tag,Name\r\n");
    ASSERT_NE(heading.Find(0), nullptr);
    EXPECT_STREQ(heading.Find(0), "");
}

TEST(TagTable, LoneLineFeedsGiveNoRows) {
    TagNameTable t = TableFromCsv("0x010F,Make\n0x0110,Model\n");
    EXPECT_EQ(t.m_nTagCount, 0);
    EXPECT_EQ(t.Find(271), nullptr);
}

TEST(TagTable, LastRowWithoutCrLfIsNotStoredWhenTheCountIsFilled) {
    TagNameTable t = TableFromCsv("0x010F,Make\r\n0x0110,Model");
    ASSERT_EQ(t.m_nTagCount, 1);
    EXPECT_EQ(t.Find(272), nullptr);
    // With a heading the count leaves room for it.
    TagNameTable h = TableFromCsv("Tag,Name\r\n0x010F,Make\r\n0x0110,Model");
    ASSERT_EQ(h.m_nTagCount, 2);
    EXPECT_STREQ(h.Find(272), "Model");
}

TEST(TagTable, RowWithoutANameGetsAnEmptyNameNotThePreviousOne) {
    TagNameTable t = TableFromCsv("0x010F,Make\r\n0x0110\r\n0x0112,\r\n");
    ASSERT_EQ(t.m_nTagCount, 3);
    EXPECT_STREQ(t.Find(272), "");
    EXPECT_STREQ(t.Find(274), "");
}

TEST(TagTable, NulInsideTheTextDoesNotStopTheWalk) {
    std::string csv = "0x010F,Make\r\n";
    csv += std::string("\0\0junk\0\r\n", 9);
    csv += "0x0110,Mo";
    csv += '\0';
    csv += "del\r\n0x0132,DateTime\r\n";
    TagNameTable t = TableFromCsv(csv);
    EXPECT_EQ(t.m_nTagCount, 4);
    EXPECT_STREQ(t.Find(271), "Make");
    EXPECT_STREQ(t.Find(272), "Mo");
    EXPECT_STREQ(t.Find(306), "DateTime");
}

TEST(TagTable, LongLinesAndNamesAreCut) {
    // The line is cut at 255 bytes; the name field at 64, then to the row's
    // 63 bytes, never splitting a double-byte character.
    std::string csv = "0x0001," + std::string(70, 'n') + "," + std::string(300, 'c') + "\r\n" +
                      "0x0002," + std::string(62, 'k') + "漢字\r\n" +
                      "0x0003,Next\r\n";
    TagNameTable t = TableFromCsv(csv);
    ASSERT_EQ(t.m_nTagCount, 3);
    EXPECT_EQ(std::string(t.Find(1)), std::string(63, 'n'));
    EXPECT_EQ(std::string(t.Find(2)), std::string(62, 'k'));
    EXPECT_STREQ(t.Find(3), "Next");
}

TEST(TagTable, MissingFileShowsTheMessageAndKeepsTheTable) {
    TagNameTable t = TableFromCsv("0x010F,Make\r\n");
    plat::ScriptedMessages messages;
    std::string path = "/nonexistent-folder/JpegTIFFTag.csv";
    EXPECT_FALSE(LoadTagNameTable(path.c_str(), t));
    ASSERT_EQ(messages.Count(), 1u);
    EXPECT_EQ(messages.Last().text, "Tag DF Path[" + path + "]");
    EXPECT_EQ(messages.Last().caption, "EXIF タグ表 DF がありません");
    EXPECT_EQ(messages.Last().buttons, plat::MsgButtons::Ok);
    EXPECT_STREQ(t.Find(271), "Make");
}

TEST(TagTable, ShippedFileNamesMakeAndTheGpsPointer) {
    TagNameTable t;
    plat::ScriptedMessages messages;
    ASSERT_TRUE(LoadTagNameTable(TAMLIX_RES_DIR "/JpegTIFFTag.csv", t));
    EXPECT_EQ(messages.Count(), 0u);
    ASSERT_NE(t.Find(271), nullptr);
    EXPECT_STREQ(t.Find(271), "Make");
    ASSERT_NE(t.Find(34853), nullptr);
    EXPECT_STREQ(t.Find(34853), "GPSInfoIFDPointer");
    EXPECT_STREQ(t.Find(272), "Model");
    EXPECT_STREQ(t.Find(306), "DateTime");
}
