#include "cli/StripGps.h"

#include "cli/ReadNamed.h"
#include "exif/Locator.h"
#include "platform/SysFile.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace {

enum class Outcome { Done, Failed, Clash };

struct Batch {
    const StripGpsOptions& opt;
    std::vector<plat::FileId> written;  // outputs of this batch, for clashes
    bool wroteAny = false;
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

Outcome StripOne(const std::string& arg, Batch& batch, std::string& line) {
    const StripGpsOptions& opt = batch.opt;
    plat::SysFile f;
    FileBytes content;
    const ReadStatus st = ReadNamedFile(arg, content, &f, opt.inPlace);
    if (st != ReadStatus::Ok) {
        line = std::string("not written: ") + ReadStatusText(st);
        return Outcome::Failed;
    }
    const int64_t modTime = f.ModTime();
    const int64_t len = static_cast<int64_t>(content.size());
    LocateResult found;
    LocatePositions(ByteReader(content.data(), len), found);
    for (const PositionFind& p : found.finds)
        if (!p.removable) {
            line = std::string("not written: cannot be made clean: ") + p.why + " (" +
                   DescribeFinds({p}) + "); do not share it";
            return Outcome::Failed;
        }
    FileBytes cleaned = content;
    if (!found.Clean()) {
        // The result is checked by a second walk before anything is written.
        LocateResult again;
        const bool stripped = StripPositions(cleaned.data(), len, found, ModeOf(opt));
        if (stripped) LocatePositions(ByteReader(cleaned.data(), len), again);
        if (!stripped || !again.Clean()) {
            line = "not written: a position would remain (" + DescribeFinds(found.finds) +
                   "); do not share it";
            return Outcome::Failed;
        }
    }
    const std::string what =
        found.Clean() ? std::string("nothing to remove") : "removed " + DescribeFinds(found.finds);
    if (opt.inPlace) {
        if (!found.Clean() && !PatchInPlace(f, content, cleaned, modTime, opt.keepTime)) {
            line = "not written: the file could not be patched or changed meanwhile";
            return Outcome::Failed;
        }
        line = what;
        return Outcome::Done;
    }
    f.Close();
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
    if (!plat::SysWriteFileSafely(target, cleaned.data(), len, false)) {
        line = "not written: cannot write " + target;
        return Outcome::Failed;
    }
    batch.wroteAny = true;
    if (plat::SysFileIdOf(target, id)) batch.written.push_back(id);
    line = what + " -> " + target;
    return Outcome::Done;
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
    int status = 0;
    for (const std::string& f : files) {
        std::string line;
        const Outcome o = StripOne(f, batch, line);
        if (o == Outcome::Clash) status = 2;
        else if (o == Outcome::Failed && status == 0) status = 1;
        std::printf("%s: %s\n", f.c_str(), line.c_str());
    }
    if (batch.wroteAny && !plat::SysSyncFileSystem(opt.outDir)) {
        std::fprintf(stderr, "tamlix-cli: the written files could not be flushed to the disk\n");
        if (status == 0) status = 1;
    }
    std::fflush(stdout);
    return status;
}
