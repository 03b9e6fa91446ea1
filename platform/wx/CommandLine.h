// A file named on the command line, made independent of the folder the
// program was started from.
#pragma once
#include <wx/string.h>

// `arg` as an absolute path with "." and ".." steps and doubled separators
// removed (symbolic links are left as they are). The file need not exist.
wxString AbsoluteCommandLinePath(const wxString& arg);
