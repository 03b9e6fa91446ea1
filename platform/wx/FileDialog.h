// The system's file-open and save-as dialogs. Window tests put their own
// two Run functions in place of FileDialog.cpp at link time: keep anything
// else out of that file.
#pragma once
#include <memory>
#include <string>

class wxFileDialog;
class wxWindow;

struct OpenFileRequest {
    std::string startDir;     // CP932
    std::string filter;       // wx form: "jpg (*.jpg)|*.jpg"
    std::string defaultExt;
};

// Result: false when cancelled. `path` is CP932; a chosen path that CP932
// cannot hold gives `unrepresentable` = true and an empty path.
struct OpenFileResult { bool ok = false; bool unrepresentable = false; std::string path; };

OpenFileResult RunOpenFileDialog(wxWindow* parent, const OpenFileRequest& req);

// The open dialog exactly as RunOpenFileDialog shows it, not yet shown
// (platform/wx/OpenFileDialog.cpp); lets tests look at its filter. Its
// patterns match in any letter case, as the system's own dialogs do on
// Windows ("*.jpg" also lists IMG_0001.JPG); the filter's text stays.
std::unique_ptr<wxFileDialog> MakeOpenFileDialog(wxWindow* parent, const OpenFileRequest& req);

// The system's save-as dialog. It asks no overwrite question (the caller
// asks its own) and does not require the file to exist. A name typed
// without extension gets `defaultExt`.
struct SaveFileRequest {
    std::string startDir;     // CP932
    std::string fileName;     // proposed name, CP932
    std::string filter;       // wx form: "jpg (*.jpg)|*.jpg|All Files (*.*)|*.*"
    std::string defaultExt;
};

OpenFileResult RunSaveFileDialog(wxWindow* parent, const SaveFileRequest& req);
