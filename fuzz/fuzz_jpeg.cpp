// JPEG images: markers, the entropy scan, JFIF and the Exif (TIFF) directories.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("jpg", data, size);
  return 0;
}
