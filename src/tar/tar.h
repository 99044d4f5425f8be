// TAR archives: 512-byte header blocks, each member handed back to the
// dispatch and walked in place, one level deeper.
#pragma once

#include <cstdint>
#include <string>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// Names of the type flags '0' to '6', indexed by typeflag - '0'.
extern const char* const tar_file_type[7];

// A TAR header block at the start: "ustar" at offset 257, or a checksum that
// matches (the old layout). A strong sign.
Probe tar_probe(const uint8_t* p, int64_t n);

// Walks the archive; each member is handed to the dispatch (r.dispatch) by
// its name, with its data as a source of its own.
void tar_file(Report& r, Source& src);

}  // namespace tagdelve
