// Sound stored as bare frames, with no container around them: MPEG audio
// (MP3, MP2) and AAC in ADTS frames, as voice recorders and phones' apps
// write them without a leading ID3 tag, and AMR (the "#!AMR" files older
// phones recorded calls and notes in); and the lossless and other formats
// that keep their tags in an APE tag at the end (WavPack, Monkey's Audio,
// TTA, Musepack), told by their magic. Such a file holds no metadata but
// tags after the sound (ID3v1, APE, an ID3 tag with a footer), which the
// ID3 walker reads; the frames are not read.
#pragma once
#include <cstdint>

class ByteReader;

// True when the file starts with one of those magics, or with MPEG audio or ADTS
// frames whose lengths lead from each to the next (three of them, or as
// many as the file holds): a single sync word is too common a pair of
// bytes to tell a format by.
bool StartsAudioFrames(const ByteReader& file, int64_t pos, int64_t end);
