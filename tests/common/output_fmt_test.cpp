// The hand-made formatting of the per-item lines: the same text as printf.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <limits>
#include <string>

#include "common/output.h"

namespace {

using namespace tagdelve;

std::string dec(int64_t v) {
  char buf[32];
  char* e = fmt_dec(buf, v);
  return std::string(buf, e);
}

TEST(OutputFormat, DecimalsAsPrintfWritesThem) {
  const int64_t values[] = {0,
                            1,
                            9,
                            10,
                            99,
                            100,
                            101,
                            417,
                            44100,
                            999999,
                            1000000,
                            268434996,
                            -1,
                            -10,
                            -417,
                            std::numeric_limits<int32_t>::max(),
                            std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int64_t>::max(),
                            std::numeric_limits<int64_t>::min()};
  for (int64_t v : values) {
    char want[32];
    snprintf(want, sizeof want, "%" PRId64, v);
    EXPECT_EQ(dec(v), want);
  }
  // Every power of ten and its neighbours.
  for (int64_t p = 1;; p *= 10) {
    for (int64_t v : {p - 1, p, p + 1, -p}) {
      char want[32];
      snprintf(want, sizeof want, "%" PRId64, v);
      EXPECT_EQ(dec(v), want);
    }
    if (p > std::numeric_limits<int64_t>::max() / 10) break;
  }
}

TEST(OutputFormat, HexDigitsAndText) {
  const uint8_t bytes[] = {0x00, 0x0f, 0xa5, 0xff, 0x10};
  char buf[64];
  char* e = fmt_str(buf, "<0x");
  e = fmt_hex(e, bytes, sizeof bytes);
  e = fmt_hex(e, bytes, 0);
  e = fmt_str(e, ">");
  e = fmt_str(e, "");
  EXPECT_EQ(std::string(buf, e), "<0x000fa5ff10>");
}

}  // namespace
