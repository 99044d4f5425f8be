// The tags of the Xiph formats: Vorbis comments (a FLAC block; the comment
// packet of Vorbis, Opus and Speex in Ogg) and FLAC pictures (a FLAC block;
// base64 in a METADATA_BLOCK_PICTURE comment). Both printers stay inside
// the body they are given, held in memory (its bytes and their number are
// body.block and body.limit).
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// Vendor string and comments, little-endian lengths. `whole` names what
// holds them in the errors ("block", "packet"). A METADATA_BLOCK_PICTURE
// comment is decoded from base64 and walked as a picture block.
void vorbis_comment(Report& r, const Source& body, const char* whole = "block");

// PICTURE: type, MIME type, description, dimensions; a JPEG picture is
// walked from memory one level deeper.
void flac_picture(Report& r, const Source& body);

}  // namespace tagdelve
