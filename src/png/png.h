// The PNG walker: the signature, then the chunks one by one, each with its
// length, type, property bits and CRC (checked, but for the image data of
// IDAT and fdAT chunks, which is passed over unread and counted); the chunks
// of the image header, colour, texts (inflated up to a cap), Exif data (the
// TIFF directory walker), time and animation are decoded.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

// The 8-byte PNG signature at the start: a strong sign.
Probe png_probe(const uint8_t* p, int64_t n);

// Walks the PNG data of a source: a file, an archive member or bytes held in
// memory. Prints "PNG file start", the chunks and "PNG file end" at the
// current depth.
void png_file(Report& r, Source& src);

}  // namespace tagdelve
