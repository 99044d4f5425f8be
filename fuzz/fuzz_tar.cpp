// TAR archives, with every member walked by the walker its name selects.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("tar", data, size);
  return 0;
}
