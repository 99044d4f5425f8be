// The FLAC metadata blocks that carry tags: Vorbis comments and pictures.
// Both printers stay inside the body they are given, held in memory (its
// bytes and their number are body.block and body.limit).
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// VORBIS_COMMENT: vendor string and comments, little-endian lengths.
void vorbis_comment(Report& r, const Source& body);

// PICTURE: type, MIME type, description, dimensions; a JPEG picture is
// walked from memory one level deeper.
void flac_picture(Report& r, const Source& body);

}  // namespace tagdelve
