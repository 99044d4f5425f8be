// File dispatch: the walker for a file or archive member is chosen by the
// extension of its name.
#pragma once

#include <cstdint>
#include <string>

#include "common/source.h"

namespace tagdelve {

// Splits a path into directory, base name and extension. Only the backslash
// separates directories; the extension follows the base name's last dot.
void splitpath(const std::string& path, std::string& dir, std::string& base, std::string& ext);

// Where a name's extension selects no walker, choose one by the first bytes
// of the file or member (--detect).
extern bool detect_content;

// The deepest that members of archives within archives are walked.
constexpr int kMaxNesting = 32;

// Walks the source with the walker that the name's extension (or, with
// --detect, its content) selects, one level deeper than the caller; notes
// at verbose > 0 that an unsupported file was skipped.
void process_file(const std::string& name, Source& src);

}  // namespace tagdelve
