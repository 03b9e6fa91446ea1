#include "locate/payload/XmlProlog.h"

#include <algorithm>
#include <cstring>

bool XmlAt(const uint8_t* p, int64_t n, int64_t i, std::string_view s) {
    return i >= 0 && n - i >= static_cast<int64_t>(s.size()) && std::memcmp(p + i, s.data(), s.size()) == 0;
}

bool XmlSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int64_t XmlPast(const uint8_t* p, int64_t n, int64_t i, std::string_view close) {
    if (i < 0 || i >= n) return -1;
    const auto* hit = std::search(p + i, p + n, close.begin(), close.end());
    return hit == p + n ? -1 : (hit - p) + static_cast<int64_t>(close.size());
}

int64_t XmlRootStart(const uint8_t* p, int64_t n) {
    int64_t i = XmlAt(p, n, 0, "\xEF\xBB\xBF") ? 3 : 0;
    for (int steps = 0; i >= 0 && i < n && steps < 32; ++steps) {
        while (i < n && XmlSpace(p[i])) ++i;
        if (XmlAt(p, n, i, "<?"))
            i = XmlPast(p, n, i, "?>");
        else if (XmlAt(p, n, i, "<!--"))
            i = XmlPast(p, n, i, "-->");
        else if (XmlAt(p, n, i, "<!DOCTYPE")) {
            const int64_t close = XmlPast(p, n, i, ">"), subset = XmlPast(p, n, i, "[");
            i = subset >= 0 && subset < close ? XmlPast(p, n, XmlPast(p, n, subset, "]"), ">") : close;
        } else
            return XmlAt(p, n, i, "<") && !XmlAt(p, n, i, "<!") ? i : -1;
    }
    return -1;
}

bool XmlElementIs(const uint8_t* p, int64_t n, int64_t i, std::string_view name) {
    const int64_t after = i + 1 + static_cast<int64_t>(name.size());
    return XmlAt(p, n, i, "<") && XmlAt(p, n, i + 1, name) && after < n &&
           (XmlSpace(p[after]) || p[after] == '>' || p[after] == '/');
}
