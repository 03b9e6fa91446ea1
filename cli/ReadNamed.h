// Reading a file named on the command line: the name as the system gives
// it, regular files only, never blocking, bounded in size.
#pragma once
#include "platform/SysFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Bytes of a file: growing the buffer does not fill it with zeros first,
// since the read overwrites every byte anyway.
template <typename T, typename A = std::allocator<T>>
class DefaultInitAllocator : public A {
    using Traits = std::allocator_traits<A>;

public:
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U, typename Traits::template rebind_alloc<U>>;
    };
    using A::A;
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        Traits::construct(static_cast<A&>(*this), p, std::forward<Args>(args)...);
    }
};
using FileBytes = std::vector<uint8_t, DefaultInitAllocator<uint8_t>>;

enum class ReadStatus { Ok, Missing, NotRegular, TooLarge, Failed };

// Reads the whole file into `out`. With `keep` the file stays open there
// (for reading and writing when `patch`), so that what is written later
// goes to the very file that was read.
ReadStatus ReadNamedFile(const std::string& path, FileBytes& out,
                         plat::SysFile* keep = nullptr, bool patch = false);

// Why a read failed, in English: "no such file", "not a regular file", ...
const char* ReadStatusText(ReadStatus s);
