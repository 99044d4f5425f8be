// The JPEG walker: lists an image marker by marker, decodes the frame header,
// the JFIF header and the Exif identifier, and counts the entropy-coded bytes
// of each scan.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// FF D8 FF at the start: a strong sign.
Probe jpeg_probe(const uint8_t* p, int64_t n);

// Walks the JPEG data of a source: a file, an archive member or a picture
// held in memory. Prints "JPEG file start", the markers and "JPEG file end"
// at the current depth.
void jpeg_file(Report& r, Source& src);

// Handles the marker at the position (and, after a scan, the marker that
// ends the scan's data). Returns false when the walk ends.
bool jpeg_marker(Report& r, Source& src);

// Prints the JFIF header line from the 9 header bytes at p (the APP0
// payload after "JFIF" and its zero byte).
void jfif_header(Report& r, const uint8_t* p);

}  // namespace tagdelve
