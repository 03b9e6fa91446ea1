// `tamlix-cli strip-gps`: removes every GPS position the locator finds,
// writing a copy of each photo into a folder or patching it in place.
#pragma once
#include <string>
#include <vector>

struct StripGpsOptions {
    bool entries = false;    // only the window's patch: the entry count and the tags
    bool fields = false;     // only the window's patch: the entries' type, count and value
    bool wipeData = false;   // with either: also zero the values the entries point to
    bool keepTime = false;   // in place: keep the modification time
    bool inPlace = false;
    bool dropTrailer = false;  // cut data after the last picture that the walk cannot take apart
    bool placeNames = false;   // also blank place names (a city, a country)
    std::string outDir;      // as given; used when !inPlace
};

// Returns the exit status: 0 when every input has a clean result, 1 when a
// file could not be read, written or made clean, 2 on a name clash.
int RunStripGps(const std::vector<std::string>& files, const StripGpsOptions& opt);
