// The marker segments of one JPEG picture, walked as a decoder walks them:
// from SOI through every segment, across the entropy-coded data of each
// scan, to EOI. Stray bytes between segments are skipped up to the next
// marker, as a decoder resynchronises; the skipped bytes are recorded.
#pragma once
#include "exif/ByteReader.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <utility>
#include <vector>

struct JpegSegment {
    uint8_t marker;       // the byte after 0xFF (0xE1 for APP1, ...)
    int64_t pos;          // file offset of the 0xFF
    int64_t payload;      // file offset of the bytes after the length field
    int64_t payloadLen;   // declared length - 2, cut to the picture's bound
};


struct JpegPicture {
    int64_t start = -1;                 // offset of the SOI
    int64_t end = -1;                   // one past EOI; -1 when no EOI was reached
    std::vector<JpegSegment> segments;  // every segment with a length, SOS included
    std::vector<ByteRange> skipped;     // stray bytes skipped to find a marker
    bool truncated = false;             // a segment runs past the bound
};

// Where the compressed data of each scan ended in a walk of a file held in
// memory, kept so that a walk of the same file after a few bytes changed
// (a cleaned copy, walked again to check it) need not search unchanged
// data once more. A search is answered from the record only when no
// changed byte lies among the bytes it looked at.
class ScanEnds {
public:
    // A new record takes every search made. From now on searches are
    // answered from it, for content that differs from the recorded one
    // only in `changed` (sorted, disjoint).
    void Replay(std::vector<ByteRange> changed) {
        m_replay = true;
        m_changed = std::move(changed);
    }
    // NextJpegMarker(file, pos, bound, true), from the record when it can.
    int64_t Next(const ByteReader& file, int64_t pos, int64_t bound);

private:
    struct End {
        int64_t pos, bound, next;
    };
    bool Changed(int64_t from, int64_t to) const;

    std::vector<End> m_ends;  // by position
    std::vector<ByteRange> m_changed;
    bool m_replay = false;
};

// Walks the picture whose SOI lies at `start`, reading no byte at or after
// `bound` (the file's length, or the end an index gives the picture).
// With `headOnly` the walk stops after the first scan's header (its end is
// then not known). False when `start` does not hold an SOI.
// `ends`, when given, records or answers the scans' searches. Without
// `soi` the segments start at `start` itself (Exiv2's metadata files hold
// a JPEG's segments after a header of their own).
bool WalkJpeg(const ByteReader& file, int64_t start, int64_t bound, JpegPicture& out,
              bool headOnly = false, ScanEnds* ends = nullptr, bool soi = true);

// The offset of the next marker's 0xFF at or after `pos` and before
// `bound`: the last 0xFF of a run followed by a byte that is neither 0x00
// (a stuffed data byte) nor, when `inScan`, a restart marker. -1 when there
// is none.
int64_t NextJpegMarker(const ByteReader& file, int64_t pos, int64_t bound, bool inScan);

// One past the last EOI marker (0xFF 0xD9) within [from, to), searched
// from the end; -1 when there is none.
int64_t EndOfLastEoi(const ByteReader& file, int64_t from, int64_t to);

// True when the payload of `s` starts with the `n` bytes of `sig`.
bool PayloadStartsWith(const ByteReader& file, const JpegSegment& s, const char* sig, int64_t n);

// Where an APP1 segment's Exif block starts after its identifier, as
// readers take it: "Exif\0" in any letter case and any byte after it, at
// the start or after up to 4 bytes of garbage (some cameras write no
// second zero, one wrote a segment header twice). -1 when it is no Exif.
int64_t ExifBlockStart(const ByteReader& file, const JpegSegment& s);

