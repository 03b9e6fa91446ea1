// Large picture buffers. Touching fresh memory page by page is costly on
// some systems (a 24-megapixel picture is 18,000 small pages); such buffers
// ask for large pages where the system offers them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace plat {

// An uninitialised buffer of n bytes, or null when it cannot be allocated.
std::unique_ptr<uint8_t[]> NewLargeBuffer(size_t n);

}  // namespace plat
