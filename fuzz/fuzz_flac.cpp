// FLAC streams: metadata blocks, Vorbis comments, pictures with their JPEG walk.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("flac", data, size);
  return 0;
}
