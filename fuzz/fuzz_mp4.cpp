// MP4 files: boxes, headers, sample entries, iTunes metadata with covers.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("m4a", data, size);
  return 0;
}
