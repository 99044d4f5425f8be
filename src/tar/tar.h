// TAR archives: 512-byte header blocks, each member handed back to the
// dispatch and walked in place, one level deeper.
#pragma once

#include <cstdint>
#include <string>

#include "common/source.h"

namespace tagdelve {

// Names of the type flags '0' to '6', indexed by typeflag - '0'.
extern const char* const tar_file_type[7];

// Walks a member of the archive: its name and its data as a source of its
// own.
using MemberWalk = void (*)(const std::string& name, Source& member);

void tar_file(Source& src, MemberWalk walk_member);

}  // namespace tagdelve
