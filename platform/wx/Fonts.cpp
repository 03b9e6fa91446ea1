#include "platform/wx/Fonts.h"

#include "platform/Text.h"

#include <fontconfig/fontconfig.h>

#include <string>

bool LoadFontAliases(const char* path) {
    const std::string fs = plat::Cp932ToUtf8(path);
    FcConfig* config = FcConfigGetCurrent();
    if (config == nullptr) return false;
    return FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(fs.c_str()), FcTrue) ==
           FcTrue;
}
