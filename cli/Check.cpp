#include "cli/Check.h"

#include "cli/Pool.h"
#include "cli/ReadNamed.h"
#include "exif/Locator.h"

int RunCheck(const NameSource& next, size_t* count) {
    return RunInOrder(next, PoolThreads(), [&](size_t, const std::string& f) {
        BorrowedBytes borrowed;
        FileBytes& content = borrowed.bytes;
        JobResult r;
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
    }, 0, count);
}
