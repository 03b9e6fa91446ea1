#include "platform/ReadFile.h"

#include "platform/File.h"

#include <new>

namespace plat {

ReadStatus ReadWholeFile(const char* path, int64_t maxLen, FileBytes& out) {
    File f;
    if (!f.OpenRegularRead(path)) return ReadStatus::CannotOpen;
    const int64_t size = f.Size();
    if (size < 0) return ReadStatus::CannotOpen;
    if (size > maxLen) return ReadStatus::TooLarge;
    // The spare byte also catches a file that grew after its size was taken.
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[static_cast<size_t>(size) + 1]);
    if (!data) return ReadStatus::NoMemory;
    const int64_t got = f.Read(data.get(), size + 1);
    if (got < 0) return ReadStatus::ReadError;
    out.data = std::move(data);
    out.len = got < size ? got : size;
    out.changed = got != size;
    return ReadStatus::Ok;
}

}  // namespace plat
