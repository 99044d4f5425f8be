// The TIFF directory walker for the Exif data of a JPEG APP1 segment. All of
// it is read from the segment's payload in memory: offsets count from the
// TIFF header (the base) and nothing past base + length is ever read.
#pragma once

#include <cstdint>

namespace tagdelve {

struct TiffTag {
  uint16_t tag;
  char name[64];
};

// Tag names, searched in order; ended by a row with tag number 0.
extern const TiffTag tiff_tags[109];

struct TiffType {
  char name[12];  // printed at verbose > 0
  int size;       // bytes per value
};

// The TIFF field types 0 to 12, indexed by type.
extern const TiffType tiff_field_types[13];

// Index in tiff_tags of the first row with this tag number, or -1.
int find_tiff(int tag);

// Prints the TIFF header at base and walks IFD0 (with its Exif directory) and
// IFD1. `length` is the number of bytes from base to the end of the payload.
int tiff_header(const uint8_t* base, int64_t length);

// Prints the entries of the directory at `offset` and then walks the Exif
// directory that an ExifOffset entry names. `order` is 1 for little-endian
// ("II"), 0 for big-endian. Returns 2 + 12 * N, the directory's size without
// its link to the next one, or 0 when its entry count lies outside the data.
int64_t ifd(int order, const uint8_t* base, int64_t length, uint32_t offset);

// Prints the value of the directory entry at `entry` (its tag field). Returns
// 1, or 0 when some of its values lie past the end of the data (those are
// not printed).
int put_tiff_data(int order, int type, uint32_t count, const uint8_t* base, int64_t length,
                  uint32_t entry);

}  // namespace tagdelve
