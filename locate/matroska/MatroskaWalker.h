// Matroska and WebM files: the EBML header, then one or more segments. A
// segment's top-level elements are walked: the tags (`Tags`, each `Tag`'s
// `SimpleTag`s, a name and a string or binary value, nested), where a
// video converted from a phone's keeps its position ("LOCATION":
// "+35.6586+139.7454/"); the attachments, whose files (a cover picture)
// are walked as the containers they are; the frames of the text tracks
// (subtitles and metadata, see TextTracks.h), found block by block in the
// clusters and read as captions, where a drone's clip remuxed from MP4
// keeps its fix in each cue; the clusters of a segment without a text
// track, the cues, the seek index and void space are skipped, never read;
// the segment's title (in its information), each track's name and each
// chapter's title are read as a tag's string; every other element (the
// rest of the information, tracks and chapters) follows the opaque rule.
//
// A tag whose name names a location ("LOCATION", any name holding
// "LOCATION", "GPS" or "ISO6709"), or whose string holds an ISO 6709 string
// or names a coordinate as a caption does, is a find; its string is
// overwritten with spaces. Recording and composition places, and the
// location's name, body and note, are place names, looked for on request. An
// element whose CRC-32 child covers a changed byte gets its CRC written
// anew; one whose CRC is already wrong is left alone, and its finds cannot
// be removed. A binary value naming a location cannot be removed either. A
// caption's frame holding a fix is zeroed (a compressed one is compressed
// anew at its length, holding zeros), and the CRC-32s of its cluster and
// block group written anew.
#pragma once
#include "platform/ByteRange.h"

class Sink;
struct Carrier;

// Walks the Matroska or WebM file in `whole`.
void WalkMatroskaContainer(ByteRange whole, const Carrier& at, Sink& sink);
