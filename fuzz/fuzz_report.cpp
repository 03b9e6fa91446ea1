// The report layout on fuzzed analyses: either the analysis of fuzzed file
// content, or a record made of fuzzed bytes outright. Every item lies on
// the cell grid at one of the report's columns, in drawing order downwards
// and within the report's height; no item is empty or longer than its
// buffer; a cut title ends on a character boundary of the CP932 file name
// the fuzzer supplies; the tag-name cut follows its rule; and on the
// terminal's character grid every item stands in its own row at or after
// its column.
//
// Input: mode, cell width, line height, horizontal and vertical scroll
// position (one byte each), then the file name up to a NUL, a tag name up
// to a NUL, and the file content (or the record's bytes).
#include "exif/ExifReader.h"
#include "exif/GpsDecode.h"
#include "fuzz/FuzzCheck.h"
#include "report/ReportLayout.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kColumns[] = {2, 4, 6, 10, 14, 18, 30, 45, 46, 50, 51, 56, 57, 63, 70, 74};
constexpr int kMaxLines = 150;  // header, 50 + 30 table rows, GPS data

bool Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Takes bytes up to the next NUL (or the end) off the front of `in`.
std::string TakeText(std::string_view& in) {
    const size_t end = std::min(in.find('\0'), in.size());
    std::string text(in.substr(0, end));
    in.remove_prefix(std::min(end + 1, in.size()));
    return text;
}

// The title as it must appear: the whole text when it fits 255 bytes, else
// its longest prefix of whole CP932 characters that does; control bytes
// shown as '?'.
std::string ExpectedTitle(const std::string& whole) {
    size_t end = 0;
    while (end < whole.size()) {
        const size_t width =
            Lead(static_cast<unsigned char>(whole[end])) && end + 1 < whole.size() ? 2 : 1;
        if (end + width > kReportItemMax) break;
        end += width;
    }
    std::string title = whole.substr(0, end);
    for (char& c : title)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return title;
}

// The 28-column tag-name rule: 28 bytes, 27 when bytes 28 and 29 are a
// Shift-JIS lead and trail byte.
std::string ExpectedTagName(const std::string& name) {
    if (name.size() <= 28) return name;
    const auto b28 = static_cast<unsigned char>(name[27]);
    const auto b29 = static_cast<unsigned char>(name[28]);
    const bool lead = (b28 >= 0x81 && b28 <= 0x9F) || (b28 >= 0xE0 && b28 <= 0xEF);
    const bool trail = (b29 >= 0x40 && b29 <= 0x7E) || (b29 >= 0x80 && b29 <= 0xFC);
    return name.substr(0, lead && trail ? 27 : 28);
}

void CheckGrid(const std::vector<ReportItem>& items, int cw, int lh, ReportOrigin o) {
    int lastY = o.y0;
    for (const ReportItem& it : items) {
        FUZZ_CHECK(!it.text.empty() && it.text.size() <= kReportItemMax);
        for (char c : it.text) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        FUZZ_CHECK((it.x - o.x0) % cw == 0);
        const int col = (it.x - o.x0) / cw;
        FUZZ_CHECK(std::find(std::begin(kColumns), std::end(kColumns), col) != std::end(kColumns));
        FUZZ_CHECK(it.y >= lastY && it.y >= o.y0 + 2 * lh && it.y <= o.y0 + kMaxLines * lh);
        lastY = it.y;
    }
}

void CheckTextGrid(const ExifAnalysis& a, const char* name) {
    const std::vector<ReportItem> items = LayoutReport(a, name, 1, 1, {0, 0});
    const std::string text = ReportAsText(a, name);
    std::vector<std::string> rows;
    for (size_t start = 0; start < text.size();) {
        const size_t nl = text.find('\n', start);
        FUZZ_CHECK(nl != std::string::npos);
        rows.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    FUZZ_CHECK(!items.empty() && rows.size() == static_cast<size_t>(items.back().y) + 1);
    size_t from = 0;  // items of one row follow each other
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0 && items[i].y != items[i - 1].y) from = 0;
        const std::string& row = rows[static_cast<size_t>(items[i].y)];
        const size_t at = row.find(items[i].text, std::max(from, static_cast<size_t>(items[i].x)));
        FUZZ_CHECK(at != std::string::npos);
        from = at + items[i].text.size();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SilenceMessages();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5 || size > 70000) return 0;
    const bool rawRecord = data[0] & 1;
    const int cw = 1 + data[1] % 32, lh = 1 + data[2] % 64;
    const ReportOrigin origin = MakeReportOrigin(0, 0, data[3], data[4], cw, lh);
    std::string_view rest(reinterpret_cast<const char*>(data) + 5, size - 5);
    const std::string fileName = TakeText(rest);
    const std::string tagName = TakeText(rest);

    ExifAnalysis a{};
    if (rawRecord) {
        std::memcpy(&a, rest.data(), std::min(rest.size(), sizeof a));
    } else {
        AnalyzeExif(a, reinterpret_cast<const uint8_t*>(rest.data()),
                    static_cast<int32_t>(rest.size()), TagNameTable{});
        // Every 0th-IFD entry named as a table would name it.
        for (int i = 0; i < a.m_nIfd0Done; ++i) SetEntryName(a.m_Ifd0[i], tagName.c_str());
    }

    const std::vector<ReportItem> items = LayoutReport(a, fileName.c_str(), cw, lh, origin);
    CheckGrid(items, cw, lh, origin);
    FUZZ_CHECK(!items.empty() && items[0].text == ExpectedTitle("Geoskim : " + fileName));
    FUZZ_CHECK(CutTagName(tagName.c_str()) == ExpectedTagName(tagName));
    CheckTextGrid(a, fileName.c_str());
    return 0;
}
