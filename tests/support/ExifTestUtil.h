// Helpers shared by the Exif tests: running the analysis on bytes held in a
// buffer of exactly their size (so that AddressSanitizer sees any read past
// the end), a tag table from CSV text, and the record's invariants.
#pragma once
#include "exif/ExifReader.h"
#include "tests/support/JpegBuilder.h"

#include <string>

namespace testjpeg {

// AnalyzeExif on a copy of `f` in an allocation of exactly f.size() bytes.
ExifAnalysis Analyze(const Bytes& f, const TagNameTable& tags = TagNameTable{},
                     bool* result = nullptr);

TagNameTable TableFromCsv(const std::string& csv);

// Empty when the record keeps every invariant: processed counts at most 30
// and at most the declared count, entries past the processed ones all zero,
// every text terminated inside its field. Otherwise what is broken.
std::string InvariantFailure(const ExifAnalysis& a);

// File offset of entry `index` of the IFD whose count lies at `ifdPos`.
inline int EntryPos(int ifdPos, int index) { return ifdPos + 2 + 12 * index; }

}  // namespace testjpeg
