// The readers of text that XML documents hold: base64 (where each
// character lies, the bytes, and the characters written back where a
// strip changed bytes) and the prolog before a root element.
#include "locate/payload/Base64.h"
#include "locate/payload/XmlProlog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ByteReader Reader(const std::string& s) {
    return ByteReader(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int64_t>(s.size()));
}

}  // namespace

TEST(TextPayloads, Base64IsReadAcrossLineEndsAndReferencesAndWrittenBackInPlace) {
    struct Case {
        const char* what;
        std::string text;     // as the document holds it
        std::string decoded;
        size_t change;        // the byte the strip changes
    };
    const Case cases[] = {
        {"one line, padded", "R1BTIDM1LjY1ODY=", "GPS 35.6586", 4},
        {"lines of 4, a line end inside the changed group", "R1BT\nIDM1\r\nLjY1\nODY=", "GPS 35.6586", 5},
        {"line ends written as references", "R1BT&#10;IDM1&#xA;LjY1ODY=", "GPS 35.6586", 10},
        {"a last group of one byte", "R1BTIA==", "GPS ", 3},
        {"no padding", "R1BTIA", "GPS ", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Base64Text text;
        ASSERT_TRUE(ReadBase64(Reader(c.text), {0, static_cast<int64_t>(c.text.size())}, text));
        const std::vector<uint8_t> was = DecodeBase64(text.chars);
        ASSERT_EQ(std::string(was.begin(), was.end()), c.decoded);
        std::vector<uint8_t> now = was;
        now[c.change] = '0';
        std::string file = c.text;
        ASSERT_TRUE(RewriteBase64(text, was, now).Apply(reinterpret_cast<uint8_t*>(file.data()),
                                                        static_cast<int64_t>(file.size())));
        // The same length, the same line ends and padding, the changed byte read back.
        ASSERT_EQ(file.size(), c.text.size());
        for (size_t i = 0; i < file.size(); ++i) {
            if (!Base64Char(static_cast<uint8_t>(c.text[i]))) {
                EXPECT_EQ(file[i], c.text[i]) << i;
            }
        }
        Base64Text again;
        ASSERT_TRUE(ReadBase64(Reader(file), {0, static_cast<int64_t>(file.size())}, again));
        EXPECT_EQ(DecodeBase64(again.chars), now);
        // Only the four characters of the changed group may differ.
        size_t differ = 0;
        for (size_t i = 0; i < file.size(); ++i) differ += file[i] != c.text[i];
        EXPECT_GE(differ, 1u);
        EXPECT_LE(differ, 4u);
    }
}

TEST(TextPayloads, TheRootElementIsFoundPastTheProlog) {
    struct Case {
        std::string text;
        int64_t root;  // -1: not a document this reader takes
    };
    const Case cases[] = {
        {"<svg/>", 0},
        {"\xEF\xBB\xBF  <svg>", 5},
        {"<?xml version='1.0'?>\n<!-- by hand -->\n<svg>", 39},
        {"<!DOCTYPE svg [ <!ENTITY a '>'> ]>\n<svg>", 35},  // a '>' inside the subset
        {"<!DOCTYPE plist PUBLIC 'x' 'y'>\r\n<plist>", 33},
        {"<?xml version='1.0'?>", -1},
        {"<!-- not closed <svg>", -1},
        {"text <svg>", -1},
        {"<![CDATA[x]]><svg>", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto* p = reinterpret_cast<const uint8_t*>(c.text.data());
        EXPECT_EQ(XmlRootStart(p, static_cast<int64_t>(c.text.size())), c.root);
    }
    const std::string svg = "<svg:svg xmlns:svg='x'>", other = "<svgx>";
    EXPECT_TRUE(XmlElementIs(reinterpret_cast<const uint8_t*>(svg.data()), 23, 0, "svg:svg"));
    EXPECT_FALSE(XmlElementIs(reinterpret_cast<const uint8_t*>(other.data()), 6, 0, "svg"));
}
