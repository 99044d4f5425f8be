// Lyrics3 blocks, which stand after the audio of an MP3 file, before its
// ID3v1 tag: version 1 (LYRICSBEGIN, the lyrics text, LYRICSEND) and
// version 2 (LYRICSBEGIN, fields of an identifier, a 5-digit size and a
// value, then a 6-digit block size and LYRICS200).
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// A version 2 field: its 3-letter identifier and its description.
struct lyrics3v2_field {
  const char* id;
  const char* description;
};

// The row of a version 2 field identifier, or nullptr.
const lyrics3v2_field* find_field(const char* id);

// Walks the Lyrics3 block whose first 4 bytes ("LYRI") the caller has read
// into `sig` (10 bytes, used here as scratch). Returns true with the source
// after the end marker, false when a read failed.
bool lyrics3_block(Report& r, Source& src, uint8_t* sig, int64_t at);

}  // namespace tagdelve
