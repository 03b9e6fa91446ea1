// Windows has the window's font faces (ＭＳ ゴシック, MS UI Gothic) itself
// (and Wine maps them through its registry), so there is nothing to load.
#include "platform/wx/Fonts.h"

bool LoadFontAliases(const char*) { return true; }
