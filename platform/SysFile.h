// File services for the command-line companion, whose paths are the
// system's own names (any bytes on POSIX; UTF-8 of the UTF-16 name on
// Windows), not the window's CP932 texts. Only regular files are opened,
// and an open never blocks (a FIFO or a device is refused at once).
#pragma once
#include "platform/ChangedRuns.h"
#include "platform/File.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace plat {

// What identifies a file whatever name leads to it.
struct FileId {
    uint64_t dev = 0;
    uint64_t ino = 0;
    bool operator==(const FileId&) const = default;
};

enum class OpenResult {
    Ok,
    Missing,     // no such file
    NotRegular,  // a folder, FIFO, device or socket
    Failed,      // any other refusal (permissions, ...)
};

class SysFile {
public:
    SysFile() = default;
    ~SysFile() { Close(); }
    SysFile(const SysFile&) = delete;
    SysFile& operator=(const SysFile&) = delete;

    // Opens the file a path leads to (through symbolic links) for reading,
    // or with `patch` for reading and writing in place.
    OpenResult Open(const std::string& path, bool patch = false);
    bool IsOpen() const { return m_fd >= 0; }

    int64_t Size() const;   // -1 on failure
    FileId Id() const;
    // Modification time in nanoseconds since the epoch; -1 on failure.
    int64_t ModTime() const;
    bool SetModTime(int64_t ns);
    // The size and the modification time (in local time) the file had when
    // it was opened: the system was asked once, by the open.
    int64_t SizeAtOpen() const { return m_fd >= 0 ? m_sizeAtOpen : -1; }
    bool WriteTimeAtOpen(LocalTime& out) const;
    int64_t ModTimeAtOpen() const { return m_fd >= 0 ? m_modTimeAtOpen : -1; }  // as ModTime()

    // Exactly n bytes at pos: false on an error or a short read.
    bool ReadAt(int64_t pos, void* buf, int64_t n) const;
    bool WriteAt(int64_t pos, const void* buf, int64_t n);
    // Cuts the file to its first `len` bytes.
    bool Truncate(int64_t len);
    bool Flush();
    void Close();

private:
    friend class SysNewFile;
    int m_fd = -1;
    int64_t m_sizeAtOpen = -1;
    int64_t m_writeTimeAtOpen = 0;  // the system's own unit: seconds, or FILETIME ticks
    int64_t m_modTimeAtOpen = -1;   // nanoseconds since the epoch
};

// The identity of the file a path leads to; false when there is none.
bool SysFileIdOf(const std::string& path, FileId& out);
bool SysIsDirectory(const std::string& path);
// The path of the file an existing path leads to, every symbolic link
// followed; false when it does not exist.
bool SysResolveLinks(const std::string& path, std::string& out);

// The last component of a path and the path joined with a name.
std::string SysBaseName(const std::string& path);
std::string SysJoin(const std::string& dir, const std::string& name);

// A new file for `target`, written under a temporary name in its folder:
// the target is replaced only when Place() renames it over it, so it is
// never half written. Without `flush` the data reaches the disk when
// SysSyncFileSystem flushes a whole batch. An existing target keeps its
// permissions. A file not placed is removed.
class SysNewFile {
public:
    SysNewFile() = default;
    ~SysNewFile() { Drop(); }
    SysNewFile(const SysNewFile&) = delete;
    SysNewFile& operator=(const SysNewFile&) = delete;

    // Writes `len` bytes of `data`.
    bool Write(const std::string& target, const uint8_t* data, int64_t len, bool flush);
    // Writes `len` bytes piece by piece: piece(pos, n, scratch) answers
    // where the n bytes at pos are (in `scratch`, sized to n, or anywhere
    // else), or null to give up.
    using PieceFn = std::function<const uint8_t*(int64_t pos, int64_t n, std::vector<uint8_t>& scratch)>;
    bool WriteFrom(const std::string& target, int64_t len, const PieceFn& piece, bool flush);
    // Has the system copy the first `copyLen` bytes of the open file
    // `source` (sharing blocks where the file system can), then writes the
    // patches over them. The source must still be as it was read (`len`
    // bytes, modified at `modTime`, holding each patch's `was`). False,
    // with no file left, when it changed since then or the system cannot
    // copy this way; the caller then writes the bytes itself.
    bool Copy(const std::string& target, const SysFile& source, int64_t modTime,
              const std::vector<BytePatch>& patches, int64_t len, int64_t copyLen, bool flush);
    // Renames the written file over its target; false (and removed) when
    // it cannot.
    bool Place();
    // The identity of the written file, the target's once it is in place.
    FileId Id() const { return m_id; }
    // Removes the written file, if any.
    void Drop();

private:
    std::string m_tmp, m_target;
    FileId m_id;
};

// Writes `target` whole through a SysNewFile.
bool SysWriteFileSafely(const std::string& target, const uint8_t* data, int64_t len, bool flush);

// Writes the patches into the open file `f`, after checking that the file
// still has length `len` and holds each patch's `was`; then flushes it to
// the disk. The file keeps its identity. False when the file changed
// meanwhile or a step failed.
bool PatchBytes(SysFile& f, const std::vector<BytePatch>& patches, int64_t len);

// Writes into the open file `f` the bytes in which `now` differs from `was`
// (both `len` bytes, the file's whole old content), after checking that the
// file still has that length and holds `was` at every changed place; then
// flushes it to the disk. The file keeps its identity: links, owner and
// permissions stay. False when the file changed meanwhile or a step failed.
bool PatchChangedBytes(SysFile& f, const uint8_t* was, const uint8_t* now, int64_t len);

// A binary C stream reading the file at `path` (a pipe too); null when it
// cannot be opened.
std::FILE* SysOpenStream(const std::string& path);

// Flushes every file written on the file system holding `path`.
bool SysSyncFileSystem(const std::string& path);

}  // namespace plat
