// The MP4 walker (ISO base media files: .mp4, .m4a, .m4b, .mov, .3gp):
// the boxes as a tree, with their offsets and sizes; the movie, track and
// media headers, handlers, sample descriptions with their codec
// configuration, the counts of the sample tables, chapters, and the iTunes
// metadata items with their cover pictures. Media data is passed over
// without being read.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// An ftyp box at offset 4: a strong sign; a moov, mdat, free, wide or skip
// box there with a size a box can have: a weak one.
Probe mp4_probe(const uint8_t* p, int64_t n);

// Walks the boxes of a source: a file, an archive member or bytes held in
// memory. Prints "MP4 file start", the boxes and "MP4 file end".
void mp4_file(Report& r, Source& src);

}  // namespace tagdelve
