// The TIFF directory walker, shared by the walkers of TIFF files, of JPEG
// Exif data (APP1) and of PNG eXIf chunks. It reads the TIFF data at
// positions (Source::read_at): Exif data held in memory, or a TIFF file read
// in place, whose directories may stand anywhere, often after the image
// data. Offsets count from the TIFF header, at offset 0 of that source, and
// nothing at or past the data's length is read.
#pragma once

#include <cstdint>

#include "common/report.h"
#include "common/source.h"

namespace tagdelve {

struct TiffOptions {
  // The full walk: IFD0 and the chain of directories after it, each with the
  // Exif, GPS, Interoperability IFDs and SubIFDs its entries point to (walked
  // after its entries, one level deeper), the tag names of Exif 2.32 and GPS,
  // at most a few values of an entry (strip and tile offsets among them)
  // and a JPEG thumbnail walked by the JPEG walker. Otherwise the Exif walk
  // that JPEG reports have always shown: IFD0, the Exif directory (and any
  // that its ExifOffset names in turn) and IFD1.
  bool full = true;
  int tabs = 0;                      // TABs of a directory heading below the report's depth
  const char* data = "TIFF data";    // what the errors call the data
};

// Walks the TIFF header at offset 0 of `tiff` (`length` bytes of data) and
// the directories it leads to.
void tiff_header(Report& r, const Source& tiff, int64_t length, const TiffOptions& o);

}  // namespace tagdelve
