// Path splitting in the manner of the runtime's _splitpath, on CP932 paths.
// Both '\' and '/' separate folders. The second byte of a double-byte
// character may be 0x5C (the '\' of "表" or "ソ"), so the scan walks whole
// characters; '.' and ':' are never second bytes.
#include "platform/Path.h"

#include "platform/Text.h"

namespace plat {
namespace {

// Position just past the last separator (0 when none), and of the drive.
size_t NameStart(const std::string& path, size_t from) {
    size_t start = from;
    for (size_t i = from; i < path.size();) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (IsCp932Lead(c) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        ++i;
        if (c == '\\' || c == '/') start = i;
    }
    return start;
}

size_t DriveLength(const std::string& path) {
    return path.size() >= 2 && !IsCp932Lead(static_cast<unsigned char>(path[0])) && path[1] == ':'
               ? 2
               : 0;
}

}  // namespace

PathParts SplitPath(const std::string& path) {
    PathParts p;
    const size_t drive = DriveLength(path);
    const size_t nameStart = NameStart(path, drive);
    p.drive = path.substr(0, drive);
    p.dir = path.substr(drive, nameStart - drive);
    SplitNameAndExt(path.substr(nameStart), p);
    return p;
}

std::string NamePart(const std::string& path) {
    return path.substr(NameStart(path, DriveLength(path)));
}

}  // namespace plat
