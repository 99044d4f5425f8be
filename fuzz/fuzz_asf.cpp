// ASF (WMA) files: objects, typed values and body printers.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run("wma", data, size);
  return 0;
}
