// Subtitle files beside a clip: SubRip (.SRT) and WebVTT (.VTT) text, as
// drones write one next to each video with the aircraft's fix in every
// cue ("[latitude: 35.658600] [longitude: 139.745400]", "GPS(139.7454,
// 35.6586,19)", "HOME(...)"). The whole file is text: blocks of lines
// parted by blank lines, a cue's being an optional number or name, its
// timing ("00:00:01,000 --> 00:00:02,000") and its text. Every line but a
// timing and a number is read as a caption (see StreamDataHoldsFix), a
// block at a time; a block that holds a position has those lines written
// over with spaces (WebVTT's keywords, line ends, numbers and timings
// kept), so the file keeps its length and its cues.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts (after a UTF-8 byte order mark and blank lines)
// with "WEBVTT", or with a cue number and a timing line.
bool StartsSubtitles(const ByteReader& file, int64_t pos, int64_t end);

// Walks the subtitles in `whole`.
void WalkSubtitleContainer(ByteRange whole, const Carrier& at, Sink& sink);
