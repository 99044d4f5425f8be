// The JPEG walker: lists an image marker by marker, decodes the frame header,
// the JFIF header and the Exif identifier, and counts the entropy-coded bytes
// of each scan.
#pragma once

#include <cstdint>

#include "common/source.h"

namespace tagdelve {

// Walks the JPEG data of a source: a file, an archive member or a picture
// held in memory. Prints "JPEG file start", the markers and "JPEG file end"
// at the current depth.
void jpeg_file(Source& src);

// Handles the marker at the position (and, after a scan, the marker that
// ends the scan's data). Returns false when the walk ends.
bool jpeg_marker(Source& src);

// A JPEG picture embedded in a tag (an ID3v2 APIC frame, a FLAC PICTURE
// block), `n` bytes at p: announced at verbose > 0 and walked from memory one
// level deeper. An empty picture is neither.
void embedded_jpeg(const uint8_t* p, int64_t n);

// Prints the JFIF header line from the 9 header bytes at p (the APP0
// payload after "JFIF" and its zero byte).
void jfif_header(const uint8_t* p);

}  // namespace tagdelve
