// TIFF files: every directory read at its offset, sub-directories, thumbnails walked as JPEG.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("tif", data, size);
  return 0;
}
