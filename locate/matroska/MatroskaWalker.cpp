#include "locate/matroska/MatroskaWalker.h"

#include "locate/Containers.h"
#include "locate/NamedValues.h"
#include "locate/Opaque.h"
#include "locate/Pieces.h"
#include "locate/Sink.h"
#include "locate/matroska/Ebml.h"
#include "locate/matroska/TextTracks.h"
#include "locate/payload/Deflate.h"
#include "locate/payload/TimedGps.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

enum : uint32_t {
    kEbml = 0x1A45DFA3, kSegment = 0x18538067, kCluster = 0x1F43B675, kCues = 0x1C53BB6B,
    kSeekHead = 0x114D9B74, kTags = 0x1254C367, kAttachments = 0x1941A469, kVoid = 0xEC, kCrc32 = 0xBF,
    kTag = 0x7373, kSimpleTag = 0x67C8, kTagName = 0x45A3, kTagString = 0x4487, kTagBinary = 0x4485,
    kAttachedFile = 0x61A7, kFileData = 0x465C, kInfo = 0x1549A966, kTracks = 0x1654AE6B, kChapters = 0x1043A770,
    kSimpleBlock = 0xA3, kBlockGroup = 0xA0, kBlock = 0xA1, kTitle = 0x7BA9, kTrackEntry = 0xAE, kName = 0x536E,
    kEditionEntry = 0x45B9, kChapterAtom = 0xB6, kChapterDisplay = 0x80, kChapString = 0x85,
    kSeek = 0x4DBB, kCuePoint = 0xBB,
};

// The top-level elements of a segment: an element of unknown size (a
// cluster written live) ends where one of these starts.
bool TopLevel(uint32_t id) {
    return id == kCluster || id == kCues || id == kSeekHead || id == kTags || id == kAttachments ||
           id == kInfo || id == kTracks || id == kChapters || id == kSegment || id == kEbml;
}

constexpr int kMaxDepth = 16;  // SimpleTags nest; no writer goes this deep
// More text frames than any clip holds (a drone writes a caption a frame):
// a segment's text tracks past this are not taken apart.
constexpr size_t kMaxTextFrames = size_t{1} << 20;
constexpr int64_t kMaxInflatedFrame = int64_t{1} << 20;

// An element of type `id` at pos whose data may run past `end`, as the last
// ones do in a file cut short (a download, a recording stopped by a full
// card): it is taken to end there.
bool ReadCut(const ByteReader& f, int64_t pos, int64_t end, uint32_t id, EbmlElement& e) {
    if (ReadEbml(f, pos, end, e)) return e.id == id;
    if (!ReadEbml(f, pos, INT64_MAX, e) || e.id != id || e.data > end) return false;
    e.end = end;
    return true;
}

// A master element's CRC-32: its first child, covering the data after it.
struct Crc {
    int64_t at = -1;  // where its 4 bytes lie (little-endian)
    ByteRange covered;
};

// True when the stored CRC is the covered bytes' (read piece by piece: an
// element of attachments may be large).
bool CrcRight(const ByteReader& f, const Crc& crc) {
    uint32_t stored = 0;
    if (!f.U32(crc.at, stored)) return false;
    uLong sum = crc32(0L, Z_NULL, 0);
    const bool read = crc.covered.len == 0 || ForEachPiece(f, crc.covered.pos, crc.covered.len, 0,
                                                           [&](const uint8_t* p, int64_t at, int64_t n) {
        sum = crc32(sum, p, static_cast<uInt>(n));
        return at + n >= crc.covered.End();
    });
    return read && static_cast<uint32_t>(sum) == stored;
}

// A text track's frame and the CRC-32s (indices into Walk::frameCrcs, -1
// for none) of the cluster and the block group around it.
struct Frame {
    ByteRange r;
    int crcs[2] = {-1, -1};
    bool laced = true;  // false: the block's lacing cannot be read, the frame runs from its flags on
};

struct Walk {
    Sink& sink;
    const ByteReader& f;
    std::vector<Crc> crcs;  // of the masters around the element being walked
    // Of the segment being walked: its text tracks, its clusters (read for
    // those tracks' frames only) and the CRC-32s around the frames.
    std::vector<TextTrack> texts;
    std::vector<EbmlElement> clusters;
    std::vector<Crc> frameCrcs;
    std::vector<int64_t> walked;  // where the top-level elements walked start

    void Opaque(ByteRange r, const Carrier& c) {
        if (r.len > 0) sink.Opaque(r, FindKind::Unparsed, FindWhy::ElementsUnparsed, FindWhy::ElementsUnparsed, c);
    }

    // Calls `child` for each child of `m`, then `done`, with a CRC-32 first
    // child on the chain meanwhile; bytes no child explains follow the
    // opaque rule.
    template <class F, class G = void (*)()>
    void Children(const EbmlElement& m, const Carrier& c, F child, G done = [] {}) {
        int64_t p = m.data;
        EbmlElement e;
        const size_t crcs0 = crcs.size();
        if (ReadEbml(f, p, m.end, e) && e.id == kCrc32 && e.end - e.data == 4 && !e.unknownSize) {
            crcs.push_back({e.data, {e.end, m.end - e.end}});
            p = e.end;
        }
        while (p < m.end && ReadEbml(f, p, m.end, e) && !e.unknownSize) {
            child(e);
            p = e.end;
        }
        Opaque({p, m.end - p}, c);
        done();
        crcs.resize(crcs0);
    }

    void SimpleTag(const EbmlElement& st, const Carrier& c, int depth) {
        std::string name;
        ByteRange text{-1, 0}, binary{-1, 0};
        std::vector<EbmlElement> nested;
        const auto child = [&](const EbmlElement& e) {
            const ByteRange data{e.data, e.end - e.data};
            if (e.id == kTagName) {
                // Names are short; a string may be padded with zeros.
                const int64_t n = std::min<int64_t>(data.len, 256);
                if (const uint8_t* p = f.Span(data.pos, n); p != nullptr)
                    for (int64_t i = 0; i < n && p[i] != 0; ++i)
                        name += static_cast<char>(p[i] >= 'a' && p[i] <= 'z' ? p[i] - 32 : p[i]);
            } else if (e.id == kTagString) {
                text = data;
            } else if (e.id == kTagBinary) {
                binary = data;
            } else if (e.id == kSimpleTag) {
                nested.push_back(e);
            } else if (e.id != 0x447A && e.id != 0x447B && e.id != 0x4484 && e.id != kVoid) {  // language, default
                Opaque(data, c);
            }
        };
        // The value and the nested tags are judged with the tag's own CRC
        // still on the chain.
        Children(st, c, child, [&] {
            const Carrier at = c.Then(name.empty() ? "SimpleTag" : name);
            const ByteRange value = text.pos >= 0 ? text : binary;
            if (value.pos >= 0 && !Blank(f, value.pos, value.len)) Value(name, text, value, at);
            for (const EbmlElement& e : nested) {
                if (depth + 1 >= kMaxDepth) Opaque({e.pos, e.end - e.pos}, at);
                else SimpleTag(e, at, depth + 1);
            }
        });
    }

    // True when the string at r names a coordinate as a caption does, or
    // holds an ISO 6709 string (read whole up to 1 MiB).
    bool NamesCoordinate(ByteRange r) {
        const uint8_t* p = TextSpan(f, r);
        return p != nullptr && TextNamesCoordinate(p, r.len);
    }

    // A tag's value: a find when its name names a location or a place (on
    // request), or it holds an ISO 6709 string or names a coordinate as a
    // caption does; otherwise it follows the opaque rule.
    void Value(const std::string& name, ByteRange text, ByteRange value, const Carrier& at) {
        auto ends = [&](const std::string& s) {
            return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
        };
        auto has = [&](const char* s) { return name.find(s) != std::string::npos; };
        const bool place = name == "RECORDING_LOCATION" || name == "COMPOSITION_LOCATION" ||
                           ends(".LOCATION.NAME") || ends(".LOCATION.BODY") || ends(".LOCATION.NOTE");
        const OpaqueText holds = OpaqueHolds(f, value.pos, value.len);
        const bool position = (!place && (has("LOCATION") || has("GPS") || has("ISO6709"))) ||
                              holds == OpaqueText::Iso6709 || NamesCoordinate(text);
        if (!position && !(place && sink.PlaceNames())) {
            Opaque(value, at);
            return;
        }
        const bool crcsRight = std::all_of(crcs.begin(), crcs.end(), [&](const Crc& crc) { return CrcRight(f, crc); });
        PositionFind found(position ? FindKind::Location : FindKind::PlaceName, value.pos, text.pos >= 0 && crcsRight,
                           text.pos < 0 ? FindWhy::LocationUnreadable
                           : !crcsRight ? FindWhy::ElementCrcWrong : FindWhy::None);
        found.len = value.len;
        StripPlan plan;
        if (found.removable) {
            plan.fills.push_back({plan.AddMap(ContentMap(text)), 0, text.len, ' ', {}});
            for (const Crc& crc : crcs)
                plan.fixUps.push_back({StripFixUp::kCrc32Le, plan.AddMap(ContentMap(crc.covered)), {crc.at}});
        }
        sink.AddPayload({found}, plan, at);
    }

    // A container nested under elements with a CRC (an attached picture)
    // was cleaned by its own walker's plan: the CRCs are written anew after
    // it, or, where one is already wrong, its finds cannot be removed.
    void CrcsAfterNested(size_t firstFind) {
        std::vector<PositionFind>& finds = sink.Result().finds;
        if (finds.size() == firstFind || crcs.empty()) return;
        if (std::all_of(crcs.begin(), crcs.end(), [&](const Crc& crc) { return CrcRight(f, crc); })) {
            StripPlan plan;
            for (const Crc& crc : crcs)
                plan.fixUps.push_back({StripFixUp::kCrc32Le, plan.AddMap(ContentMap(crc.covered)), {crc.at}});
            sink.Result().plan.Append(plan);
            return;
        }
        for (size_t i = firstFind; i < finds.size(); ++i)
            if (finds[i].removable) finds[i].removable = false, finds[i].why = FindWhy::ElementCrcWrong;
    }

    void Tags(const EbmlElement& tags, const Carrier& c) {
        int n = 0;
        Children(tags, c, [&](const EbmlElement& tag) {
            const Carrier at = c.Then("Tag #" + std::to_string(++n));
            if (tag.id != kTag) return Opaque({tag.pos, tag.end - tag.pos}, at);
            Children(tag, at, [&](const EbmlElement& e) {
                if (e.id == kSimpleTag) SimpleTag(e, at, 0);
                else if (e.id != kVoid) Opaque({e.pos, e.end - e.pos}, at);
            });
        });
    }

    // The children of `m`: a string of type `id` is read as a tag's string
    // named `name` (reported at `at`); the rest follows the opaque rule.
    void TextChildren(const EbmlElement& m, uint32_t id, const std::string& name, const Carrier& c,
                      const Carrier& at) {
        Children(m, c, [&](const EbmlElement& e) {
            const ByteRange data{e.data, e.end - e.data};
            if (e.id == id && !Blank(f, data.pos, data.len)) Value(name, data, data, at);
            else if (e.id != id && e.id != kVoid) Opaque(data, c);
        });
    }

    // The tracks: each track's name (its title) is read as a tag's string
    // is; everything else follows the opaque rule.
    void Tracks(const EbmlElement& tracks, const Carrier& c) {
        int n = 0;
        Children(tracks, c, [&](const EbmlElement& entry) {
            const Carrier at = c.Then("TrackEntry #" + std::to_string(++n));
            if (entry.id != kTrackEntry) return Opaque({entry.pos, entry.end - entry.pos}, at);
            TextChildren(entry, kName, "NAME", at, at.Then("Name"));
        });
    }

    // The chapters: each chapter's title (a string of its displays;
    // chapters nest) is read as a tag's string is; everything else follows
    // the opaque rule.
    void Chapters(const EbmlElement& m, const Carrier& c, int depth) {
        Children(m, c, [&](const EbmlElement& e) {
            const bool nests = e.id == kEditionEntry || e.id == kChapterAtom;
            if (e.id == kChapterDisplay) TextChildren(e, kChapString, "ChapString", c, c);
            else if (nests && depth + 1 < kMaxDepth) Chapters(e, c, depth + 1);
            else if (e.id != kVoid) Opaque({e.data, e.end - e.data}, c);
        });
    }

    void Attachments(const EbmlElement& list, const Carrier& c) {
        int n = 0;
        Children(list, c, [&](const EbmlElement& file) {
            const Carrier at = c.Then("AttachedFile #" + std::to_string(++n));
            if (file.id != kAttachedFile) return Opaque({file.pos, file.end - file.pos}, at);
            Children(file, at, [&](const EbmlElement& e) {
                const ByteRange data{e.data, e.end - e.data};
                const size_t before = sink.Result().finds.size();
                if (e.id != kFileData || !sink.FileAt(data, at)) return Opaque({e.pos, e.end - e.pos}, at);
                CrcsAfterNested(before);
            });
        });
    }

    // Where a cluster of unknown size ends: at the first element that
    // cannot be its child, or where the segment does.
    int64_t ClusterEnd(const EbmlElement& cluster) {
        int64_t p = cluster.data;
        EbmlElement e;
        while (p < cluster.end && ReadEbml(f, p, cluster.end, e) && !e.unknownSize && !TopLevel(e.id)) p = e.end;
        return p;
    }

    // A top-level element of a segment.
    void TopElement(const EbmlElement& e, const Carrier& c) {
        const Carrier at = c.Then(Name(e.id));
        switch (e.id) {
        case kCluster: clusters.push_back(e); break;
        case kCues: case kSeekHead: Index(e, at); break;
        case kVoid: case kCrc32: break;
        case kTags: Tags(e, at); break;
        case kTracks:
            Tracks(e, at);
            for (const TextTrack& t : TextTracksIn(f, e))
                if (std::none_of(texts.begin(), texts.end(), [&](const TextTrack& o) { return o.number == t.number; }))
                    texts.push_back(t);
            break;
        case kAttachments: Attachments(e, at); break;
        case kInfo: TextChildren(e, kTitle, "TITLE", at, at.Then("Title")); break;  // where FFmpeg puts a title
        case kChapters: Chapters(e, at, 0); break;
        default: Opaque({e.pos, e.end - e.pos}, at);
        }
    }

    // A seek index or the cues: their entries say nothing of a place. A
    // size damaged past the elements after it leaves those inside, where
    // lenient readers still find them; they are walked as top-level ones.
    // Anything else follows the opaque rule (an index inside is not
    // descended into, which bounds the nesting).
    void Index(const EbmlElement& index, const Carrier& c) {
        const uint32_t entry = index.id == kSeekHead ? kSeek : kCuePoint;
        Children(index, c, [&](const EbmlElement& e) {
            if (e.id == entry || e.id == kVoid) return;
            if (TopLevel(e.id) && e.id != kSeekHead && e.id != kCues && e.id != kSegment && e.id != kEbml) {
                walked.push_back(e.pos);
                TopElement(e, c);
            } else {
                Opaque({e.pos, e.end - e.pos}, c);
            }
        });
    }

    void Segment(const EbmlElement& seg, const Carrier& c) {
        std::vector<int64_t> seekHeads;
        int64_t p = seg.data;
        EbmlElement e;
        while (p < seg.end) {
            if (!ReadEbml(f, p, seg.end, e) && !ReadCut(f, p, seg.end, kCluster, e)) break;
            if (e.unknownSize) {
                if (e.id != kCluster) break;
                e.end = ClusterEnd(e);
            }
            walked.push_back(e.pos);
            if (e.id == kSeekHead) seekHeads.push_back(e.pos);
            TopElement(e, c);
            p = e.end;
        }
        Opaque({p, seg.end - p}, c.Then("after the elements"));
        Sought(seg, seekHeads, c);
        TextFrames(c);
        texts.clear(), clusters.clear(), frameCrcs.clear(), walked.clear();
    }

    // The frames of the text tracks, read block by block through every
    // cluster; a segment without a text track is not read past its
    // clusters' headers.
    void TextFrames(const Carrier& c) {
        if (texts.empty()) return;
        std::map<uint64_t, std::vector<Frame>> frames;
        for (const TextTrack& t : texts) frames[t.number];
        int64_t tooMany = -1;
        size_t count = 0;
        for (const EbmlElement& cl : clusters)
            if (!Blocks(cl, -1, false, frames, count, tooMany)) break;
        for (const TextTrack& t : texts) {
            const Carrier at = c.Then("text track " + std::to_string(t.number));
            if (tooMany >= 0) {
                PositionFind found(FindKind::TimedGps, tooMany, false, FindWhy::TimedGpsUnreadable);
                sink.Add(found, at);
                return;
            }
            if (frames[t.number].empty()) continue;
            if (t.pictures) PictureFrames(t, frames[t.number], c.Then("video track " + std::to_string(t.number)));
            else TextTrackFrames(t, frames[t.number], at);
        }
    }

    // The blocks of a cluster (or of a block group in it, `group`): each
    // text track's frames, with the CRC-32s around them; `count` adds them
    // up. False once more frames than believed were met (`tooMany` gets
    // where).
    bool Blocks(const EbmlElement& m, int outer, bool group, std::map<uint64_t, std::vector<Frame>>& out,
                size_t& count, int64_t& tooMany) {
        int own = -1;
        uint64_t track = 0;
        std::vector<ByteRange> laces;
        EbmlElement e;
        for (int64_t p = m.data; p < m.end && ReadEbml(f, p, m.end, e) && !e.unknownSize; p = e.end) {
            if (p == m.data && e.id == kCrc32 && e.end - e.data == 4) {
                own = static_cast<int>(frameCrcs.size());
                frameCrcs.push_back({e.data, {e.end, m.end - e.end}});
            } else if (e.id == kBlockGroup && !group) {
                if (!Blocks(e, own, true, out, count, tooMany)) return false;
            } else if ((e.id == kSimpleBlock && !group) || (e.id == kBlock && group)) {
                const auto it = BlockTrack(f, e, track) ? out.find(track) : out.end();
                if (it == out.end()) continue;
                const int around[2] = {group ? outer : own, group ? own : -1};
                const bool laced = BlockFrames(f, e, track, laces);
                if (!laced) {
                    // Taken as one frame after the header, which cannot be cleaned.
                    int len = 0;
                    const int64_t from = ReadEbmlNumber(f, e.data, e.end, len, track) ? e.data + len + 3 : e.end;
                    laces.assign(1, {std::min(from, e.end), e.end - std::min(from, e.end)});
                }
                for (const ByteRange& r : laces)
                    if (r.len > 0) it->second.push_back({r, {around[0], around[1]}, laced}), ++count;
                if (count > kMaxTextFrames) {
                    tooMany = e.pos;
                    return false;
                }
            }
        }
        return true;
    }

    // A Motion JPEG track's frames, each that is a JPEG file walked as one.
    // Where a frame's removal changes bytes under CRC-32 elements, they are
    // written anew; where one of them is already wrong, its finds cannot
    // be removed (the CRC is left alone).
    void PictureFrames(const TextTrack& t, const std::vector<Frame>& frames, const Carrier& at) {
        if (t.zlib || t.unreadable) return;  // compressed frames, as pictures' data, are not read
        for (size_t i = 0; i < frames.size(); ++i) {
            const Frame& fr = frames[i];
            if (!fr.laced || !JpegFileAt(f, fr.r)) continue;
            Sink::Around around;
            around.why = FindWhy::ElementCrcWrong;
            for (int k : fr.crcs)
                if (k >= 0) {
                    const Crc& crc = frameCrcs[static_cast<size_t>(k)];
                    around.intact = around.intact && CrcRight(f, crc);
                    around.fixUps.fixUps.push_back(
                        {StripFixUp::kCrc32Le, around.fixUps.AddMap(ContentMap(crc.covered)), {crc.at}});
                }
            sink.Nested(Container::Jpeg, fr.r, at.Then("frame " + std::to_string(i + 1)), around);
        }
    }

    // One text track's frames, read as captions. A zlib-compressed frame
    // holding a fix is compressed anew at its length with its text zeroed.
    void TextTrackFrames(const TextTrack& t, const std::vector<Frame>& frames, const Carrier& at) {
        std::vector<PositionFind> finds;
        StripPlan plan;
        std::vector<int> changed;  // the frames whose bytes the plan writes
        auto unremovable = [&](const Frame& fr, FindWhy why) {
            PositionFind found(FindKind::TimedGps, fr.r.pos, false, why);
            found.len = fr.r.len;
            finds.assign(1, found);
            plan = {};
        };
        if (t.unreadable) {
            unremovable(frames.front(), FindWhy::TimedGpsUnreadable);
        } else if (!t.zlib) {
            std::vector<ByteRange> samples;
            for (const Frame& fr : frames) samples.push_back(fr.r);
            TimedGpsScan scan = ScanTimedGps(f, TimedFormat::PlainText, samples);
            finds = std::move(scan.finds);
            plan = std::move(scan.plan);
            // The frames the zeros fall in (frames side by side in a laced
            // block may be zeroed as one range).
            std::vector<ByteRange> zeroed;
            for (const StripFill& fill : plan.fills)
                for (const ByteRange& r : plan.maps[static_cast<size_t>(fill.map)].FileRanges(fill.off, fill.len))
                    zeroed.push_back(r);
            const auto byPos = [](const ByteRange& a, const ByteRange& b) { return a.pos < b.pos; };
            std::sort(zeroed.begin(), zeroed.end(), byPos);
            for (size_t i = 0; !finds.empty() && finds[0].removable && i < frames.size(); ++i) {
                const ByteRange one{frames[i].r.pos, 0};
                const auto after = std::upper_bound(zeroed.begin(), zeroed.end(), one, byPos);
                if (after == zeroed.begin() || std::prev(after)->End() <= frames[i].r.pos) continue;
                if (!frames[i].laced) unremovable(frames[i], FindWhy::TimedGpsUnreadable);
                else changed.push_back(static_cast<int>(i));
            }
        } else {
            std::vector<uint8_t> text, packed;
            for (size_t i = 0; i < frames.size(); ++i) {
                const Frame& fr = frames[i];
                const uint8_t* p = f.Span(fr.r.pos, fr.r.len);
                if (p == nullptr || !Inflate(p, fr.r.len, Deflated::Zlib, kMaxInflatedFrame, text)) {
                    unremovable(fr, FindWhy::CompressedUnreadable);
                    break;
                }
                if (!StreamDataHoldsFix(text.data(), static_cast<int64_t>(text.size()))) continue;
                if (!fr.laced ||
                    !DeflateToLength(std::vector<uint8_t>(text.size(), 0), Deflated::Zlib, fr.r.len, 0, packed)) {
                    unremovable(fr, fr.laced ? FindWhy::CompressedDoesNotFit : FindWhy::TimedGpsUnreadable);
                    break;
                }
                if (finds.empty()) {
                    finds.push_back(PositionFind(FindKind::TimedGps, fr.r.pos, true));
                    finds[0].len = fr.r.len;
                }
                const std::string bytes(packed.begin(), packed.end());
                plan.fills.push_back({plan.AddMap(ContentMap(fr.r)), 0, fr.r.len, 0, bytes});
                changed.push_back(static_cast<int>(i));
            }
        }
        if (!finds.empty() && finds[0].removable) {
            // The clusters' and block groups' CRC-32s over a changed frame
            // are written anew; one already wrong leaves the track alone.
            std::vector<int> crcIdx;
            for (int i : changed)
                for (int k : frames[static_cast<size_t>(i)].crcs)
                    if (k >= 0 && std::find(crcIdx.begin(), crcIdx.end(), k) == crcIdx.end()) crcIdx.push_back(k);
            for (int k : crcIdx) {
                const Crc& crc = frameCrcs[static_cast<size_t>(k)];
                if (!CrcRight(f, crc)) {
                    finds[0].removable = false, finds[0].why = FindWhy::ElementCrcWrong;
                    plan = {};
                    break;
                }
                plan.fixUps.push_back({StripFixUp::kCrc32Le, plan.AddMap(ContentMap(crc.covered)), {crc.at}});
            }
        }
        Add(finds, plan, at);
    }

    void Add(const std::vector<PositionFind>& finds, const StripPlan& plan, const Carrier& at) {
        if (!finds.empty()) sink.AddPayload(finds, plan, at);
    }

    // Players find the tags and attachments through the seek index, which
    // names their places from the segment's data: an element it names that
    // the walk did not meet (inside a cluster's claimed bytes, say) is
    // walked where it lies. So is a further seek index it names.
    void Sought(const EbmlElement& seg, std::vector<int64_t> heads, const Carrier& c) {
        constexpr size_t kMaxHeads = 8;
        for (size_t h = 0; h < heads.size() && h < kMaxHeads; ++h) {
            EbmlElement head, seek, field;
            if (!ReadEbml(f, heads[h], seg.end, head)) continue;
            for (int64_t q = head.data; q < head.end && ReadEbml(f, q, head.end, seek); q = seek.end) {
                uint64_t target = 0;
                uint8_t b = 0;
                bool hasPos = false;
                for (int64_t r = seek.data; r < seek.end && ReadEbml(f, r, seek.end, field); r = field.end)
                    if (field.id == 0x53AC && field.end - field.data <= 8) {
                        hasPos = true;
                        for (int64_t i = field.data; i < field.end && f.U8(i, b); ++i) target = target << 8 | b;
                    }
                if (!hasPos || target >= static_cast<uint64_t>(seg.end - seg.data)) continue;
                const int64_t at = seg.data + static_cast<int64_t>(target);
                EbmlElement e;
                if (std::find(walked.begin(), walked.end(), at) != walked.end() || !ReadEbml(f, at, seg.end, e) ||
                    e.unknownSize)
                    continue;
                walked.push_back(at);
                if (e.id == kSeekHead) heads.push_back(at);
                else TopElement(e, c.Then("sought"));
            }
        }
    }

    static std::string Name(uint32_t id) {
        switch (id) {
        case kTags: return "Tags";
        case kSeekHead: return "SeekHead";
        case kCues: return "Cues";
        case kAttachments: return "Attachments";
        case kInfo: return "Info";
        case kTracks: return "Tracks";
        case kChapters: return "Chapters";
        default: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%X", id);
            return hex;
        }
        }
    }
};

}  // namespace

void WalkMatroskaContainer(ByteRange whole, const Carrier& at, Sink& sink) {
    const ByteReader le = sink.File().WithOrder(ByteReader::kLittleEndian);
    Walk w{sink, le, {}, {}, {}, {}, {}};
    EbmlElement e;
    if (!ReadEbml(le, whole.pos, whole.End(), e) || e.id != kEbml || e.unknownSize) {
        sink.NotTakenApart(whole, at);
        return;
    }
    int64_t p = e.end;
    for (int n = 1; p < whole.End() && ReadCut(le, p, whole.End(), kSegment, e); ++n) {
        w.Segment(e, at.Then("Segment #" + std::to_string(n)));
        p = e.end;
    }
    if (p < whole.End()) sink.AfterEnd({p, whole.End() - p}, whole.End() == le.Length(), at);
}
