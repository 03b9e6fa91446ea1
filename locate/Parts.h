// The parts a directory names (an icon's pictures, a raw file's sections
// or records), put in the order of where they start.
#pragma once
#include "platform/ByteRange.h"

#include <algorithm>
#include <vector>

// Sorts `parts` (each with a ByteRange `r`) by where they start and keeps
// a part named twice (the same range) once. False when two others share
// bytes: cleaning one could reach into the other.
template <class Part>
bool SortApart(std::vector<Part>& parts) {
    std::stable_sort(parts.begin(), parts.end(), [](const Part& a, const Part& b) { return a.r.pos < b.r.pos; });
    auto same = [](const Part& a, const Part& b) { return a.r.pos == b.r.pos && a.r.len == b.r.len; };
    parts.erase(std::unique(parts.begin(), parts.end(), same), parts.end());
    for (size_t i = 1; i < parts.size(); ++i)
        if (parts[i].r.pos < parts[i - 1].r.End()) return false;
    return true;
}
