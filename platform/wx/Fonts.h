// Makes the Windows font faces the templates and the report ask for
// ("ＭＳ ゴシック", "MS UI Gothic") resolve to the IPA Gothic fonts, so that
// the report's fixed-pitch columns line up and Japanese text has a face.
#pragma once

// Loads the fontconfig alias file `path` (UTF-8 or CP932 path) onto the
// current configuration; call before the first window. False when it cannot.
bool LoadFontAliases(const char* path);
