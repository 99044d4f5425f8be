// Recognising a file by its first bytes (--detect), where its name's
// extension selects no walker.
#pragma once

#include "common/source.h"

namespace tagdelve {

// The extension of the walker that the source's first bytes call for
// ("mp3", "flac", "wma", "jpg" or "tar"), or nullptr when they look like none
// of them. Nothing is consumed: the walker reads them again.
const char* detect_format(Source& src);

}  // namespace tagdelve
