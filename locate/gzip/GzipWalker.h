// gzip files (RFC 1952), as SVG drawings are kept compressed (.svgz): a
// header (flags, and optional extra field, file name and comment), a raw
// deflate stream, then the CRC-32 and the length of the content.
//
// The content (at most 64 MiB, from at most 32 MiB of compressed data) is
// inflated and walked as a file of its own. Its positions are removed in
// the content, which is compressed anew at exactly the stream's length (the
// rest filled with stored pad bytes, spaces after text and zeros after
// anything else, as compressed metadata is), and the CRC-32 and length are
// written anew; content whose stripped form does not fit leaves its finds
// not removable. A stream that does not
// inflate, or whose CRC-32 is already wrong, and content of no known format
// leave the file not checked. The header's text follows the opaque rule;
// what follows the first member is data after the end.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts with a gzip member's header (deflate, no
// reserved flag).
bool StartsGzip(const ByteReader& file, int64_t pos, int64_t end);

// Walks the gzip file in `whole`.
void WalkGzipContainer(ByteRange whole, const Carrier& at, Sink& sink);
