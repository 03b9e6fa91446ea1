// The file names a command works through: those on the command line, then
// those of a --files-from list, read one line at a time as the batch goes,
// so that a list of any length costs no memory per name.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class FileNames {
public:
    FileNames(const std::vector<std::string>& args) : m_args(args) {}
    ~FileNames();
    FileNames(const FileNames&) = delete;
    FileNames& operator=(const FileNames&) = delete;

    // Opens the list ("-": standard input; a pipe works too); false when it
    // cannot be opened.
    bool OpenList(const std::string& from);

    // The next name; false at the end. A line's closing CR is dropped and
    // empty lines are skipped.
    bool Next(std::string& name);

    // Every remaining name, for commands that must see all before starting.
    std::vector<std::string> All();

    // True when reading the list failed (the names so far were given out).
    bool Failed() const { return m_failed; }
    size_t Given() const { return m_given; }

private:
    bool Refill();  // the next piece of the list into m_buf; false at its end

    const std::vector<std::string>& m_args;
    std::string m_buf;  // read from the list, not yet given out from m_at
    size_t m_at = 0;
    std::FILE* m_list = nullptr;
    bool m_failed = false;
    size_t m_given = 0;
};
