// ASF (WMA) files: objects, typed values and body printers.
#include "asf/asf.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::run(tagdelve::asf_file, data, size);
  return 0;
}
