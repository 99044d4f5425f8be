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

// Walks the source with the walker that the name's extension selects, one
// level deeper than the caller. Returns 1 when a walker was called, 0 when
// the extension is not supported.
int process_file(const std::string& name, Stream* stream, const uint8_t* block, int64_t limit);

}  // namespace tagdelve
