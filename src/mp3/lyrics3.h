// Lyrics3 blocks, which stand after the audio of an MP3 file, before its
// ID3v1 tag: version 1 (LYRICSBEGIN, the lyrics text, LYRICSEND) and
// version 2 (LYRICSBEGIN, fields of an identifier, a 5-digit size and a
// value, then a 6-digit block size and LYRICS200).
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// A version 2 field: its 3-letter identifier and its description. The final
// row has an empty identifier.
struct lyrics3v2_field {
  char id[4];
  char description[64];
};

extern const lyrics3v2_field lyrics3v2_fields[10];

// Row of a version 2 field identifier, or -1 for none.
int find_field(const char* id);

// Walks the Lyrics3 block whose first 4 bytes ("LYRI") the caller has read
// into `sig` (10 bytes, used here as scratch). Returns 1 with `offset` after
// the end marker, or 0 when a read failed.
int lyrics3_block(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset,
                  int64_t limit);

}  // namespace tagdelve
