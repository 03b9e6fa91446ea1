#include "cli/Check.h"

#include "cli/ReadNamed.h"
#include "exif/Locator.h"

#include <cstdio>

int RunCheck(const std::vector<std::string>& files) {
    int status = 0;
    std::vector<uint8_t> content;
    for (const std::string& f : files) {
        const ReadStatus st = ReadNamedFile(f, content);
        if (st != ReadStatus::Ok) {
            std::printf("%s: %s\n", f.c_str(), ReadStatusText(st));
            status = 1;
            continue;
        }
        LocateResult found;
        LocatePositions(ByteReader(content.data(), static_cast<int64_t>(content.size())), found);
        if (found.Clean()) continue;
        std::printf("%s: %s\n", f.c_str(), DescribeFinds(found.finds).c_str());
        status = 1;
    }
    std::fflush(stdout);
    return status;
}
