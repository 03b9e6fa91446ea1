#include "cli/StripGps.h"

#include "cli/Pool.h"
#include "cli/ReadNamed.h"
#include "exif/Locator.h"
#include "platform/SysFile.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

namespace {

enum class Outcome { Done, Failed, Clash };

struct Batch {
    const StripGpsOptions& opt;
    std::vector<plat::FileId> written;  // outputs of this batch, for clashes
    bool wroteAny = false;
};

// What reading and cleaning one photo gave, before anything is written.
struct Plan {
    Plan() : content(BatchBuffers().Take()), cleaned(BatchBuffers().Take()) {}
    ~Plan() {
        BatchBuffers().Give(std::move(content));
        BatchBuffers().Give(std::move(cleaned));
    }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    plat::SysFile file;                   // kept open: patched in place, or copied
    FileBytes content;                    // the file as read
    FileBytes cleaned;                    // empty when there is nothing to remove
    int64_t modTime = -1;
    std::string what;                     // the line when the result is written
    std::string failure;                  // set when the photo is not written
};

GpsStripMode ModeOf(const StripGpsOptions& opt) {
    if (!opt.entries && !opt.fields) return {};  // everything
    return {opt.entries, opt.fields, opt.wipeData};
}

// Writes the changed bytes into the open file itself (see
// PatchChangedBytes), keeping its modification time when asked.
bool PatchInPlace(plat::SysFile& f, const FileBytes& was, const FileBytes& now,
                  int64_t modTime, bool keepTime) {
    if (f.ModTime() != modTime ||
        !plat::PatchChangedBytes(f, was.data(), now.data(), static_cast<int64_t>(was.size())))
        return false;
    return !keepTime || f.SetModTime(modTime);
}

// Reads one photo and cleans it in memory; touches no file. Photos are
// planned on both cores; what a plan writes happens in argument order.
void PlanOne(const std::string& arg, const StripGpsOptions& opt, Plan& plan) {
    const ReadStatus st = ReadNamedFile(arg, plan.content, &plan.file, opt.inPlace);
    if (st != ReadStatus::Ok) {
        plan.failure = std::string("not written: ") + ReadStatusText(st);
        return;
    }
    plan.modTime = plan.file.ModTime();
    const FileBytes& content = plan.content;
    const int64_t len = static_cast<int64_t>(content.size());
    LocateResult found;
    LocatePositions(ByteReader(content.data(), len), found);
    for (const PositionFind& p : found.finds)
        if (!p.removable) {
            plan.failure = std::string("not written: cannot be made clean: ") + p.why + " (" +
                           DescribeFinds({p}) + "); do not share it";
            return;
        }
    if (found.Clean()) {
        plan.what = "nothing to remove";
        return;
    }
    // The result is checked by a second walk before anything is written.
    plan.cleaned.resize(content.size());
    std::memcpy(plan.cleaned.data(), content.data(), content.size());
    LocateResult again;
    const bool stripped = StripPositions(plan.cleaned.data(), len, found, ModeOf(opt));
    if (stripped) LocatePositions(ByteReader(plan.cleaned.data(), len), again);
    if (!stripped || !again.Clean()) {
        plan.failure = "not written: a position would remain (" + DescribeFinds(found.finds) +
                       "); do not share it";
        return;
    }
    plan.what = "removed " + DescribeFinds(found.finds);
}

// Writes what a plan holds: the changed bytes into the file itself, or the
// whole photo into the output folder.
Outcome CommitOne(const std::string& arg, Plan& plan, Batch& batch, std::string& line) {
    const StripGpsOptions& opt = batch.opt;
    if (!plan.failure.empty()) {
        line = plan.failure;
        return Outcome::Failed;
    }
    if (opt.inPlace) {
        if (!plan.cleaned.empty() &&
            !PatchInPlace(plan.file, plan.content, plan.cleaned, plan.modTime, opt.keepTime)) {
            line = "not written: the file could not be patched or changed meanwhile";
            return Outcome::Failed;
        }
        line = plan.what;
        return Outcome::Done;
    }
    const std::string target = plat::SysJoin(opt.outDir, plat::SysBaseName(arg));
    // A name the file system takes for an output already written in this
    // batch (another letter case, say) would overwrite it.
    plat::FileId id;
    if (plat::SysFileIdOf(target, id))
        for (const plat::FileId& w : batch.written)
            if (w == id) {
                line = "not written: " + target + " is an output already written in this batch";
                return Outcome::Clash;
            }
    // The system copies the photo and only the cleaned bytes are written
    // from here; where it cannot, the whole photo is written from memory.
    const FileBytes& out = plan.cleaned.empty() ? plan.content : plan.cleaned;
    const int64_t len = static_cast<int64_t>(out.size());
    const bool copied = plat::SysWriteCopySafely(target, plan.file, plan.modTime,
                                                 plan.content.data(), out.data(), len, false);
    plan.file.Close();
    if (!copied && !plat::SysWriteFileSafely(target, out.data(), len, false)) {
        line = "not written: cannot write " + target;
        return Outcome::Failed;
    }
    batch.wroteAny = true;
    if (plat::SysFileIdOf(target, id)) batch.written.push_back(id);
    line = plan.what + " -> " + target;
    return Outcome::Done;
}

// Commits a plan made on another thread. A photo patched in place that
// changed since it was read (another name of a file patched earlier in the
// batch, say) is read and cleaned again, as a batch run one by one would.
Outcome FinishOne(const std::string& arg, Plan& plan, Batch& batch, std::string& line) {
    const Outcome o = CommitOne(arg, plan, batch, line);
    if (o != Outcome::Failed || !batch.opt.inPlace || plan.cleaned.empty()) return o;
    Plan fresh;
    PlanOne(arg, batch.opt, fresh);
    return CommitOne(arg, fresh, batch, line);
}

// Refuses, before anything is written, two inputs that would go to one
// output and an output that is an input itself.
bool FindClash(const std::vector<std::string>& files, const std::string& outDir) {
    std::map<std::string, std::string> byName;
    std::vector<plat::FileId> inputs;
    for (const std::string& f : files) {
        const std::string name = plat::SysBaseName(f);
        auto [it, fresh] = byName.emplace(name, f);
        if (!fresh) {
            std::fprintf(stderr, "tamlix-cli: '%s' and '%s' would both be written to '%s'\n",
                         it->second.c_str(), f.c_str(), plat::SysJoin(outDir, name).c_str());
            return true;
        }
        plat::FileId id;
        if (plat::SysFileIdOf(f, id)) inputs.push_back(id);
    }
    for (const std::string& f : files) {
        const std::string target = plat::SysJoin(outDir, plat::SysBaseName(f));
        plat::FileId id;
        if (!plat::SysFileIdOf(target, id)) continue;
        for (const plat::FileId& in : inputs)
            if (in == id) {
                std::fprintf(stderr, "tamlix-cli: writing '%s' would overwrite an input photo\n",
                             target.c_str());
                return true;
            }
    }
    return false;
}

}  // namespace

int RunStripGps(const std::vector<std::string>& files, const StripGpsOptions& opt) {
    if (!opt.inPlace) {
        if (!plat::SysIsDirectory(opt.outDir)) {
            std::fprintf(stderr, "tamlix-cli: '%s' is not a folder\n", opt.outDir.c_str());
            return 1;
        }
        if (FindClash(files, opt.outDir)) return 2;
    }
    Batch batch{opt, {}, false};
    const unsigned threads = PoolThreads();
    size_t at = 0;
    const NameSource next = [&](std::string& name) {
        if (at >= files.size()) return false;
        name = files[at++];
        return true;
    };
    int status = RunInOrder(
        next, threads,
        [&](size_t, const std::string& name) {
            auto plan = std::make_shared<Plan>();
            PlanOne(name, opt, *plan);
            JobResult r;
            r.finish = [&, name, plan](JobResult& done) {
                std::string line;
                const Outcome o = FinishOne(name, *plan, batch, line);
                done.status = o == Outcome::Clash ? 2 : o == Outcome::Failed ? 1 : 0;
                done.out = name + ": " + line + "\n";
            };
            return r;
        },
        2 * threads);
    if (batch.wroteAny && !plat::SysSyncFileSystem(opt.outDir)) {
        std::fprintf(stderr, "tamlix-cli: the written files could not be flushed to the disk\n");
        if (status == 0) status = 1;
    }
    std::fflush(stdout);
    return status;
}
