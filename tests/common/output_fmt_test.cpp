// The hand-made formatting of the per-item lines: the same text as printf.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "common/report.h"

namespace {

using namespace tagdelve;

std::string dec(int64_t v) {
  char buf[32];
  char* e = fmt_dec(buf, v);
  return std::string(buf, e);
}

TEST(OutputFormat, DecimalsAsPrintfWritesThem) {
  // Every power of ten and its neighbours, and the extremes.
  std::vector<int64_t> values = {0, std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()};
  for (int64_t p = 1; p <= std::numeric_limits<int64_t>::max() / 10; p *= 10)
    values.insert(values.end(), {p - 1, p, p + 1, -p, 10 * p - 1});
  for (int64_t v : values) {
    char want[32];
    snprintf(want, sizeof want, "%" PRId64, v);
    EXPECT_EQ(dec(v), want);
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
