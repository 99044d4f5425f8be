// MP3 files: audio frames and every tag that can stand among them.
#include "fuzz_common.h"
#include "mp3/mpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run(tagdelve::mpeg_file, data, size);
  return 0;
}
