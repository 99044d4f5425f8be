#include "common/source.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/capture.h"
#include "support/run.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::MemStream;

using Vec = std::vector<uint8_t>;

Vec range(int n) {
  Vec v;
  for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(i));
  return v;
}

// The buffer sizes under which every stream case is run: refills inside a
// request must not change any result.
const size_t kBufferSizes[] = {1, 2, 3, 7, kStreamBuffer};

TEST(Source, ReadRefusedPastLimitReadsNothing) {
  for (size_t bs : kBufferSizes) {
    MemStream ms(range(100), bs);
    uint8_t d[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_EQ(vfdump(98, ms.get(), nullptr, 0, 100), 98);
    EXPECT_EQ(vfgetm(d, 4, ms.get(), nullptr, 98, 100), -1) << bs;
    EXPECT_EQ(d[0], 0xAA);
    EXPECT_EQ(ms.position(), 98);
    EXPECT_EQ(vfgetm(d, 2, ms.get(), nullptr, 98, 100), 2);
    EXPECT_EQ(d[0], 98);
    EXPECT_EQ(d[1], 99);
  }
}

TEST(Source, StreamEndFailsTheReadAndKeepsWhatWasRead) {
  for (size_t bs : kBufferSizes) {
    MemStream ms(range(10), bs);
    uint8_t d[8];
    ASSERT_EQ(vfgetm(d, 8, ms.get(), nullptr, 0, 0), 8);
    uint8_t e[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(vfgetm(e, 4, ms.get(), nullptr, 8, 0), -1);
    EXPECT_EQ(e[0], 8);
    EXPECT_EQ(e[1], 9);
    EXPECT_EQ(e[2], 0xAA);
    EXPECT_EQ(ms.position(), 10);
  }
}

TEST(Source, MemoryBlockReadsWithinItsLength) {
  Vec block = {1, 2, 3, 4, 5};
  uint8_t d[5] = {};
  EXPECT_EQ(vfgetm(d, 2, nullptr, block.data(), 3, 5), 2);
  EXPECT_EQ(d[0], 4);
  EXPECT_EQ(d[1], 5);
  EXPECT_EQ(vfgetm(d, 3, nullptr, block.data(), 3, 5), -1);
  EXPECT_EQ(vfgetm(d, -1, nullptr, block.data(), 0, 5), -1);
  EXPECT_EQ(vfgetm(d, 0, nullptr, block.data(), 5, 5), 0);
  // An empty block (length 0) supplies nothing.
  EXPECT_EQ(vfgetm(d, 1, nullptr, block.data(), 0, 0), -1);
  // Unsynchronisation applies to streams only.
  Vec ff = {0xFF, 0x00, 0x41};
  unsync = 1;
  ulost = 0;
  EXPECT_EQ(vfgetm(d, 3, nullptr, ff.data(), 0, 3), 3);
  unsync = 0;
  EXPECT_EQ(Vec(d, d + 3), ff);
  EXPECT_EQ(ulost, 0);
}

struct UnsyncCase {
  const char* name;
  Vec input;
  std::vector<int> requests;
  Vec want;
  int64_t lost;
};

TEST(Source, UnsynchronisationDropsZeroAfterFF) {
  const UnsyncCase cases[] = {
      {"FF 00 41 as 2", {0xFF, 0x00, 0x41}, {2}, {0xFF, 0x41}, 1},
      {"FF 00 41 as 1+1", {0xFF, 0x00, 0x41}, {1, 1}, {0xFF, 0x41}, 1},
      {"FF 41 kept", {0xFF, 0x41}, {2}, {0xFF, 0x41}, 0},
      {"FF 00 00", {0xFF, 0x00, 0x00}, {2}, {0xFF, 0x00}, 1},
      {"FF FF 00 41", {0xFF, 0xFF, 0x00, 0x41}, {3}, {0xFF, 0xFF, 0x41}, 1},
      {"FF DB kept", {0xFF, 0xD8, 0xFF, 0xDB}, {4}, {0xFF, 0xD8, 0xFF, 0xDB}, 0},
      {"two pairs", {0x41, 0xFF, 0x00, 0xFF, 0x00, 0xE0}, {1, 2, 1}, {0x41, 0xFF, 0xFF, 0xE0}, 2},
  };
  for (const UnsyncCase& c : cases) {
    for (size_t bs : kBufferSizes) {
      MemStream ms(c.input, bs);
      unsync = 1;
      ulost = 0;
      Vec got;
      int64_t offset = 0;
      for (int n : c.requests) {
        Vec d(static_cast<size_t>(n));
        ASSERT_EQ(vfgetm(d.data(), n, ms.get(), nullptr, offset, 0), n) << c.name;
        offset += n;
        got.insert(got.end(), d.begin(), d.end());
      }
      unsync = 0;
      EXPECT_EQ(got, c.want) << c.name << " buffer " << bs;
      EXPECT_EQ(ulost, c.lost) << c.name << " buffer " << bs;
      EXPECT_EQ(ms.position(), static_cast<long>(c.want.size() + c.lost)) << c.name;
    }
  }
}

TEST(Source, UnsynchronisedReadsStayInsideTheLimit) {
  // Each dropped byte is a stored byte too: reading 3 bytes from
  // FF 00 FF 00 41 takes 5 stored bytes, more than a limit of 4 allows.
  for (size_t bs : kBufferSizes) {
    MemStream ms({0xFF, 0x00, 0xFF, 0x00, 0x41, 0x42});
    uint8_t d[3];
    unsync = 1;
    ulost = 0;
    EXPECT_EQ(vfgetm(d, 3, ms.get(), nullptr, 0, 4), -1) << bs;
    unsync = 0;
    EXPECT_LE(ms.position(), 4);
  }
  MemStream ms({0xFF, 0x00, 0xFF, 0x00, 0x41});
  uint8_t d[2];
  unsync = 1;
  EXPECT_EQ(vfgetm(d, 2, ms.get(), nullptr, 0, 4), 2);  // FF, 00 dropped, FF: 3 stored bytes
  unsync = 0;
  EXPECT_EQ(d[1], 0xFF);
}

TEST(Source, ClearingUnsyncEndsTheFFState) {
  MemStream ms({0xFF, 0x00, 0x41});
  uint8_t d[2];
  unsync = 1;
  ulost = 0;
  ASSERT_EQ(vfgetm(d, 1, ms.get(), nullptr, 0, 0), 1);
  unsync = 0;
  ASSERT_EQ(vfgetm(d, 2, ms.get(), nullptr, 1, 0), 2);
  EXPECT_EQ(d[0], 0x00);
  EXPECT_EQ(d[1], 0x41);
  EXPECT_EQ(ulost, 0);
}

TEST(Source, SkipsDoNotUndoUnsynchronisation) {
  MemStream ms({0xFF, 0x00, 0x00, 0x41});
  uint8_t d[2];
  unsync = 1;
  ulost = 0;
  ASSERT_EQ(vfgetm(d, 1, ms.get(), nullptr, 0, 0), 1);
  ASSERT_EQ(vfdump(1, ms.get(), nullptr, 1, 0), 1);  // skips the 00 as is
  ASSERT_EQ(vfgetm(d, 2, ms.get(), nullptr, 2, 0), 2);
  unsync = 0;
  EXPECT_EQ(d[0], 0x00);
  EXPECT_EQ(d[1], 0x41);
  EXPECT_EQ(ulost, 0);
}

TEST(Source, SkipPastLimitPrintsFirstMessage) {
  for (size_t bs : kBufferSizes) {
    Capture cap;
    MemStream ms(range(50), bs);
    EXPECT_EQ(vfdump(11, ms.get(), nullptr, 90, 100), -1);
    EXPECT_EQ(cap.text(), "Error: Premature end of file(1)\n");
    EXPECT_EQ(ms.position(), 0);
    EXPECT_EQ(vfdump(10, ms.get(), nullptr, 90, 100), 10);
    EXPECT_EQ(ms.position(), 10);
  }
}

TEST(Source, SkipPastStreamEndPrintsSecondMessage) {
  for (size_t bs : kBufferSizes) {
    Capture cap;
    MemStream ms(range(20), bs);
    EXPECT_EQ(vfdump(15, ms.get(), nullptr, 0, 0), 15);
    uint8_t d;
    ASSERT_EQ(vfgetm(&d, 1, ms.get(), nullptr, 15, 0), 1);
    EXPECT_EQ(d, 15);
    EXPECT_EQ(vfdump(5, ms.get(), nullptr, 16, 0), -1);
    EXPECT_EQ(cap.text(), "Error: Premature end of file(2)\n");
    EXPECT_EQ(ms.position(), 20);
  }
}

TEST(Source, SkipOfNothing) {
  Capture cap;
  MemStream ms(range(4));
  EXPECT_EQ(vfdump(0, ms.get(), nullptr, 0, 0), 0);
  EXPECT_EQ(vfdump(-3, ms.get(), nullptr, 0, 0), -3);
  Vec block = range(4);
  EXPECT_EQ(vfdump(4, nullptr, block.data(), 0, 4), 4);
  EXPECT_EQ(vfdump(5, nullptr, block.data(), 0, 4), -1);
  EXPECT_EQ(cap.text(), "Error: Premature end of file(1)\n");
  EXPECT_EQ(ms.position(), 0);
}

// A regular file: skips may seek, with the same results.
class FileSource : public ::testing::Test {
 protected:
  MemStream file_{range(200), 16, MemStream::kFile};
  Stream& s_ = *file_.get();
};

TEST_F(FileSource, SkipSeeksAndReadsOnFromThere) {
  uint8_t d[2];
  ASSERT_EQ(vfgetm(d, 2, &s_, nullptr, 0, 0), 2);
  EXPECT_EQ(vfdump(150, &s_, nullptr, 2, 0), 150);
  EXPECT_EQ(stream_tell(s_), 152);
  ASSERT_EQ(vfgetm(d, 2, &s_, nullptr, 152, 0), 2);
  EXPECT_EQ(d[0], 152);
  EXPECT_EQ(d[1], 153);
}

TEST_F(FileSource, SkipPastTheEndOfAFile) {
  Capture cap;
  EXPECT_EQ(vfdump(300, &s_, nullptr, 0, 0), -1);
  EXPECT_EQ(cap.text(), "Error: Premature end of file(2)\n");
  EXPECT_EQ(stream_tell(s_), 200);
}

TEST_F(FileSource, BytesLeftAreKnown) {
  EXPECT_EQ(source_left(&s_, nullptr, 0, 0), 200);
  uint8_t d[5];
  ASSERT_EQ(vfgetm(d, 5, &s_, nullptr, 0, 0), 5);
  EXPECT_EQ(source_left(&s_, nullptr, 5, 0), 195);
  EXPECT_EQ(source_left(&s_, nullptr, 5, 50), 45);       // the limit is nearer
  EXPECT_EQ(source_left(&s_, nullptr, 5, 100000), 195);  // the file's end is nearer
}

TEST_F(FileSource, ClaimedBodyLargerThanTheFileIsNotAllocated) {
  std::vector<uint8_t> body;
  EXPECT_EQ(vfget_body(body, int64_t{1} << 40, &s_, nullptr, 0, 0), -1);
  EXPECT_LT(body.capacity(), 1000u);
  EXPECT_EQ(stream_tell(s_), 200);  // like a read that met the end
}

TEST(Source, ClaimedBodyInAPipeUnderALimitGrowsWithItsData) {
  // Not a regular file: the limit (an archive member's size) is a claim of
  // the input too, and no buffer of that size is allocated ahead of the data.
  MemStream ms(range(100), 7);
  std::vector<uint8_t> body;
  EXPECT_EQ(vfget_body(body, int64_t{3} << 30, ms.get(), nullptr, 0, int64_t{4} << 30), -1);
  EXPECT_LT(body.capacity(), 1u << 20);
  EXPECT_EQ(ms.position(), 100);
  MemStream again(range(100), 7);
  EXPECT_EQ(vfget_body(body, 90, again.get(), nullptr, 0, 95), 90);
  EXPECT_EQ(body[89], 89);
}

TEST(Source, BytesLeftOfOtherSources) {
  Vec block = range(10);
  EXPECT_EQ(source_left(nullptr, block.data(), 4, 10), 6);
  EXPECT_EQ(source_left(nullptr, block.data(), 12, 10), 0);
  MemStream ms(range(10));  // not a regular file: only a limit bounds it
  EXPECT_EQ(source_left(ms.get(), nullptr, 0, 0), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(source_left(ms.get(), nullptr, 3, 8), 5);
}

TEST(Source, BodyReads) {
  std::vector<uint8_t> body;
  {
    MemStream ms(range(10), 3);
    EXPECT_EQ(vfget_body(body, 6, ms.get(), nullptr, 0, 0), 6);
    EXPECT_EQ(body, Vec({0, 1, 2, 3, 4, 5}));
    // Refused by the limit: nothing read.
    EXPECT_EQ(vfget_body(body, 5, ms.get(), nullptr, 6, 10), -1);
    EXPECT_EQ(ms.position(), 6);
    // Without a limit, a claim past the end fails when the stream ends.
    EXPECT_EQ(vfget_body(body, int64_t{1} << 40, ms.get(), nullptr, 6, 0), -1);
    EXPECT_EQ(ms.position(), 10);
  }
  Vec block = range(8);
  EXPECT_EQ(vfget_body(body, 3, nullptr, block.data(), 5, 8), 3);
  EXPECT_EQ(body, Vec({5, 6, 7}));
  EXPECT_EQ(vfget_body(body, 4, nullptr, block.data(), 5, 8), -1);
  EXPECT_EQ(vfget_body(body, -1, nullptr, block.data(), 0, 8), -1);
}

}  // namespace

TEST(Source, ReadBufferIsPageAligned) {
  // read() from the page cache into a destination that is not page-aligned
  // costs several times as much on some CPUs.
  for (size_t size : {size_t{1}, size_t{7}, kStreamBuffer}) {
    ReadBuffer buffer(size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.data()) % kPage, 0u) << size;
    MemStream ms(range(10), size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(ms.get()->buf) % kPage, 0u) << size;
  }
}
