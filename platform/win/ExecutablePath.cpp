#include "platform/File.h"

#include "platform/win/Wide.h"

#include <windows.h>

namespace plat {

bool ExecutablePath(std::string& out) {
    // Long paths may exceed MAX_PATH: grow until the name fits.
    std::wstring w(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, w.data(), static_cast<DWORD>(w.size()));
        if (n == 0) return false;
        if (n < w.size()) {
            w.resize(n);
            break;
        }
        if (w.size() >= 32768) return false;
        w.resize(w.size() * 2);
    }
    return WideToCp932(w, out);
}

}  // namespace plat
