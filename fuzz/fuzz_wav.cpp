// WAV files (RIFF, RF64, BW64): chunks, their pad bytes, the decoded bodies and ID3v2 tags in chunks.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("wav", data, size);
  return 0;
}
