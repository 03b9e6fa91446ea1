// The ISOBMFF walker (and Samsung's trailer, which holds a clip) on any
// bytes: a file that starts as a box tree is found alike at both depths
// (the walk reads no scans); every find starts inside the file; a file the
// locator says can be cleaned keeps the strip contract (StripContract.h),
// and the strip moves no box: the top-level boxes keep their places and
// sizes.
#include "fuzz/FuzzCheck.h"
#include "fuzz/StripContract.h"
#include "locate/Containers.h"
#include "locate/Locator.h"
#include "locate/isobmff/Boxes.h"

#include <cstdint>
#include <vector>

namespace {

// The places and ends of the top-level boxes, one after the other.
std::vector<int64_t> TopLevelBoxes(const ByteReader& file) {
    std::vector<int64_t> out;
    ForEachBox(file, {0, file.Length()}, [&](const Box& b) {
        out.insert(out.end(), {b.pos, b.end});
        return true;
    });
    return out;
}


}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int64_t len = static_cast<int64_t>(size);
    const ByteReader file(data, len);
    std::vector<uint8_t> out;
    if (!WalkAndStrip(data, size, Container::Isobmff, out)) return 0;
    if (RecogniseContainer(file, 0, len) == Container::Isobmff)
        FUZZ_CHECK(TopLevelBoxes(file) == TopLevelBoxes(ByteReader(out.data(), len)));
    return 0;
}
