// PDF documents, as scanning apps, photo tools and the web make them (a
// tool that puts photos into a PDF may keep each JPEG whole, its Exif with
// it). The file is read object by object from its start: PDF syntax is
// text, and a stream's data lies between "stream" and "endstream", its
// length in its dictionary (when that gives no length that fits, up to
// "endstream").
//  - a JPEG or JPEG 2000 picture (a stream whose only filter is /DCTDecode
//    or /JPXDecode) is walked as that container and cleaned in place; one
//    deflated again is walked once inflated, and a position in it cannot be
//    removed;
//  - XMP (/Type /Metadata or /Subtype /XML), plain or /FlateDecode, is
//    scanned and cleaned as a JPEG's (compressed anew at its length);
//  - an attached file (/Type /EmbeddedFile) is walked as that container
//    when stored plain; compressed, it is walked as a file of its own and
//    a position in it cannot be removed;
//  - an object stream (/Type /ObjStm), which holds dictionaries such as the
//    document's information, follows the opaque rule once inflated;
//  - other streams (pages, fonts, pictures in other codings) are not read:
//    they are what the document shows.
// The syntax between streams follows the opaque rule; what follows the
// last "%%EOF" is data after the end. An encrypted document (/Encrypt),
// whose streams cannot be read, is not taken apart; in a signed one
// (/ByteRange) no find can be removed without breaking the signature.
#pragma once
#include "platform/ByteRange.h"

#include <cstdint>

class ByteReader;
class Sink;
struct Carrier;

// True when a file starts with "%PDF-".
bool StartsPdf(const ByteReader& file, int64_t pos, int64_t end);

// Walks the document in `whole`.
void WalkPdfContainer(ByteRange whole, const Carrier& at, Sink& sink);
