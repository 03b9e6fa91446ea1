// The marker segments of one JPEG picture, walked as a decoder walks them:
// from SOI through every segment, across the entropy-coded data of each
// scan, to EOI. Stray bytes between segments are skipped up to the next
// marker, as a decoder resynchronises; the skipped bytes are recorded.
#pragma once
#include "exif/ByteReader.h"

#include <cstdint>
#include <vector>

struct JpegSegment {
    uint8_t marker;       // the byte after 0xFF (0xE1 for APP1, ...)
    int64_t pos;          // file offset of the 0xFF
    int64_t payload;      // file offset of the bytes after the length field
    int64_t payloadLen;   // declared length - 2, cut to the picture's bound
};

struct ByteRange {
    int64_t pos;
    int64_t len;
};

struct JpegPicture {
    int64_t start = -1;                 // offset of the SOI
    int64_t end = -1;                   // one past EOI; -1 when no EOI was reached
    std::vector<JpegSegment> segments;  // every segment with a length, SOS included
    std::vector<ByteRange> skipped;     // stray bytes skipped to find a marker
    bool truncated = false;             // a segment runs past the bound
};

// Walks the picture whose SOI lies at `start`, reading no byte at or after
// `bound` (the file's length, or the end an index gives the picture).
// With `headOnly` the walk stops after the first scan's header (its end is
// then not known). False when `start` does not hold an SOI.
bool WalkJpeg(const ByteReader& file, int64_t start, int64_t bound, JpegPicture& out,
              bool headOnly = false);

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

// True when the n bytes at pos contain the text "GPS".
bool HoldsGpsText(const ByteReader& file, int64_t pos, int64_t n);
