// The layer and mask section of a PSD or PSB file: its length (4 bytes, 8
// in a PSB), the layers (a length, the layer records and their channels'
// pixels), the global mask (a length and its data), then tagged blocks
// ("8BIM" or "8B64", a key, a length of 4 bytes, or of 8 for some keys in
// a PSB, the data padded to 4 bytes).
//
// Only the blocks that embed whole files are read: a smart object's file
// ("lnk2", "lnk3", "lnkD", "lnkE"), a list of records, each an 8-byte
// length, a type ("liFD": the file's bytes are here; "liFE", "liFA": a
// link to a file elsewhere), a version, names and a descriptor, then the
// file. A placed photo keeps its Exif and its position there. The file is
// found by its first bytes inside its record and walked as the container
// it is; a record in which no known container starts follows the opaque
// rule. The layers' pixels are not read.
#pragma once
#include <cstdint>

class Sink;
struct Carrier;

// Walks the section starting at `at` (its length field) inside a file
// ending at `end`; `psb` for the large document format.
void WalkPsdLayerSection(int64_t at, int64_t end, bool psb, const Carrier& c, Sink& sink);
