// `tamlix-cli strip-gps`: the window's GPS invalidation on many files, each
// written through a temporary file and a rename.
#pragma once
#include <string>
#include <vector>

struct StripGpsOptions {
    bool entries = false;    // zero the entry count and the tags
    bool fields = false;     // zero the entries' type, count and value fields
    bool wipeData = false;   // also zero the values the entries point to
    bool inPlace = false;
    std::string outDir;      // UTF-8, as given; used when !inPlace
};

// The usage text of the subcommand.
extern const char kStripGpsUsage[];

// Parses the arguments after "strip-gps". False (with a message in `error`)
// on a usage error; `help` is set for --help.
bool ParseStripGps(const std::vector<std::string>& args, StripGpsOptions& opt,
                   std::vector<std::string>& files, bool& help, std::string& error);

// Returns the exit status: 0 when every file was written, 1 otherwise.
int RunStripGps(const std::vector<std::string>& files, const StripGpsOptions& opt);
