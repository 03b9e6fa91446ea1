// Reading one file named on the command line, as the window's file-open
// sequence does: read and analyse, then the picture size (from the frame
// header) and the file time. The name is taken as the system gives it.
#pragma once
#include "cli/ReadNamed.h"
#include "exif/ExifReader.h"
#include "locate/Locator.h"

#include <cstdint>
#include <string>
#include <vector>

// The locator's finds at `depth` in the content `bytes` brings (`window`:
// the window's analysis of it, when made already).
void LocateInBytes(LazyBytes& bytes, LocateResult& found, LocateDepth depth,
                   const ExifAnalysis* window = nullptr, const LocateOptions& opt = {});

// The window's analysis of the content `bytes` brings (the picture size
// from the frame header included) and, with `found`, the locator's finds
// at `depth`: what a whole-file read would give, reading only what the
// analysis and the locator touch.
void AnalyzeBytes(LazyBytes& bytes, const TagNameTable& tags, ExifAnalysis& a,
                  LocateResult* found, LocateDepth depth);

// False, with a message for standard error in `err`, when the file cannot
// be read (the record then shows nothing loaded). `file` stays open, its
// bytes read only where the analysis went. With `found`, the locator's
// finds at `depth` are made too.
bool AnalyzeArgument(const std::string& arg, const TagNameTable& tags, ExifAnalysis& a,
                     NamedFile& file, std::string& err, LocateResult* found = nullptr,
                     LocateDepth depth = LocateDepth::Metadata);

// The name part of a path as the report header shows it (CP932; a
// character CP932 cannot hold becomes '?'), at most 254 bytes.
std::string ReportFileName(const std::string& arg);
