// The TIFF directory walker for the Exif data of a JPEG APP1 segment. All of
// it is read from the segment's payload in memory: offsets count from the
// TIFF header (the base) and nothing past base + length is ever read.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

struct TiffTag {
  uint16_t tag;
  const char* name;
};

// The first row of the tag names with this tag number, or nullptr.
const TiffTag* find_tiff(uint32_t tag);

// The TIFF data, held in memory as a source: its bytes from the header on
// (`base`, tiff.block) and their number (`length`, tiff.limit).

// Prints the TIFF header at the start of `tiff` and walks IFD0 (with its Exif
// directory) and IFD1.
void tiff_header(Report& r, const Source& tiff);

// Prints the entries of the directory at `offset`, headed `heading`, and then
// walks the Exif directory that an ExifOffset entry names. `order` is 1 for
// little-endian ("II"), 0 for big-endian. Returns 2 + 12 * N, the
// directory's size without its link to the next one, or 0 when its entry
// count lies outside the data.
int64_t ifd(Report& r, int order, const Source& tiff, uint32_t offset, const char* heading);

// Prints the value of the directory entry at `entry` (its tag field). Returns
// 1, or 0 when some of its values lie past the end of the data (those are
// not printed).
int put_tiff_data(Report& r, int order, int type, uint32_t count, const Source& tiff, uint32_t entry);

}  // namespace tagdelve
