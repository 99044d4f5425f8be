#include "common/decode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace tagdelve;

struct DecodeCase {
  const char* name;
  int64_t (*fn)(const uint8_t*);
  std::vector<uint8_t> bytes;
  int64_t want;
};

TEST(Decode, IntegerDecoders) {
  const DecodeCase cases[] = {
      {"word16", [](const uint8_t* p) -> int64_t { return word16(p); }, {0x12, 0x34}, 0x1234},
      {"word16 high", [](const uint8_t* p) -> int64_t { return word16(p); }, {0xFF, 0xFE}, 65534},
      {"word24", [](const uint8_t* p) -> int64_t { return word24(p); }, {0x01, 0x02, 0x03}, 0x010203},
      {"word24 high", [](const uint8_t* p) -> int64_t { return word24(p); }, {0xFF, 0xFF, 0xFF}, 0xFFFFFF},
      {"word32", [](const uint8_t* p) -> int64_t { return word32(p); }, {0x01, 0x02, 0x03, 0x04}, 0x01020304},
      {"word32 negative", [](const uint8_t* p) -> int64_t { return word32(p); }, {0x80, 0x00, 0x00, 0x01}, -2147483647},
      {"word32 all ones", [](const uint8_t* p) -> int64_t { return word32(p); }, {0xFF, 0xFF, 0xFF, 0xFF}, -1},
      {"syncsafe", [](const uint8_t* p) -> int64_t { return syncsafe(p); }, {0x00, 0x00, 0x02, 0x01}, 257},
      {"syncsafe full byte", [](const uint8_t* p) -> int64_t { return syncsafe(p); }, {0x00, 0x00, 0x00, 0xFF}, 255},
      {"syncsafe top", [](const uint8_t* p) -> int64_t { return syncsafe(p); }, {0x7F, 0x7F, 0x7F, 0x7F}, 0x0FFFFFFF},
      {"syncsafe high bytes not masked", [](const uint8_t* p) -> int64_t { return syncsafe(p); }, {0x00, 0x00, 0x80, 0x00}, 0x80 * 128},
      {"syncsafe3", [](const uint8_t* p) -> int64_t { return syncsafe3(p); }, {0x01, 0x00, 0x05}, 128 * 128 + 5},
      {"swab16", [](const uint8_t* p) -> int64_t { return swab16(p); }, {0x34, 0x12}, 0x1234},
      {"swab16 high", [](const uint8_t* p) -> int64_t { return swab16(p); }, {0xFF, 0xFF}, 65535},
      {"swab32", [](const uint8_t* p) -> int64_t { return swab32(p); }, {0x04, 0x03, 0x02, 0x01}, 0x01020304},
      {"be32 unsigned", [](const uint8_t* p) -> int64_t { return be32(p); }, {0x80, 0x00, 0x00, 0x01}, 0x80000001},
      {"le32 unsigned", [](const uint8_t* p) -> int64_t { return le32(p); }, {0x01, 0x00, 0x00, 0x80}, 0x80000001},
      {"swab32 negative", [](const uint8_t* p) -> int64_t { return swab32(p); }, {0x00, 0x00, 0x00, 0x80}, INT32_MIN},
  };
  for (const DecodeCase& c : cases) EXPECT_EQ(c.fn(c.bytes.data()), c.want) << c.name;
}

TEST(Decode, Swab64) {
  const uint8_t one[] = {1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(swab64(one), 1u);
  const uint8_t big[] = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81};
  EXPECT_EQ(swab64(big), 0x8102030405060708ull);
}

}  // namespace
