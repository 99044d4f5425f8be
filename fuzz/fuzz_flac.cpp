// FLAC streams: metadata blocks, Vorbis comments, pictures with their JPEG walk.
#include "flac/flac.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run(tagdelve::flac_file, data, size);
  return 0;
}
