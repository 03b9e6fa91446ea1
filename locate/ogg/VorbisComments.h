// Vorbis comments, the tags of Ogg streams (Vorbis, Opus, Theora, Speex,
// FLAC in Ogg) and of FLAC files: a vendor string, a count, then entries
// "NAME=value", each after its 32-bit little-endian length. FFmpeg carries
// a phone clip's position over as "LOCATION=+35.6586+139.7454/".
//
// A value is a position when its name holds GPS, ISO6709, LATITUDE,
// LONGITUDE or COORDINATES, or when it names a coordinate (an ISO 6709
// string, or words as a caption's: a title or comment "Lat: 35.6586 Lon:
// 139.7454"), and a LOCATION whose value is coordinates, damaged or not
// (PlaceHoldsCoordinate); otherwise a LOCATION (as the format means it,
// where a track was recorded) and a location's name, body or note are
// place names. Another value, and the vendor string, holding a position's
// text cannot be cleaned (the opaque rule). A cover picture
// (METADATA_BLOCK_PICTURE, COVERART: base64) is walked as the file it is;
// a position there cannot be cleaned in its text.
#pragma once
#include "locate/Find.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CommentValue {
    FindKind kind = FindKind::Location;  // Location, PlaceName, or Unparsed (not removable)
    FindWhy why = FindWhy::None;         // for Unparsed
    int64_t off = 0, len = 0;            // the value, in the bytes read
    std::string name;                    // the comment's name ("vendor" for the vendor string)
};

// Finds what the comments at p (n bytes) hold. `picture` walks a cover
// picture's bytes and is true when they hold a position. False when the
// lengths run past the n bytes; `out` then holds what the comments before
// that hold.
bool ScanVorbisComments(const uint8_t* p, int64_t n, bool placeNames,
                        const std::function<bool(const std::vector<uint8_t>&)>& picture,
                        std::vector<CommentValue>& out);
