// File services. Every path handed in is CP932, as the program holds it;
// these functions convert it to the file system's encoding themselves.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

// How other openers may share a file while it is open here.
enum class Share {
    DenyNone,   // others may read and write meanwhile
    Exclusive,  // no other exclusive opener: a second one fails at once
};

class File {
public:
    File() = default;
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool OpenRead(const char* path, Share share);
    // Opens an existing regular file for reading, sharing allowed to all.
    // Never waits: a FIFO, device or socket is refused instead of opened.
    bool OpenRegularRead(const char* path);
    // Opens for reading and writing, creating the file when it is missing;
    // an existing file is neither truncated nor moved.
    bool OpenReadWriteCreate(const char* path, Share share);
    // Creates a new file for writing; fails when the name already exists.
    bool CreateNew(const char* path);
    bool IsOpen() const { return m_fd >= 0; }

    int64_t Size() const;                        // -1 on failure
    bool Seek(int64_t pos);
    int64_t Read(void* buf, int64_t n);          // bytes read, -1 on error
    bool Write(const void* buf, int64_t n);      // true when all n written
    bool Flush();                                // down to the disk
    void Close();

private:
    int m_fd = -1;
};

bool FileExists(const char* path);               // a regular file or folder
bool IsDirectory(const char* path);
bool RemoveFile(const char* path);
// Replaces `to` with `from` in one step (same folder).
bool RenameOver(const char* from, const char* to);
// Gives `to` the permission bits of `from`; false when either is missing.
bool CopyPermissions(const char* from, const char* to);

// Full path of the running executable, CP932. False when it cannot be
// found or CP932 cannot hold it. (In ExecutablePath.cpp, alone: window
// tests put their own in its place.)
bool ExecutablePath(std::string& out);

// The file's last-write time in local time.
struct LocalTime { int year, month, day, hour, minute, second; };
bool LastWriteTime(const char* path, LocalTime& out);

// The path separator of this system.
#ifdef _WIN32
constexpr char kPathSep = '\\';
#else
constexpr char kPathSep = '/';
#endif

}  // namespace plat
