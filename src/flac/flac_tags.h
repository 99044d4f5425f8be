// The FLAC metadata blocks that carry tags: Vorbis comments and pictures.
// Both printers stay inside the body of `length` bytes they are given.
#pragma once

#include <cstdint>

namespace tagdelve {

// VORBIS_COMMENT: vendor string and comments, little-endian lengths.
void vorbis_comment(const uint8_t* body, int64_t length);

// PICTURE: type, MIME type, description, dimensions; a JPEG picture is
// walked from memory one level deeper.
void flac_picture(const uint8_t* body, int64_t length);

}  // namespace tagdelve
