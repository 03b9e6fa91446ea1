// ZIP archives, as photo services export an album and office documents
// keep their pictures: entries (a local header, the data, perhaps a data
// descriptor), then the central directory, which names each entry, and
// its end record (ZIP64's records too), found at the file's end.
//
// Each entry is walked as a file of its own. A stored one is walked where
// it lies: its positions are removed in place and its CRC-32 is written
// anew in its local header, its descriptor and the directory. A deflated
// one (at most 64 MiB, from at most 32 MiB) is inflated and walked; its
// content, positions removed, is compressed anew at the stream's length
// (see RepackHeld) and its CRC-32 and size written anew in each place. An
// entry of no known format (a text, a photo service's JSON sidecar) holds
// a position when its text does (the opaque rule, and coordinates named
// as a caption names them, or as a map's placemark keeps them); such a
// find cannot be removed. An encrypted
// entry, one compressed in another method or too large, and one whose
// sizes only ZIP64 keeps, holding a position: not removable. Names,
// comments and the bytes between entries follow the opaque rule. An
// archive whose directory cannot be read, or whose entries overlap, is
// not taken apart.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts with a ZIP entry's local header, or is an empty
// archive (its end record alone).
bool StartsZip(const ByteReader& file, int64_t pos, int64_t end);

// Walks the ZIP archive in `whole`.
void WalkZipContainer(ByteRange whole, const Carrier& at, Sink& sink);
