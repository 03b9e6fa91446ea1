// Matroska's text tracks and the frames of their blocks. A drone's clip
// remuxed into Matroska keeps its caption track ("GPS (139.7454, 35.6586,
// 19)" in each cue), so the frames of subtitle tracks (SubRip, SSA/ASS,
// WebVTT, WebM's `D_WEBVTT/...`) and of metadata tracks are read as
// captions; pictures and sound, and bitmap subtitles, are not.
#pragma once
#include "exif/ByteReader.h"
#include "locate/matroska/Ebml.h"
#include "platform/ByteRange.h"

#include <cstdint>
#include <vector>

struct TextTrack {
    uint64_t number = 0;
    bool pictures = false;    // a Motion JPEG track: each frame a JPEG file, walked as one
    bool zlib = false;        // each frame is a zlib stream (content compression 0)
    bool unreadable = false;  // encrypted, or compressed in another way: its frames cannot be read
};

// The text tracks that the entries of `tracks` (a Tracks element) name,
// and the Motion JPEG tracks (`V_MJPEG`), whose frames are JPEG files that
// may keep the Exif of the photo they were copied from.
std::vector<TextTrack> TextTracksIn(const ByteReader& file, const EbmlElement& tracks);

// A Block's or SimpleBlock's track number. False when it cannot be read.
bool BlockTrack(const ByteReader& file, const EbmlElement& block, uint64_t& track);

// A Block's or SimpleBlock's track number and frames (several when laced).
// False when the block's header or its lacing cannot be read.
bool BlockFrames(const ByteReader& file, const EbmlElement& block, uint64_t& track, std::vector<ByteRange>& frames);
