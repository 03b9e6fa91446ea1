// tar archives (POSIX ustar, GNU, pax and the first tar's), as photos are kept together and
// gzipped (.tar.gz: the gzip walker inflates it and this one reads it): a
// 512-byte header per member (its name, its size in octal, its type, a
// checksum), then its data padded to 512 bytes; two zero blocks end it.
//
// Each regular member is walked where it lies (see WalkArchiveMember): no
// checksum covers the data, so its positions are removed in place. The
// headers' names, pax records, GNU long names and the data of members of
// other types follow the opaque rule. A
// sparse member, a header whose checksum is wrong or a size past the end:
// the archive is not taken apart. What follows the end follows the opaque
// rule, zeros aside.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts with a tar header whose checksum holds.
bool StartsTar(const ByteReader& file, int64_t pos, int64_t end);

// Walks the tar archive in `whole`.
void WalkTarContainer(ByteRange whole, const Carrier& at, Sink& sink);
