// The page CRC computed by folding (16, 32 or 64 bytes at a time, as the CPU
// allows) must equal the byte-by-byte table's on every length and
// alignment, continuing any CRC: pages in the reports are mostly shorter
// than the folds need, so the long ones are checked here.
#include <gtest/gtest.h>

#include <vector>

#include "ogg/ogg_crc.h"

namespace {

using tagdelve::CrcPath;

TEST(OggCrc, FoldedPathsAgreeWithTheTable) {
  std::vector<uint8_t> data(5000);
  uint32_t seed = 1;
  for (uint8_t& b : data) b = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
  const CrcPath best = tagdelve::crc_path();
  for (size_t n = 0; n < 4096; n += n < 600 ? 1 : 37) {
    for (size_t offset : {0, 3}) {
      const uint32_t start = static_cast<uint32_t>(n * 2654435761u);
      const uint32_t want = tagdelve::ogg_crc(CrcPath::table, start, data.data() + offset, n);
      for (CrcPath path : {CrcPath::clmul16, CrcPath::clmul32, CrcPath::clmul64}) {
        if (path > best) continue;
        ASSERT_EQ(tagdelve::ogg_crc(path, start, data.data() + offset, n), want) << n;
      }
    }
  }
}

// Over "123456789": the published check value of CRC-32/POSIX (the same
// polynomial and initial value), 0x765E7680, without its final XOR.
TEST(OggCrc, CheckValue) {
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(tagdelve::ogg_crc(CrcPath::table, 0, digits, 9), 0x89A1897Fu);
}

}  // namespace
