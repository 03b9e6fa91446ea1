// The CP932 helpers that need no conversion table, shared by every system.
#include "platform/Text.h"

#include <cstring>

namespace plat {

size_t CopyCp932Cut(char* dst, size_t cap, const char* src, size_t srcLen) {
    size_t n = 0;
    while (n < srcLen && src[n] != '\0') {
        size_t charLen = IsCp932Lead(static_cast<unsigned char>(src[n])) ? 2 : 1;
        if (charLen == 2 && (n + 1 >= srcLen || src[n + 1] == '\0')) charLen = 1;
        if (n + charLen > cap - 1) break;
        n += charLen;
    }
    std::memcpy(dst, src, n);
    dst[n] = '\0';
    return n;
}

}  // namespace plat
