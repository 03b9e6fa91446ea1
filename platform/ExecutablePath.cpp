#include "platform/File.h"

#include "platform/Text.h"

#include <unistd.h>

#include <climits>

namespace plat {

bool ExecutablePath(std::string& out) {
    char buf[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return false;
    return Utf8ToCp932(std::string_view(buf, static_cast<size_t>(n)), out);
}

}  // namespace plat
