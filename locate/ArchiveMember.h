// A file an archive keeps as it is (a ZIP archive's stored entry, a tar
// archive's member): walked where it lies as the container it is, or, of
// no known format, read by the opaque rule and, as text, by the rule for
// coordinates a caption names ("Lat: 35.6586").
#pragma once
#include "platform/ByteRange.h"

#include <cstddef>
#include <cstdint>
#include <string>

class Sink;
struct Carrier;

// A member's name as a find's carrier shows it: at most 120 bytes, a
// control character (a line end a crafted name could hold) as '?'.
std::string MemberName(const uint8_t* p, size_t n);

// Walks the member in `data`; gives how many finds it added.
size_t WalkArchiveMember(Sink& sink, ByteRange data, const Carrier& c);
