#include "report/ReportLayout.h"

#include "platform/Text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kTagNameCols = 28;

// Builds the items of one layout; `y` is the current vertical position.
class Layout {
public:
    Layout(int cw, ReportOrigin o) : m_cw(cw), m_x0(o.x0), m_y(o.y0) {}

    void Advance(int dy) { m_y += dy; }

    // Formats one item into a 256-byte buffer and places it at column `col`
    // of the current line. Too long a text is cut at a character boundary.
    __attribute__((format(printf, 3, 4))) void Item(int col, const char* fmt, ...) {
        va_list ap;
        va_start(ap, fmt);
        char whole[1024];
        const int n = std::vsnprintf(whole, sizeof whole, fmt, ap);
        va_end(ap);
        if (n <= 0) return;
        const size_t len = static_cast<size_t>(n) < sizeof whole ? static_cast<size_t>(n)
                                                                 : sizeof whole - 1;
        char item[kReportItemMax + 1];
        const size_t kept = plat::CopyCp932Cut(item, sizeof item, whole, len);
        if (kept == 0) return;
        // A control byte (a line break in a file name or a camera's text)
        // would leave the item's line on a device that breaks lines; no
        // CP932 trail byte lies below 0x40 or equals 0x7F.
        for (size_t i = 0; i < kept; ++i)
            if (static_cast<unsigned char>(item[i]) < 0x20 || item[i] == 0x7F) item[i] = '?';
        m_items.push_back({m_x0 + col * m_cw, m_y, std::string(item, kept)});
    }

    std::vector<ReportItem> Take() { return std::move(m_items); }

private:
    int m_cw, m_x0, m_y;
    std::vector<ReportItem> m_items;
};

// A text field of the record, bounded by its size even without a NUL.
template <size_t N>
std::string Field(const char (&f)[N]) {
    return std::string(f, strnlen(f, N));
}

const char* ByteOrderText(int32_t order) {
    switch (order) {
    case 2: return "リトルエンディアン";
    case 1: return "ビッグエンディアン";
    default: return "不明";
    }
}

const char* GpsLabel(int32_t tag) {
    switch (tag) {
    case 1: return "北緯(N) or 南緯(S)";
    case 2: return "緯度";
    case 3: return "東経(E) or 西経(W)";
    case 4: return "経度";
    case 7: return "GPS時間";
    default: return "";
    }
}

// The reference byte as a character: a NUL would end the item's text early,
// so it shows as a space (its hex form beside it tells the truth).
int RefChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == 0 ? ' ' : u;
}

void Rule(Layout& l) {
    l.Item(2, "%s", std::string(kReportRuleLen, '-').c_str());
}

void ColumnHeads(Layout& l, bool gps) {
    l.Item(4, "%s", "Adr");
    l.Item(10, "%s", "ﾀｸﾞ");
    l.Item(45, "%s", "ﾀｲﾌﾟ");
    l.Item(gps ? 50 : 51, "%s", "ｶｳﾝﾀ");
    l.Item(56, "%s", "ｵﾌｾｯﾄ 実Adr");
    l.Item(74, "%s", "生データ");
}

void EntryRow(Layout& l, const IfdEntry& e, bool gps) {
    l.Item(4, "%04X", static_cast<unsigned>(e.m_nEntryPos));
    if (gps) {
        l.Item(10, "%04X", static_cast<unsigned>(e.m_nTag));
        l.Item(18, "%s", GpsLabel(e.m_nTag));
    } else {
        const std::string name = Field(e.m_szName);
        l.Item(10, "%04X %s", static_cast<unsigned>(e.m_nTag), CutTagName(name.c_str()));
    }
    l.Item(46, "%2d", e.m_nType);
    // The count is unsigned in the file; never show it negative.
    l.Item(50, "%5u", static_cast<unsigned>(e.m_nCount));
    if (e.m_bOffset == 1) {
        l.Item(57, "%04X", static_cast<unsigned>(e.m_nValue));
        l.Item(63, "%04X", static_cast<unsigned>(e.m_nValuePos));
    }
    const uint8_t* r = RawBytes(e);
    l.Item(70, "%02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X %02X", r[0], r[1], r[2],
           r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11]);
}

// A rational line: hex, then decimal. The parts are unsigned in the file.
// An entry table below its heading: rules, column heads and one row per
// processed entry, closed by a rule.
void EntryTableBody(Layout& l, const IfdEntry* rows, int n, bool gps, int lh) {
    l.Advance(lh);
    Rule(l);
    l.Advance(3 * lh / 2);
    ColumnHeads(l, gps);
    l.Advance(lh);
    Rule(l);
    for (int i = 0; i < n; ++i) {
        l.Advance(5 * lh / 4);
        EntryRow(l, rows[i], gps);
    }
    l.Advance(lh);
    Rule(l);
}

void Rational(Layout& l, const char* fmt, int32_t num, int32_t den) {
    const auto n = static_cast<unsigned>(num);
    const auto d = static_cast<unsigned>(den);
    l.Item(6, fmt, n, d, n, d);
}

struct Coordinate {
    const char* refHeading;
    const char* valueHeading;
    int32_t refPos;
    char ref;
    std::string text;
    int32_t pos;
    int32_t degNum, degDen, minNum, minDen;
    int32_t hasSec, secNum, secDen;
};

void CoordinateBlock(Layout& l, int lh, const Coordinate& c) {
    l.Advance(2 * lh);
    l.Item(2, "%s", c.refHeading);
    l.Advance(lh);
    l.Item(6, "Adr -- %04X h", static_cast<unsigned>(c.refPos));
    l.Advance(lh);
    const auto refByte = static_cast<unsigned>(static_cast<unsigned char>(c.ref));
    l.Item(6, "Chr -- %c (%02X h)", RefChar(c.ref), refByte);
    l.Advance(2 * lh);
    l.Item(2, c.valueHeading, c.text.c_str());
    l.Advance(lh);
    l.Item(6, "Adr -- %04X h", static_cast<unsigned>(c.pos));
    l.Advance(lh);
    Rational(l, "Deg -- %04X h/%04X h = %u/%u", c.degNum, c.degDen);
    l.Advance(lh);
    Rational(l, "Min -- %04X h/%04X h = %u/%u", c.minNum, c.minDen);
    if (c.hasSec == 1) {
        l.Advance(lh);
        Rational(l, "Sec -- %04X h/%04X h = %u/%u", c.secNum, c.secDen);
    }
}

int Clamp(int32_t n, int cap) { return n < 0 ? 0 : (n > cap ? cap : n); }

}  // namespace

ReportOrigin MakeReportOrigin(int lineOrigin, int colOrigin, int hScrollPos, int vScrollPos,
                              int cw, int lh) {
    return {(colOrigin - hScrollPos) * cw, (lineOrigin - vScrollPos) * lh};
}

const char* CutTagName(const char* name) {
    static char s_buf[kTagNameCols + 4];
    const size_t len = name == nullptr ? 0 : std::strlen(name);
    size_t keep = len;
    if (len > kTagNameCols) {
        const auto b28 = static_cast<unsigned char>(name[kTagNameCols - 1]);
        const auto b29 = static_cast<unsigned char>(name[kTagNameCols]);
        const bool lead = (b28 >= 0x81 && b28 <= 0x9F) || (b28 >= 0xE0 && b28 <= 0xEF);
        const bool trail = (b29 >= 0x40 && b29 <= 0x7E) || (b29 >= 0x80 && b29 <= 0xFC);
        keep = (lead && trail) ? kTagNameCols - 1 : kTagNameCols;
    }
    if (keep > 0) std::memcpy(s_buf, name, keep);
    s_buf[keep] = '\0';
    return s_buf;
}

std::vector<ReportItem> LayoutReport(const ExifAnalysis& a, const char* fileName, int cw, int lh,
                                     ReportOrigin origin) {
    Layout l(cw, origin);

    // Header block.
    l.Advance(2 * lh);
    l.Item(14, "Geoskim : %s", fileName == nullptr ? "" : fileName);
    l.Advance(2 * lh);
    l.Item(30, "TIFF Head : adr=%04X h [%s]", static_cast<unsigned>(a.m_nTiffPos),
           a.m_nTiffPos != 0 ? ByteOrderText(a.m_nByteOrder) : "EXIF 情報なし");
    l.Advance(lh);
    l.Item(30, "W x H     : %d x %d ﾄﾞｯﾄ", a.m_nWidth, a.m_nHeight);
    l.Advance(lh);
    const std::string maker = Field(a.m_szMaker), model = Field(a.m_szModel);
    l.Item(30, "撮影機器  : %s / %s", maker.empty() ? "-" : maker.c_str(),
           model.empty() ? "-" : model.c_str());
    l.Advance(lh);
    l.Item(30, "撮影日時  : %s (DF更新: %s)", Field(a.m_szDateTime).c_str(),
           Field(a.m_szFileTime).c_str());

    // 0th IFD table.
    l.Advance(2 * lh);
    if (a.m_nIfd0Done == a.m_nIfd0Count)
        l.Item(2, "●0th IFD エントリ表（エントリ数 = %d  Adr = %04X h)", a.m_nIfd0Done,
               static_cast<unsigned>(a.m_nIfd0Pos));
    else
        l.Item(2, "●0th IFD エントリ表（エントリ数 = 定義数 %d 実処理数 %d  Ad r= %04X h)",
               a.m_nIfd0Count, a.m_nIfd0Done, static_cast<unsigned>(a.m_nIfd0Pos));
    EntryTableBody(l, a.m_Ifd0, Clamp(a.m_nIfd0Done, kIfd0Slots), false, lh);

    // GPS IFD table.
    l.Advance(2 * lh);
    if (a.m_nGpsDone == a.m_nGpsCount)
        l.Item(2, "●GPS エントリ表（エントリ数 = %d  Adr = %04X h)", a.m_nGpsDone,
               static_cast<unsigned>(a.m_nGpsPos));
    else
        l.Item(2, "●GPS エントリ表（エントリ数 = 定義数 %d 実処理数 %d  Adr = %04X h)",
               a.m_nGpsCount, a.m_nGpsDone, static_cast<unsigned>(a.m_nGpsPos));
    EntryTableBody(l, a.m_Gps, Clamp(a.m_nGpsDone, kGpsSlots), true, lh);

    // GPS data section.
    if (a.m_nGpsState == kGpsData) {
        l.Advance(2 * lh);
        l.Item(2, "%s", "●GPS データ");
        CoordinateBlock(l, lh,
                        {"1) 北緯 or 南緯", "2) 緯度 [ %s ]", a.m_nLatRefPos, a.m_cLatRef,
                         Field(a.m_szLat), a.m_nLatPos, a.m_nLatDegNum, a.m_nLatDegDen,
                         a.m_nLatMinNum, a.m_nLatMinDen, a.m_bLatSec, a.m_nLatSecNum,
                         a.m_nLatSecDen});
        CoordinateBlock(l, lh,
                        {"3) 東経 or 西経", "4) 経度 [ %s ]", a.m_nLonRefPos, a.m_cLonRef,
                         Field(a.m_szLon), a.m_nLonPos, a.m_nLonDegNum, a.m_nLonDegDen,
                         a.m_nLonMinNum, a.m_nLonMinDen, a.m_bLonSec, a.m_nLonSecNum,
                         a.m_nLonSecDen});
    }
    return l.Take();
}

std::string ReportAsText(const ExifAnalysis& a, const char* fileName) {
    const std::vector<ReportItem> items = LayoutReport(a, fileName, 1, 1, {0, 0});
    std::vector<std::string> rows;
    for (const ReportItem& it : items) {
        if (it.y < 0) continue;
        if (rows.size() <= static_cast<size_t>(it.y)) rows.resize(static_cast<size_t>(it.y) + 1);
        std::string& row = rows[static_cast<size_t>(it.y)];
        const size_t col = static_cast<size_t>(it.x < 0 ? 0 : it.x);
        if (row.size() < col) row.append(col - row.size(), ' ');
        else if (row.size() > col) row += ' ';
        row += it.text;
    }
    std::string out;
    for (const std::string& r : rows) out += r + "\n";
    return out;
}
