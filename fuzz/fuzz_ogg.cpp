// Ogg streams: pages and their CRCs, header packets over pages, Vorbis comments, base64 pictures.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("ogg", data, size);
  return 0;
}
