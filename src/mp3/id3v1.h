// ID3v1 tags: the 128-byte tag at the end of an MP3 file (with the ID3v1.1
// track number in its last comment bytes) and the 227-byte extended tag
// "TAG+" that may stand before it.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// The name of an ID3v1 genre number (0 to 147), or nullptr.
const char* genre_name(int genre);

// Walks the ID3v1 tag whose first 4 bytes ("TAG" and the first byte of the
// title) the caller has read into `sig`. Reads the other 124 bytes and prints
// one line per field. Returns true with the source after the tag, false when
// the read failed.
bool ID3v1_tag(Report& r, Source& src, uint8_t* sig, int64_t at);

// Walks the extended tag whose signature "TAG+" the caller has read: the
// other 223 bytes. Returns true, or false when the read failed.
bool ID3v1_tag_ext(Report& r, Source& src, uint8_t* sig, int64_t at);

}  // namespace tagdelve
