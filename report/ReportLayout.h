// The detail report as a list of text items placed in device units: the
// header block, the 0th IFD and GPS IFD entry tables and, with GPS data,
// the GPS data section. Every device (screen, printer, file, terminal grid)
// gets the same list; only the cell metrics and the origin differ.
#pragma once
#include "exif/ExifAnalysis.h"

#include <string>
#include <vector>

// One text item: its top-left corner in device units and its CP932 text
// (never empty, never longer than kReportItemMax bytes, never split inside
// a double-byte character, control bytes shown as '?').
struct ReportItem {
    int x;
    int y;
    std::string text;
};

constexpr size_t kReportItemMax = 255;  // an item buffer holds 256 bytes
constexpr int kReportRuleLen = 105;

// The report's origin in device units: `lineOrigin` and `colOrigin` are
// whole cells, the scroll positions are subtracted from them (print callers
// pass 0 for the positions).
struct ReportOrigin {
    int x0;
    int y0;
};
ReportOrigin MakeReportOrigin(int lineOrigin, int colOrigin, int hScrollPos, int vScrollPos,
                              int cw, int lh);

// The items of the report of `a` for the file name `fileName` (CP932, may be
// null), in drawing order. `cw` is the column width and `lh` the line
// height of the report font on the target device.
std::vector<ReportItem> LayoutReport(const ExifAnalysis& a, const char* fileName, int cw, int lh,
                                     ReportOrigin origin);

// The tag name as the 28-byte name column shows it: up to 28 bytes, 27 when
// bytes 28 and 29 form a Shift-JIS double-byte character. The result lives
// in one static buffer that the next call overwrites.
const char* CutTagName(const char* name);

// The items placed on a character grid (cell metrics 1 x 1, unscrolled):
// one line of text per row, CP932, rows separated by "\n". An item that
// would start inside the text before it follows that text after one space,
// so that nothing is overwritten.
std::string ReportAsText(const ExifAnalysis& a, const char* fileName);
