// Where a track's samples lie in the file: the sample table of a `stbl`
// box (and the track runs of a fragmented file) turned into one file range
// per sample, in decoding order.
//
// Every count and offset is checked against the box that holds it and the
// file before it is used: a sample outside the file, a table that does not
// fit its box, chunks that hold fewer samples than the sizes list, or two
// samples sharing bytes make the answer false, and the caller reports the
// track as one it cannot take apart. At most kMaxSamples samples are
// listed, so that a table cannot ask for more memory than a few hundred
// MiB; the time spent is in proportion to the tables' bytes.
#pragma once
#include "exif/ByteReader.h"
#include "locate/isobmff/Boxes.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <vector>

constexpr int64_t kMaxSamples = int64_t{1} << 23;

// The samples of the track whose sample table is `stbl`: sizes from `stsz`
// or `stz2`, chunks from `stco` or `co64`, samples per chunk from `stsc`.
// Offsets count from `base`, where the ISOBMFF file starts (a motion
// photo's video starts after the picture). `out` is replaced. False when a table is missing or inconsistent, when a
// sample lies outside the file or overlaps another, or when there are more
// than kMaxSamples; `out` is then empty.
bool TrackSamples(const ByteReader& file, const Box& stbl, int64_t base, std::vector<ByteRange>& out);

// The bytes of all samples of the track whose sample table is `stbl`
// (from `stsz` or `stz2` alone, without placing them); false when the
// sizes cannot be read.
bool TrackBytes(const ByteReader& file, const Box& stbl, int64_t& total);

// The samples of track `trackId` in the movie fragments (`moof` boxes at
// the top level of `whole`, usually the whole file), in order; the
// defaults come from `moov`/`mvex`/`trex`, offsets count from whole.pos. `out` is replaced; a file
// without fragments of the track gives true and no sample. False as for
// TrackSamples, and also when a fragment's data cannot be placed.
bool FragmentSamples(const ByteReader& file, ByteRange whole, uint32_t trackId, std::vector<ByteRange>& out);

// True when no two non-empty ranges of `samples` share a byte.
bool SamplesDisjoint(const std::vector<ByteRange>& samples);
