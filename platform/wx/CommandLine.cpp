#include "platform/wx/CommandLine.h"

#include <wx/filename.h>

wxString AbsoluteCommandLinePath(const wxString& arg) {
    if (arg.empty()) return arg;
    wxFileName name(arg);
    // Not wxPATH_NORM_TILDE: the shell has expanded "~" already, and a file
    // may be named "~x.jpg".
    name.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    return name.GetFullPath();
}
