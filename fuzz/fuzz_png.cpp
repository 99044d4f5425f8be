// PNG files: chunks, CRCs, texts inflated up to the cap, eXIf walked by the TIFF walker.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("png", data, size);
  return 0;
}
