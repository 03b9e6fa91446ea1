#include "platform/win/WriteSome.h"

#include <windows.h>

namespace plat {

bool WriteSome(void* handle, const void* buf, uint32_t n, uint32_t* put) {
    DWORD done = 0;
    const bool ok = WriteFile(handle, buf, n, &done, nullptr);
    *put = done;
    return ok;
}

}  // namespace plat
