// The names of TIFF tags, by the kind of directory they stand in.
#pragma once

#include <cstdint>

namespace tagdelve {

struct TiffTag {
  uint16_t tag;
  const char* name;
};

// The kinds of directory: the chain from the header (IFD0, IFD1, ...) and
// SubIFDs hold TIFF and Exif tags; the Exif IFD too; the GPS and
// Interoperability IFDs number their tags afresh.
enum class IfdKind : uint8_t { chain, exif, gps, interop, sub };

// The names the Exif walk of a JPEG file has always shown (without
// --all-ifds), or nullptr.
const TiffTag* find_exif_legacy(uint32_t tag);

// The name of a tag in a directory of that kind (TIFF 6.0, Exif 2.32, GPS,
// Interoperability, and a few DNG tags), or nullptr.
const TiffTag* find_tiff_tag(IfdKind kind, uint32_t tag);

}  // namespace tagdelve
