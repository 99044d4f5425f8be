// TAR archives: 512-byte header blocks, each member handed back to the
// dispatch and walked in place, one level deeper.
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// Names of the type flags '0' to '6', indexed by typeflag - '0'.
extern const char* const tar_file_type[7];

int tar_file(Stream* stream, const uint8_t* block, int64_t limit);

}  // namespace tagdelve
