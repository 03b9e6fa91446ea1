// The eight summary texts of the main window, formed from the analysis
// record and the picture size. CP932, as the window shows them.
#pragma once
#include "exif/ExifAnalysis.h"
#include "platform/File.h"

#include <string>

struct SummaryTexts {
    std::string m_strExif, m_strLat, m_strLon, m_strGps;
    std::string m_strMaker, m_strModel, m_strDate, m_strSize;
};

SummaryTexts MakeSummary(const ExifAnalysis& a, int32_t bmpWidth, int32_t bmpHeight);

// The file's last-write time as "YYYY/MM/DD hh:mm" into `out` (24 bytes);
// empty when the file cannot be found.
void FormatFileTime(const char* path, char* out);
// The same form for a time already read.
void FormatLocalTime(const plat::LocalTime& t, char* out);
