#include "platform/Path.h"

#include "platform/File.h"

namespace plat {

PathParts SplitPath(const std::string& path) {
    PathParts p;
    // In CP932 neither '/' nor '.' can be the second byte of a double-byte
    // character, so plain byte searches are safe here.
    size_t sep = path.rfind(kPathSep);
    size_t nameStart = sep == std::string::npos ? 0 : sep + 1;
    p.dir = path.substr(0, nameStart);
    SplitNameAndExt(path.substr(nameStart), p);
    return p;
}

std::string NamePart(const std::string& path) {
    size_t sep = path.rfind(kPathSep);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

}  // namespace plat
