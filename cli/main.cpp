// tamlix-cli: Tamlix's analysis from a terminal, for scripts and batches,
// and the thorough GPS check and cleaning of many photos. The command line
// is parsed here and only here.
#include "app/DataPaths.h"
#include "cli/Check.h"
#include "cli/Names.h"
#include "cli/Report.h"
#include "cli/Show.h"
#include "cli/StripGps.h"
#include "platform/Console.h"
#include "platform/File.h"
#include "platform/SysFile.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 2;

// The tag table lies beside the executable.
std::string TagTablePath() {
    std::string exe;
    if (!plat::ExecutablePath(exe)) exe.clear();
    return TagTablePathFor(exe);
}

struct Files {
    std::vector<std::string> names;
    std::string from;

    void AddTo(CLI::App* cmd) {
        cmd->add_option("FILE", names, "JPEG files");
        cmd->add_option("--files-from", from,
                        "also read file names from this file, one per line ('-': standard input)");
    }
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Tamlix from a terminal: show what a JPEG's Exif block holds, find every GPS\n"
                 "position a photo keeps and write copies without them.",
                 "tamlix-cli"};
    app.set_version_flag("--version", std::string("tamlix-cli ") + TAMLIX_VERSION);
    // On Windows CLI11 would take "/name" for an option: it is a path.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.footer("Exit status: 0 on success, 1 when a file could not be read, written or made\n"
               "clean (check: or holds a position), 2 on a usage error.");

    Files files;
    bool json = false;
    CLI::App* show = app.add_subcommand(
        "show",
        "Analyse each JPEG as the Tamlix window does (the first 200 bytes are scanned for\n"
        "\"Exif\" and a TIFF header; the 0th IFD and the GPS IFD are walked) and print the\n"
        "summary, one \"label: value\" line each, a blank line between files. A last line\n"
        "names GPS positions the window's analysis does not show.");
    show->add_flag("--json", json,
                   "print one JSON object per file and line instead: the whole analysis record\n"
                   "and the GPS positions the locator finds (\"finds\")");
    bool thorough = false;
    const char* const thoroughHelp =
        "also walk the compressed picture data to its end: segments after the first scan,\n"
        "pictures appended without an MPF index and data hidden after a picture's end\n"
        "(reads every byte of every file; strip-gps always does)";
    show->add_flag("--thorough", thorough, thoroughHelp);
    files.AddTo(show);

    CLI::App* report = app.add_subcommand(
        "report",
        "Print each JPEG's detail report as the Tamlix window lays it out: header, 0th IFD\n"
        "and GPS IFD entry tables and the GPS data section, a blank line between files.");
    files.AddTo(report);

    CLI::App* check = app.add_subcommand(
        "check",
        "Find every GPS position each photo or clip holds (JPEG, HEIF/HEIC/AVIF, MP4/MOV,\n"
        "motion photos, TIFF and raw files, PNG, WebP, and the photos ZIP and tar archives\n"
        "hold: Exif GPS IFDs, XMP, location boxes and keys, timed GPS tracks, a photo\n"
        "service's JSON sidecar, GPX and KML tracks, data after a picture's end). One\n"
        "line per file that holds one, and where; nothing for clean files. A file or a\n"
        "part of one that is not read (another format) is named too. Only the metadata\n"
        "and the file's tail are read.");
    check->add_flag("--thorough", thorough, thoroughHelp);
    LocateOptions look;
    check->add_flag("--place-names", look.placeNames,
                    "also find place names: a city, a state, a country, a location's name (XMP, IPTC,\n"
                    "a clip's location keys, Samsung's country code)");
    files.AddTo(check);

    StripGpsOptions strip;
    CLI::App* stripCmd = app.add_subcommand(
        "strip-gps",
        "Remove every GPS position each photo holds. The file keeps its length and every\n"
        "byte outside the positions. A file that cannot be made clean is not written and\n"
        "is named: do not share it.");
    CLI::Option* out = stripCmd->add_option(
        "-o", strip.outDir,
        "write a copy of every photo that is or can be made clean into this folder\n"
        "(unchanged when there is nothing to remove); two inputs of one name, or an\n"
        "output that is an input, are refused before anything is written");
    CLI::Option* inPlace = stripCmd->add_flag(
        "--in-place", strip.inPlace,
        "patch each file itself (only the changed bytes; links, owner and permissions stay)");
    out->excludes(inPlace);
    stripCmd->add_flag("--entries", strip.entries,
                       "for GPS IFDs only zero the entry count and the tags, as the window does");
    stripCmd->add_flag("--fields", strip.fields,
                       "for GPS IFDs only zero the entries' type, count and value fields");
    stripCmd->add_flag("--wipe-data", strip.wipeData,
                       "with --entries or --fields: also zero the values the entries point to");
    stripCmd->add_flag("--drop-trailer", strip.dropTrailer,
                       "cut data after the last picture's end that cannot be taken apart (the\n"
                       "file gets shorter; every byte before the cut stays)");
    stripCmd->add_flag("--place-names", strip.placeNames,
                       "also blank place names (a city, a state, a country, a location's name), each\n"
                       "at its length");
    stripCmd->add_flag("--keep-time", strip.keepTime,
                       "with --in-place: keep each file's modification time");
    files.AddTo(stripCmd);

    try {
        // The arguments as UTF-8 (on Windows from the UTF-16 command line).
        const std::vector<std::string> args = plat::ConsoleArguments(argc, argv);
        std::vector<const char*> argp;
        for (const std::string& a : args) argp.push_back(a.c_str());
        app.parse(static_cast<int>(argp.size()), argp.data());
        if (stripCmd->parsed() && out->count() == 0 && !strip.inPlace)
            throw CLI::RequiredError("give one of -o DIR and --in-place");
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        std::fprintf(stderr, "tamlix-cli: %s\nRun 'tamlix-cli --help' or 'tamlix-cli COMMAND --help'.\n",
                     e.what());
        return kUsageError;
    }
    FileNames names(files.names);
    if (!files.from.empty() && !names.OpenList(files.from)) {
        std::fprintf(stderr, "tamlix-cli: cannot read the name list '%s'\n", files.from.c_str());
        return kUsageError;
    }
    auto noFiles = [] {
        std::fprintf(stderr, "tamlix-cli: no file given\nRun 'tamlix-cli --help' or 'tamlix-cli COMMAND --help'.\n");
        return kUsageError;
    };
    auto listRead = [&](int status) {
        if (!names.Failed()) return status;
        std::fprintf(stderr, "tamlix-cli: cannot read the name list '%s'\n", files.from.c_str());
        return kUsageError;
    };
    // show and check take the names as they come; report and strip-gps
    // (which refuses clashes before writing anything) take them all first.
    if (show->parsed() || check->parsed()) {
        const NameSource next = [&](std::string& name) { return names.Next(name); };
        size_t count = 0;
        const LocateDepth depth = thorough ? LocateDepth::Thorough : LocateDepth::Metadata;
        const int status = show->parsed() ? RunShow(next, json, TagTablePath(), depth, &count)
                                          : RunCheck(next, depth, &count, look);
        if (count == 0 && !names.Failed()) return noFiles();
        return listRead(status);
    }
    const std::vector<std::string> all = names.All();
    if (names.Failed()) return listRead(0);
    if (all.empty()) return noFiles();
    if (report->parsed()) return RunReport(all, TagTablePath());
    return RunStripGps(all, strip);
}
