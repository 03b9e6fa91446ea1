// Makes the design's Windows font faces resolve to installed Japanese fonts.
#pragma once

// Loads the fontconfig alias file `path` (UTF-8 or CP932 path) onto the
// current configuration; call before the first window. False when it cannot.
bool LoadFontAliases(const char* path);
