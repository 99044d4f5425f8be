// The JPEG walker: lists an image marker by marker, decodes the frame header,
// the JFIF header and the Exif identifier, and counts the entropy-coded bytes
// of each scan.
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// Walks the JPEG data of a source: a stream (a file, or an archive member
// under its size as limit) or, with stream == nullptr, a picture held in
// memory as `block` with its length as `limit`. Prints "JPEG file start",
// the markers and "JPEG file end" at the current depth. Always returns 1.
int jpeg_file(Stream* stream, const uint8_t* block, int64_t limit);

// Handles the marker at *offset (and, after a scan, the marker that ends the
// scan's data), advancing *offset past what it consumed. Returns the number
// of bytes accounted for (positive) to go on, 0 when the walk ends.
int jpeg_marker(Stream* stream, const uint8_t* block, int64_t* offset, int64_t limit);

// Prints the JFIF header line from the 9 header bytes at p (the APP0
// payload after "JFIF" and its zero byte).
void jfif_header(const uint8_t* p);

}  // namespace tagdelve
