// vfscan: skipping forward to a given byte through the reader's buffer.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/source.h"
#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::MemStream;

TEST(SourceScan, FindsTheByteOrTheEnd) {
  const struct {
    const char* name;
    Bytes input;
    int64_t offset;  // bytes read before the scan
    int64_t limit, skipped;
    bool found;
  } cases[] = {
      {"found later", {1, 2, 3, 0xFF, 4}, 0, 0, 3, true},
      {"after a read", {1, 0xFF, 2, 3, 0xFF}, 2, 0, 2, true},
      {"not there", {1, 2, 3, 4}, 0, 0, 4, false},
      {"beyond the limit", {1, 2, 3, 0xFF}, 0, 3, 3, false},
      {"just inside the limit", {1, 2, 3, 0xFF}, 0, 4, 3, true},
      {"limit reached already", {1, 2, 0xFF}, 2, 2, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t bs : {size_t{3}, kStreamBuffer}) {  // refilling, and not
      MemStream ms(c.input.v, bs);
      ASSERT_EQ(vfdump(c.offset, ms.get(), nullptr, 0, 0), c.offset);
      bool found = !c.found;
      EXPECT_EQ(vfscan(0xFF, &found, ms.get(), nullptr, c.offset, c.limit), c.skipped) << bs;
      EXPECT_EQ(found, c.found) << bs;
      EXPECT_EQ(ms.position(), c.offset + c.skipped) << bs;
      // The byte found is the next one read.
      uint8_t b = 0;
      EXPECT_EQ(vfgetm(&b, 1, ms.get(), nullptr, c.offset + c.skipped, c.limit) == 1 && b == 0xFF,
                c.found);
    }
    // The same over a memory block, whose length is its limit.
    const int64_t limit = c.limit != 0 ? c.limit : static_cast<int64_t>(c.input.size());
    bool found = !c.found;
    EXPECT_EQ(vfscan(0xFF, &found, nullptr, c.input.data(), c.offset, limit), c.skipped);
    EXPECT_EQ(found, c.found);
  }
  // A memory block of length 0, or without bytes, is not read.
  bool found = true;
  EXPECT_EQ(vfscan(0xFF, &found, nullptr, cases[0].input.data(), 0, 0), 0);
  EXPECT_EQ(vfscan(0xFF, &found, nullptr, nullptr, 0, 5), 0);
  EXPECT_FALSE(found);
}

TEST(SourceScan, ForgetsAPendingUnsynchronisationByte) {
  // A scan consumes bytes as a skip does: a 0xFF read before it under
  // unsynchronisation no longer drops a following 0x00.
  MemStream ms({0xFF, 0x41, 0x00, 0x42});
  uint8_t d[2];
  unsync = 1;
  ulost = 0;
  ASSERT_EQ(vfgetm(d, 1, ms.get(), nullptr, 0, 0), 1);
  bool found = false;
  EXPECT_EQ(vfscan(0x00, &found, ms.get(), nullptr, 1, 0), 1);
  EXPECT_TRUE(found);
  ASSERT_EQ(vfgetm(d, 2, ms.get(), nullptr, 2, 0), 2);
  unsync = 0;
  EXPECT_TRUE(d[0] == 0x00 && d[1] == 0x42);
  EXPECT_EQ(ulost, 0);
}

// vfpeek shows the bytes that the next reads get, without consuming them.
TEST(SourcePeek, ShowsTheBufferedBytesUpToTheLimit) {
  const std::vector<uint8_t> v = {10, 11, 12, 13, 14, 15, 16};
  for (size_t bs : {size_t{1}, size_t{3}, kStreamBuffer}) {
    MemStream ms(v, bs);
    int64_t avail = -1;
    const uint8_t* p = vfpeek(&avail, ms.get(), nullptr, 0, 0);
    ASSERT_EQ(avail, static_cast<int64_t>(std::min(bs, v.size()))) << "buffer " << bs;
    EXPECT_EQ(p[0], 10);
    EXPECT_EQ(ms.position(), 0) << "nothing is consumed";
    // After two bytes are read, the rest of the buffer; a limit bounds it.
    ASSERT_EQ(vfdump(2, ms.get(), nullptr, 0, 0), 2);
    p = vfpeek(&avail, ms.get(), nullptr, 2, 4);
    ASSERT_GE(avail, 1) << "buffer " << bs;
    EXPECT_LE(avail, 2) << "buffer " << bs;
    EXPECT_EQ(p[0], 12);
    p = vfpeek(&avail, ms.get(), nullptr, 2, 2);
    EXPECT_EQ(avail, 0) << "at the limit";
    // At the end of the stream nothing is shown.
    ASSERT_EQ(vfdump(5, ms.get(), nullptr, 2, 0), 5);
    vfpeek(&avail, ms.get(), nullptr, 7, 0);
    EXPECT_EQ(avail, 0) << "buffer " << bs;
  }
}

TEST(SourcePeek, MemoryBlockShowsTheRestOfItsLength) {
  const Bytes b = {1, 2, 3, 4};
  int64_t avail = -1;
  EXPECT_EQ(vfpeek(&avail, nullptr, b.data(), 1, 4), b.data() + 1);
  EXPECT_EQ(avail, 3);
  vfpeek(&avail, nullptr, b.data(), 4, 4);
  EXPECT_EQ(avail, 0);
  vfpeek(&avail, nullptr, b.data(), 5, 4);
  EXPECT_EQ(avail, 0);
  vfpeek(&avail, nullptr, b.data(), -1, 4);
  EXPECT_EQ(avail, 0);
  vfpeek(&avail, nullptr, nullptr, 0, 4);
  EXPECT_EQ(avail, 0);
}

}  // namespace
