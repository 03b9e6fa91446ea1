#include "cli/StripGps.h"

#include "cli/FindText.h"
#include "cli/Pool.h"
#include "cli/ReadNamed.h"
#include "locate/Locator.h"
#include "platform/ChangedRuns.h"
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
    Plan() = default;
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    // The file, kept open (patched in place, or copied), its bytes as read
    // and cleaned where they change: all of them, or for a large file the
    // pages the walk holds and those the strip writes.
    NamedFile named;
    plat::SysFile& file = named.file;
    LazyBytes& bytes = named.bytes;
    plat::SysNewFile output;              // -o: the copy, written but not yet in place
    std::string target;                   // -o: where it goes
    std::vector<uint8_t> before;          // what the cleaned places held
    std::vector<plat::BytePatch> patches; // content against before; empty: nothing to remove
    int64_t keep = -1;                    // the length written: shorter when a trailer is cut
    int64_t modTime = -1;
    std::string what;                     // the line when the result is written
    std::string failure;                  // set when the photo is not written
};

GpsStripMode ModeOf(const StripGpsOptions& opt) {
    if (!opt.entries && !opt.fields) return {};  // everything
    return {opt.entries, opt.fields, opt.wipeData};
}

// The bytes a cut drops must still be the ones that were analysed: those
// in memory are compared (a large file's are not all held; its length and
// time, checked with the patch, say it did not change).
bool TrailerUnchanged(const Plan& plan) {
    const int64_t len = plan.bytes.Length();
    if (plan.bytes.Budgeted()) return true;  // the patch checks the length (and the time before)
    std::vector<uint8_t> now(static_cast<size_t>(len - plan.keep));
    return plan.file.ReadAt(plan.keep, now.data(), len - plan.keep) &&
           std::memcmp(now.data(), plan.bytes.Data() + plan.keep, now.size()) == 0;
}

// Writes the patches into the open file itself (see PatchBytes) and cuts
// it where a trailer is dropped, keeping its modification time when asked.
bool PatchInPlace(Plan& plan, bool keepTime) {
    const int64_t len = plan.bytes.Length();
    const bool cut = plan.keep < len;
    if (plan.file.ModTime() != plan.modTime || (cut && !TrailerUnchanged(plan)) ||
        !plat::PatchBytes(plan.file, plan.patches, len) ||
        (cut && !(plan.file.Truncate(plan.keep) && plan.file.Flush())))
        return false;
    return !keepTime || plan.file.SetModTime(plan.modTime);
}

// Cleans the photo in memory, keeping a copy of every byte the strip may
// change: the patches are what it did change. The bytes the strip reads
// and writes are held for good (pinned), so that the walk that checks the
// result sees them as cleaned. False when it cannot.
bool CleanInMemory(const LocateResult& found, const GpsStripMode& mode, bool dropTrailer, Plan& plan) {
    uint8_t* const buf = plan.bytes.Writable();
    const int64_t len = plan.bytes.Length();
    const StripPlan strip = PlanStrip(found, mode);
    const std::vector<ByteRange> ranges = strip.Ranges();
    int64_t total = 0;
    for (const ByteRange& r : ranges) {
        if (r.pos < 0 || r.len < 0 || r.pos > len - r.len) return false;
        total += r.len;
    }
    for (const ByteRange& r : strip.Touched())
        if (!plan.bytes.Pin(r.pos, r.len)) return false;
    plan.before.resize(static_cast<size_t>(total));
    int64_t at = 0;
    for (const ByteRange& r : ranges) {
        std::memcpy(plan.before.data() + at, buf + r.pos, static_cast<size_t>(r.len));
        at += r.len;
    }
    if (!found.CanClean(dropTrailer) || !strip.Apply(buf, len)) return false;
    at = 0;
    for (const ByteRange& r : ranges) {
        plat::AddPatches(plan.before.data() + at, buf + r.pos, r.len, r.pos, plan.patches);
        at += r.len;
    }
    return true;
}

// Reads one photo and cleans it in memory; touches no file. Photos are
// planned on both cores; what a plan writes happens in argument order.
void PlanOne(const std::string& arg, const StripGpsOptions& opt, Plan& plan) {
    const ReadStatus st = OpenNamedFile(arg, plan.named, kCompanionMaxLen, opt.inPlace);
    // The walk reads every byte: at once, unless the file is read in pages.
    if (st != ReadStatus::Ok || (!plan.bytes.Budgeted() && !plan.bytes.BringAll())) {
        plan.failure = std::string("not written: ") +
                       ReadStatusText(st == ReadStatus::Ok ? ReadStatus::Failed : st, kCompanionMaxLen);
        return;
    }
    plan.modTime = plan.file.ModTimeAtOpen();
    const int64_t len = plan.bytes.Length();
    LocateResult found;
    ScanEnds ends;
    const LocateOptions look{opt.placeNames};
    LocatePositions(plan.bytes.Reader(), found, LocateDepth::Thorough, nullptr, &ends, look);
    if (plan.bytes.Failed()) {
        plan.failure = std::string("not written: ") + ReadStatusText(ReadStatus::Failed);
        return;
    }
    plan.keep = len;
    for (const PositionFind& p : found.finds) {
        if (p.removable || (opt.dropTrailer && found.InTrailer(p))) continue;
        if (p.kind == FindKind::Container && p.wholeFile)
            plan.failure = "not written: " + DescribeFinds({p}) + "; do not share it";
        else
            plan.failure = std::string("not written: cannot be made clean: ") + FindWhyText(p.why) +
                           " (" + DescribeFinds({p}) + "); do not share it" +
                           (found.InTrailer(p) ? ", or cut what follows the picture with --drop-trailer" : "");
        return;
    }
    const bool cut = opt.dropTrailer && found.trailer >= 0;
    if (found.Clean() && !cut) {
        plan.what = "nothing to remove";
        return;
    }
    std::vector<PositionFind> removed, dropped;
    for (const PositionFind& p : found.finds) (found.InTrailer(p) ? dropped : removed).push_back(p);
    if (cut) plan.keep = found.trailer;
    // The result is checked by a second walk before anything is written;
    // it searches again only through compressed data the strip changed
    // (all of it once the file is cut: the walk's bounds change).
    LocateResult again;
    const bool stripped = CleanInMemory(found, ModeOf(opt), cut, plan);
    if (stripped) {
        std::vector<ByteRange> changed;
        for (const plat::BytePatch& p : plan.patches) changed.push_back({p.pos, p.len});
        ends.Replay(std::move(changed));
        LocatePositions(ByteReader(plan.bytes.Data(), plan.keep, ByteReader::kLittleEndian, &plan.bytes), again,
                        LocateDepth::Thorough, nullptr, cut ? nullptr : &ends, look);
    }
    // A strip that changed nothing left its finds, unless a cut was all it had to do.
    if (!stripped || plan.bytes.Failed() || !again.Clean() || (plan.patches.empty() && (!removed.empty() || !cut))) {
        plan.failure = "not written: a position would remain (" + DescribeFinds(found.finds) +
                       "); do not share it";
        return;
    }
    if (!removed.empty()) plan.what = "removed " + DescribeFinds(removed);
    if (cut) {
        if (!plan.what.empty()) plan.what += "; ";
        plan.what += "dropped " + std::to_string(len - plan.keep) + " bytes after the picture's end at " +
                     std::to_string(plan.keep);
        if (!dropped.empty()) plan.what += " (" + DescribeFinds(dropped) + ")";
    }
}

// -o: writes the photo (cleaned or not) beside its target under a
// temporary name. This happens on the thread that planned it; only putting
// it in place waits for its turn. The system copies the photo and only the
// cleaned bytes are written from here; where it cannot, the whole photo is
// written from memory.
void WriteOutput(const std::string& arg, const StripGpsOptions& opt, Plan& plan) {
    plan.target = plat::SysJoin(opt.outDir, plat::SysBaseName(arg));
    const int64_t len = plan.bytes.Length();
    const bool copied = plan.output.Copy(plan.target, plan.file, plan.modTime, plan.patches, len, plan.keep, false);
    bool wrote = copied;
    if (!copied && !plan.bytes.Budgeted()) {
        wrote = plan.output.Write(plan.target, plan.bytes.Data(), plan.keep, false);
    } else if (!copied) {
        // A large file is read piece by piece, the patches laid over it.
        plat::SysFile& file = plan.file;
        const std::vector<plat::BytePatch>& patches = plan.patches;
        wrote = plan.output.WriteFrom(
            plan.target, plan.keep,
            [&](int64_t pos, int64_t n, std::vector<uint8_t>& scratch) -> const uint8_t* {
                scratch.resize(static_cast<size_t>(n));
                return file.ReadAt(pos, scratch.data(), n) && plat::LayPatches(scratch.data(), pos, n, patches)
                           ? scratch.data()
                           : nullptr;
            },
            false);
        // What was written is what was read: the same length and time after it.
        wrote = wrote && file.Size() == len && file.ModTime() == plan.modTime;
        if (!wrote) plan.output.Drop();
    }
    plan.file.Close();
    if (!wrote) plan.failure = "not written: cannot write " + plan.target;
}

// Writes what a plan holds: the changed bytes into the file itself, or the
// written copy put in place in the output folder.
Outcome CommitOne(Plan& plan, Batch& batch, std::string& line) {
    const StripGpsOptions& opt = batch.opt;
    if (!plan.failure.empty()) {
        line = plan.failure;
        return Outcome::Failed;
    }
    if (opt.inPlace) {
        const bool changes = !plan.patches.empty() || plan.keep < plan.bytes.Length();
        if (changes && !PatchInPlace(plan, opt.keepTime)) {
            line = "not written: the file could not be patched or changed meanwhile";
            return Outcome::Failed;
        }
        line = plan.what;
        return Outcome::Done;
    }
    const std::string& target = plan.target;
    // A name the file system takes for an output already written in this
    // batch (another letter case, say) would overwrite it.
    plat::FileId id;
    if (plat::SysFileIdOf(target, id))
        for (const plat::FileId& w : batch.written)
            if (w == id) {
                plan.output.Drop();
                line = "not written: " + target + " is an output already written in this batch";
                return Outcome::Clash;
            }
    if (!plan.output.Place()) {
        line = "not written: cannot write " + target;
        return Outcome::Failed;
    }
    batch.wroteAny = true;
    batch.written.push_back(plan.output.Id());
    line = plan.what + " -> " + target;
    return Outcome::Done;
}

// Commits a plan made on another thread. A photo patched in place that
// changed since it was read (another name of a file patched earlier in the
// batch, say) is read and cleaned again, as a batch run one by one would.
Outcome FinishOne(const std::string& arg, Plan& plan, Batch& batch, std::string& line) {
    const Outcome o = CommitOne(plan, batch, line);
    if (o != Outcome::Failed || !batch.opt.inPlace || plan.patches.empty()) return o;
    Plan fresh;
    PlanOne(arg, batch.opt, fresh);
    return CommitOne(fresh, batch, line);
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
            if (!opt.inPlace && plan->failure.empty()) WriteOutput(name, opt, *plan);
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
