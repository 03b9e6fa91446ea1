#include "cli/Check.h"

#include "cli/Pool.h"
#include "cli/ReadNamed.h"
#include "exif/Locator.h"

int RunCheck(const std::vector<std::string>& files) {
    return RunInOrder(files.size(), PoolThreads(files.size()), [&](size_t i) {
        thread_local FileBytes content;
        JobResult r;
        const std::string& f = files[i];
        const ReadStatus st = ReadNamedFile(f, content);
        if (st != ReadStatus::Ok) {
            r.out = f + ": " + ReadStatusText(st) + "\n";
            r.status = 1;
            return r;
        }
        LocateResult found;
        LocatePositions(ByteReader(content.data(), static_cast<int64_t>(content.size())), found);
        if (!found.Clean()) {
            r.out = f + ": " + DescribeFinds(found.finds) + "\n";
            r.status = 1;
        }
        return r;
    });
}
