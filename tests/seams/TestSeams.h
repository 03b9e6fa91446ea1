// Every hook and helper that exists for tests only, in one place. None of
// them is part of the shipped programs: they are defined under tests/seams/
// and linked into test programs alone, where some replace a program
// function whole at link time (their own object files come before the
// libraries, so the program's definition is never pulled in). `make test`
// checks that no name declared here appears in Tamlix, tamlix-cli or the
// conversion library.
//
// tamlix_test_seams (core): ScriptedMessages, FailNthWriteForTest.
// tamlix_window_seams (window tests): the rest; it replaces
// plat::ExecutablePath, RunOpenFileDialog, RunSaveFileDialog and
// RunReportPrintJob.
#pragma once
#include "platform/Message.h"
#include "platform/wx/FileDialog.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class wxFrame;
class wxPrintout;
class wxWindow;
enum class PrintOutcome;

namespace plat {

// Records every message and answers from a queue (the affirmative button
// when the queue is empty). Installs itself as the responder while alive.
class ScriptedMessages {
public:
    struct Shown { std::string text, caption; MsgButtons buttons; };

    ScriptedMessages();
    ~ScriptedMessages();
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    void Answer(MsgResult r) { m_answers.push_back(r); }
    const std::vector<Shown>& All() const { return m_shown; }
    size_t Count() const { return m_shown.size(); }
    const Shown& Last() const { return m_shown.back(); }
    void Clear() { m_shown.clear(); }

private:
    std::vector<Shown> m_shown;
    std::deque<MsgResult> m_answers;
    MessageResponder m_previous;
};

// The `n`th write of file content from now (1: the next) writes half of its
// bytes and then fails, as a full disk would; 0 (the state at start)
// disarms it. Works through the linker's wrapping of write(), which the
// core seam library asks for.
void FailNthWriteForTest(int n);

// Makes ExecutablePath answer `cp932`; empty: no executable path is known.
// (Window tests: their ExecutablePath knows no other answer.)
void OverrideExecutablePath(const std::string& cp932);

}  // namespace plat

// Activates bar item `index` of a command menu bar as a click would. False
// when there is no such item.
bool ActivateMenuBarItem(wxFrame* frame, int index);

// Answers instead of the file dialogs; with none installed, a dialog is
// cancelled.
using OpenFileResponder = std::function<OpenFileResult(const OpenFileRequest&)>;
void SetOpenFileResponder(OpenFileResponder r);
using SaveFileResponder = std::function<OpenFileResult(const SaveFileRequest&)>;
void SetSaveFileResponder(SaveFileResponder r);

// Answers instead of the print dialog and the printer; with none installed,
// a print job is cancelled.
using PrintJobRunner = std::function<PrintOutcome(wxWindow* parent, wxPrintout& printout)>;
void SetPrintJobRunner(PrintJobRunner r);

// Runs the printout's whole job on a PDF file of the given paper size, the
// page's units being 1/96 inch with the printable area the whole paper.
// `path` is in the file system's encoding. False when the file cannot be
// written.
bool PrintToPdfFile(wxPrintout& printout, const std::string& path, double widthMm,
                    double heightMm);
