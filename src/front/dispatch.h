// File dispatch: the walker for a file or archive member is chosen by the
// extension of its name, or (--detect) by its first bytes.
#pragma once

#include <cstdint>
#include <string>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// Splits a path into directory, base name and extension. Only the backslash
// separates directories; the extension follows the base name's last dot.
void splitpath(const std::string& path, std::string& dir, std::string& base, std::string& ext);

using Walker = void (*)(Report& r, Source& src);

// A format: what it is called, the extensions that select it (exactly as
// written, the lower-case forms), what recognises its content and what walks
// it.
struct Format {
  const char* name;  // as the note on a walker chosen by content names it
  const char* ext[8];
  Probe (*probe)(const uint8_t* p, int64_t n);  // the first bytes (up to kLookahead)
  Walker walker;
};

// The format whose extension this is, or nullptr.
const Format* format_by_extension(const std::string& ext);

// The format that the source's first bytes call for, or nullptr: the first
// strong signature, else the first weak one. Nothing is consumed: the walker
// reads them again.
const Format* detect_format(Source& src);

// The deepest that members of archives within archives are walked.
constexpr int kMaxNesting = 32;

// Walks the source with the walker that the name's extension (or, with
// --detect, its content) selects, one level deeper than the caller; notes
// at verbose > 0 that an unsupported file was skipped. With --detect, first
// bytes that clearly belong to another format (a strong signature) and not
// to the extension's overrule the extension. False when no walker took it.
bool process_file(Report& r, const std::string& name, Source& src);

// The dispatch as walkers reach it (set into each Report by the front end).
Dispatch dispatch();

}  // namespace tagdelve
