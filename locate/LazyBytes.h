// A file's bytes brought into one buffer of the file's length as a reader
// asks for them, in blocks: a walk that touches only the metadata reads
// only the blocks that hold it. Bytes of blocks not yet brought are never
// handed out, so what a walk sees is exactly what a whole-file read gives.
//
// A file too large to hold (a video of several GiB) is read into address
// space whose pages take memory only while they hold bytes: with a budget,
// the blocks brought longest ago are given back once more than the budget
// is held, and brought again when asked for. A pointer into the buffer then
// stays good until bytes past the budget are brought after it, so a walk
// asks for what it uses at once (a long search goes piece by piece, see
// ForEachPiece). Pinned blocks (those a strip writes into) are never given
// back.
#pragma once
#include "exif/ByteReader.h"

#include <cstdint>
#include <functional>
#include <vector>

class LazyBytes final : public ByteSource {
public:
    // Fills `dst` with the n bytes of the file at pos; false on failure.
    using ReadFn = std::function<bool(int64_t pos, uint8_t* dst, int64_t n)>;

    static constexpr int kBlockShift = 12;  // blocks of 4 KiB
    static constexpr int64_t kBlock = int64_t{1} << kBlockShift;
    // The first miss brings at least this many blocks (4 KiB, which holds
    // the metadata of most photos); each further miss brings twice as many
    // as the one before, up to kMaxReadAhead. A walk that keeps missing
    // (chunk headers a few KiB apart, a long Exif block) asks the system a
    // few times rather than for every block, and a walk that is done after
    // its first read copies little: for a folder of photos the copying of
    // bytes from the system's cache is most of the time.
    static constexpr int64_t kReadAheadBlocks = 1;
    static constexpr int64_t kReadAhead = kReadAheadBlocks * kBlock;
    static constexpr int64_t kMaxReadAhead = int64_t{256} << 10;

    // Starts over on a file of `len` bytes held in `buf` (len bytes long;
    // its previous content is never shown). Other block sizes are for tests.
    void Reset(uint8_t* buf, int64_t len, ReadFn read, int blockShift = kBlockShift,
               int64_t readAheadBlocks = kReadAheadBlocks);

    bool Bring(int64_t pos, int64_t n) override {
        return (pos >= 0 && n >= 0 && pos <= m_prefix - n) || (pos >= m_near && n >= 0 && pos <= m_nearEnd - n) ||
               BringMissing(pos, n);
    }
    // Brings the whole file in one read.
    bool BringAll() { return Bring(0, m_len); }

    // Holds at most `bytes` (besides pinned blocks and the request being
    // served): `commit` makes a range writable before it is read into,
    // `drop` gives a range's memory back.
    using CommitFn = std::function<bool(int64_t pos, int64_t n)>;
    using DropFn = std::function<void(int64_t pos, int64_t n)>;
    void SetBudget(int64_t bytes, CommitFn commit, DropFn drop);
    bool Budgeted() const { return m_budget > 0; }
    // Brings [pos, pos+n) and keeps it for good; false when it cannot.
    bool Pin(int64_t pos, int64_t n);
    // The most bytes held at once so far.
    int64_t PeakHeld() const { return m_peak; }

    // A reader over the file that brings what it touches.
    ByteReader Reader() { return ByteReader(m_buf, m_len, ByteReader::kLittleEndian, this); }

    const uint8_t* Data() const { return m_buf; }
    // The buffer to clean in: only bytes brought (and, with a budget,
    // pinned) may be written.
    uint8_t* Writable() { return m_buf; }
    int64_t Length() const { return m_len; }

    // True once a read failed: the answers of the walk are then not the file's.
    bool Failed() const { return m_failed; }
    // How many bytes from the start are all in memory (0 with a budget:
    // every request then goes through the budget's bookkeeping).
    int64_t PresentPrefix() const { return m_prefix; }
    // How many bytes were read from the file.
    int64_t BytesRead() const { return m_read; }

private:
    bool BringMissing(int64_t pos, int64_t n);
    void Used(int64_t first, int64_t last);
    void GiveBack(size_t newest);

    uint8_t* m_buf = nullptr;
    int m_shift = kBlockShift;
    int64_t m_readAhead = kReadAheadBlocks;  // blocks the next miss brings at least
    int64_t m_firstReadAhead = kReadAheadBlocks;
    int64_t m_prefix = 0;         // bytes from the start all in memory
    // Without a budget: the blocks around the last request served, all in
    // memory (a walk reads many fields of one IFD or box far from the start).
    int64_t m_near = 0, m_nearEnd = 0;
    int64_t m_len = 0;
    ReadFn m_readFn;
    std::vector<uint8_t> m_have;  // one flag per block
    bool m_failed = false;
    int64_t m_read = 0;
    // With a budget: blocks in the order they were last asked for (an
    // entry whose stamp is not its block's latest is stale), and how many
    // bytes are held.
    struct Use {
        int64_t block;
        uint32_t stamp;
    };
    int64_t m_budget = 0;
    CommitFn m_commit;
    DropFn m_drop;
    std::vector<Use> m_order;  // from m_orderHead on (a deque would take memory for every file)
    size_t m_orderHead = 0;
    std::vector<uint32_t> m_stamp;
    std::vector<uint8_t> m_pinned;
    uint32_t m_tick = 0;
    int64_t m_held = 0;
    int64_t m_peak = 0;
};
