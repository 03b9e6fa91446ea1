// File ranges (anything with `pos` and `len`) sorted by position, those
// that overlap or touch joined into one.
#pragma once
#include <algorithm>
#include <vector>

template <typename Range>
std::vector<Range> JoinRanges(std::vector<Range> ranges) {
    std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.pos < b.pos; });
    std::vector<Range> joined;
    for (const Range& r : ranges) {
        if (!joined.empty() && r.pos <= joined.back().pos + joined.back().len)
            joined.back().len = std::max(joined.back().len, r.pos + r.len - joined.back().pos);
        else
            joined.push_back(r);
    }
    return joined;
}
