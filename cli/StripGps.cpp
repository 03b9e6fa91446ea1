#include "cli/StripGps.h"

#include "exif/ExifReader.h"
#include "gpsnull/GpsInvalidate.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

const char kStripGpsUsage[] =
    "usage: tamlix-cli strip-gps [--entries] [--fields] [--wipe-data] (-o DIR | --in-place) FILE...\n"
    "\n"
    "  Zeroes bytes of each JPEG's GPS IFD as the Tamlix window does; the file keeps\n"
    "  its length and every other byte.\n"
    "  --entries    zero the GPS IFD's entry count and the tag of each entry\n"
    "  --fields     zero each entry's type, count and value/offset fields\n"
    "               (neither given: both, as the window's default)\n"
    "  --wipe-data  also zero the values the GPS entries point to (the latitude and\n"
    "               longitude rationals, time, date and other values longer than 4\n"
    "               bytes). Without it those bytes stay in the file: the entries can\n"
    "               no longer be read, but anyone who scans the file's bytes may still\n"
    "               find the coordinates.\n"
    "  -o DIR       write each result into DIR under the file's own name\n"
    "  --in-place   replace each file itself\n"
    "\n"
    "  Each result is written to a temporary file beside the target, flushed and\n"
    "  renamed over it, so a failed write leaves the target as it was. A file whose\n"
    "  GPS IFD holds no data is reported and left alone. One line per file says what\n"
    "  was zeroed or why nothing was, and notes GPS coordinates that other parts of\n"
    "  the file (such as XMP) still name: only the GPS IFD is changed.\n"
    "\n"
    "Exit status: 0 when every file was written, 1 when any was not, 2 on a usage error.\n";

bool ParseStripGps(const std::vector<std::string>& args, StripGpsOptions& opt,
                   std::vector<std::string>& files, bool& help, std::string& error) {
    help = false;
    bool optionsDone = false;
    bool haveOut = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a.size() < 2 || a[0] != '-') files.push_back(a);
        else if (a == "--") optionsDone = true;
        else if (a == "--entries") opt.entries = true;
        else if (a == "--fields") opt.fields = true;
        else if (a == "--wipe-data") opt.wipeData = true;
        else if (a == "--in-place") opt.inPlace = true;
        else if (a == "--help" || a == "-h") { help = true; return true; }
        else if (a == "-o") {
            if (i + 1 >= args.size()) { error = "-o needs a folder"; return false; }
            opt.outDir = args[++i];
            haveOut = true;
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    if (haveOut == opt.inPlace) {
        error = "give exactly one of -o DIR and --in-place";
        return false;
    }
    if (files.empty()) {
        error = "no file given";
        return false;
    }
    if (!opt.entries && !opt.fields) opt.entries = opt.fields = true;
    return true;
}

namespace {

// True when the bytes still hold a GPS coordinate by name, as XMP packets
// and some makers' blocks carry it outside the GPS IFD.
bool HoldsGpsText(const uint8_t* data, int64_t len) {
    const char* end = reinterpret_cast<const char*>(data) + len;
    for (std::string_view name : {"GPSLatitude", "GPSLongitude"})
        if (std::search(reinterpret_cast<const char*>(data), end, name.begin(), name.end()) != end)
            return true;
    return false;
}

// Handles one file; returns whether it was written. `line` gets the report.
bool StripOne(const std::string& arg, const std::string& outDir, const StripGpsOptions& opt,
              std::string& line) {
    std::string path, target;
    if (!plat::Utf8ToCp932(arg, path)) {
        line = "not written: the path cannot be held in Shift-JIS";
        return false;
    }
    if (opt.inPlace) {
        target = path;
    } else {
        target = outDir;
        if (!target.empty() && target.back() != plat::kPathSep) target += plat::kPathSep;
        target += plat::NamePart(path);
    }
    FileBuffer buf;
    if (ReadFileAgain(path.c_str(), buf, nullptr, 0) != ReadAgainResult::Ok) {
        line = "not written: cannot read the file";
        return false;
    }
    ExifAnalysis a{};
    AnalyzeExif(a, buf.data.get(), static_cast<int32_t>(buf.len), TagNameTable{});
    if (a.m_nGpsState != kGpsData) {
        const char* why = a.m_bExif == 0            ? "no Exif block"
                          : a.m_nGpsState == kGpsEmpty ? "the GPS IFD holds no entries"
                                                      : "no GPS IFD";
        line = std::string("not written: ") + why;
        return false;
    }
    if (!GpsPatchFits(a, buf.len)) {
        line = "not written: the GPS IFD's entries are not where its position says";
        return false;
    }
    int64_t wiped = 0;
    if (opt.wipeData) wiped = WipeGpsValueBytes(buf.data.get(), buf.len, a);
    InvalidateGpsBytes(buf.data.get(), buf.len, opt.entries ? 1 : 0, a, opt.fields ? 1 : 0);
    if (!WriteFileSafely(target.c_str(), buf.data.get(), buf.len)) {
        line = "not written: cannot write " + plat::Cp932ToUtf8(target) + " (left as it was)";
        return false;
    }
    char what[160];
    std::snprintf(what, sizeof what, "zeroed %s%s %d of %d entries", opt.entries ? "count, " : "",
                  opt.entries && opt.fields ? "tags and fields of"
                  : opt.entries             ? "tags of"
                                            : "fields of",
                  a.m_nGpsDone, a.m_nGpsCount);
    line = what;
    if (opt.wipeData) line += ", " + std::to_string(wiped) + " value bytes";
    line += " -> " + plat::Cp932ToUtf8(target);
    if (HoldsGpsText(buf.data.get(), buf.len))
        line += " (note: GPS coordinates named outside the GPS IFD, e.g. in XMP, remain)";
    return true;
}

}  // namespace

int RunStripGps(const std::vector<std::string>& files, const StripGpsOptions& opt) {
    std::string outDir;
    if (!opt.inPlace) {
        if (!plat::Utf8ToCp932(opt.outDir, outDir) || !plat::IsDirectory(outDir.c_str())) {
            std::fprintf(stderr, "tamlix-cli: '%s' is not a folder\n", opt.outDir.c_str());
            return 1;
        }
    }
    int status = 0;
    for (const std::string& f : files) {
        std::string line;
        if (!StripOne(f, outDir, opt, line)) status = 1;
        std::printf("%s: %s\n", f.c_str(), line.c_str());
    }
    std::fflush(stdout);
    return status;
}
