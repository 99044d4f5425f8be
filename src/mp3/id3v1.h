// ID3v1 tags: the 128-byte tag at the end of an MP3 file (with the ID3v1.1
// track number in its last comment bytes) and the 227-byte extended tag
// "TAG+" that may stand before it.
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// Genre names by genre number 0 to 147; the last 4 slots stay empty.
extern const char* const ID3v1_genre[152];

// Walks the ID3v1 tag whose first 4 bytes ("TAG" and the first byte of the
// title) the caller has read into `sig`. Reads the other 124 bytes and prints
// one line per field. Returns 1 with `offset` after the tag, or 0 when the
// read failed.
int ID3v1_tag(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset, int64_t limit);

// Walks the extended tag whose signature "TAG+" the caller has read: the
// other 223 bytes. Returns 1 with `offset` after the tag, or 0.
int ID3v1_tag_ext(Stream* stream, const uint8_t* block, uint8_t* sig, int64_t& offset,
                  int64_t limit);

}  // namespace tagdelve
