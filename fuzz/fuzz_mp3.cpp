// MP3 files: audio frames and every tag that can stand among them.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("mp3", data, size);
  return 0;
}
