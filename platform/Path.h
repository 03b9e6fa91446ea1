// Path splitting in the manner of the runtime's _splitpath, on CP932 paths.
#pragma once
#include <string>

namespace plat {

struct PathParts {
    std::string drive;  // "C:" on Windows; always empty here
    std::string dir;    // folder with its trailing separator, "/a/b/"
    std::string fname;  // name without extension
    std::string ext;    // extension with its dot, ".jpg"; empty when none
};

PathParts SplitPath(const std::string& path);

// Sets p.fname and p.ext from a name without folder: the extension starts
// at its last '.'.
inline void SplitNameAndExt(const std::string& name, PathParts& p) {
    const size_t dot = name.rfind('.');
    p.fname = dot == std::string::npos ? name : name.substr(0, dot);
    p.ext = dot == std::string::npos ? std::string() : name.substr(dot);
}

// The name part (name and extension) of a path.
std::string NamePart(const std::string& path);

}  // namespace plat
