#include "cli/Check.h"

#include "cli/AnalyzeArg.h"
#include "cli/FindText.h"
#include "cli/Pool.h"
#include "cli/ReadNamed.h"
#include "locate/Locator.h"

int RunCheck(const NameSource& next, LocateDepth depth, size_t* count, const LocateOptions& opt) {
    return RunInOrder(next, PoolThreads(), [&](size_t, const std::string& f) {
        NamedFile file;
        JobResult r;
        ReadStatus st = OpenNamedFile(f, file, kCompanionMaxLen);
        LocateResult found;
        if (st == ReadStatus::Ok) {
            LocateInBytes(file.bytes, found, depth, nullptr, opt);
            if (file.bytes.Failed()) st = ReadStatus::Failed;
        }
        if (st != ReadStatus::Ok) {
            r.out = f + ": " + ReadStatusText(st, kCompanionMaxLen) + "\n";
            r.status = 1;
        } else if (!found.Clean()) {
            r.out = f + ": " + DescribeFinds(found.finds) + "\n";
            r.status = 1;
        }
        return r;
    }, 0, count);
}
