// Draws the detail report's items on any device context: the screen, the
// printer page, a file device.
#pragma once
#include "exif/ExifAnalysis.h"

class wxDC;

// Where and how one drawing of the report goes.
struct ReportDrawing {
    const ExifAnalysis* analysis = nullptr;
    const char* fileName = nullptr;  // CP932 name part; may be null
    int lineOrigin = 0;              // whole cells
    int colOrigin = 0;
    int hScrollPos = 0;              // 0 for printing
    int vScrollPos = 0;
    // Pixels per logical inch of the device, for which point sizes of
    // fonts are made; the report font is 10 points at this resolution.
    int ppiY = 96;
};

// Cell metrics of the report font on a device.
struct ReportCells {
    int cw = 0;  // average character width
    int lh = 0;  // character height without external leading
};

// Creates the report font for the device, reads the cell metrics, draws the
// items in black and gives the previous font back. Returns the metrics used.
ReportCells DrawReport(wxDC& dc, const ReportDrawing& d);
