// tamlix-cli: Tamlix's analysis from a terminal, for scripts and batches.
#include "cli/Report.h"
#include "cli/Show.h"
#include "cli/StripGps.h"
#include "platform/Console.h"
#include "platform/File.h"
#include "platform/Path.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: tamlix-cli show [--json] FILE...\n"
    "\n"
    "  show         read each JPEG and analyse its Exif block as the Tamlix window does\n"
    "               (the first 200 bytes are scanned for \"Exif\" and a TIFF header; the\n"
    "               0th IFD and the GPS IFD are walked), then print the summary: Exif\n"
    "               mark, GPS state, latitude, longitude, maker, model, date and size,\n"
    "               one \"label: value\" line each, a blank line between files.\n"
    "  --json       print instead one JSON object per file and line, in argument order,\n"
    "               holding the whole analysis record (IFD entries with their raw bytes,\n"
    "               GPS references and rationals, texts in UTF-8).\n"
    "\n"
    "Exit status: 0 when every file was read, 1 when a file could not be opened,\n"
    "2 on a usage error. Messages go to standard error.\n";

int Usage(FILE* to, int status) {
    std::fputs(kUsage, to);
    return status;
}

// The tag table lies beside the executable.
std::string TagTablePath() {
    std::string exe;
    if (!plat::ExecutablePath(exe)) return "JpegTIFFTag.csv";
    return plat::SplitPath(exe).dir + "JpegTIFFTag.csv";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = plat::ConsoleArguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());  // the program's name
    if (args.empty()) return Usage(stderr, 2);
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Usage(stdout, 0);
        std::fputs("\n", stdout);
        std::fputs(kStripGpsUsage, stdout);
        std::fputs("\n", stdout);
        std::fputs(kReportUsage, stdout);
        return 0;
    }
    if (args[0] == "strip-gps") {
        StripGpsOptions opt;
        std::vector<std::string> files;
        bool help = false;
        std::string error;
        if (!ParseStripGps({args.begin() + 1, args.end()}, opt, files, help, error)) {
            std::fprintf(stderr, "tamlix-cli: %s\n", error.c_str());
            std::fputs(kStripGpsUsage, stderr);
            return 2;
        }
        if (help) {
            std::fputs(kStripGpsUsage, stdout);
            return 0;
        }
        return RunStripGps(files, opt);
    }
    if (args[0] == "report") {
        std::vector<std::string> files;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--help" || args[i] == "-h") {
                std::fputs(kReportUsage, stdout);
                return 0;
            }
            files.push_back(args[i]);
        }
        if (files.empty()) {
            std::fputs(kReportUsage, stderr);
            return 2;
        }
        return RunReport(files, TagTablePath());
    }
    if (args[0] != "show") {
        std::fprintf(stderr, "tamlix-cli: unknown command '%s'\n", args[0].c_str());
        return Usage(stderr, 2);
    }
    bool json = false;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsDone && a == "--") optionsDone = true;
        else if (!optionsDone && a == "--json") json = true;
        else if (!optionsDone && (a == "--help" || a == "-h")) return Usage(stdout, 0);
        else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "tamlix-cli: unknown option '%s'\n", a.c_str());
            return Usage(stderr, 2);
        } else files.push_back(a);
    }
    if (files.empty()) return Usage(stderr, 2);
    return RunShow(files, json, TagTablePath());
}
