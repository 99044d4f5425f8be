// The source reader over each kind of source: a block of memory, a pipe and
// a regular file, the streams with read buffers small enough that requests
// cross refills and with the tool's own.
#include "common/source.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Capture;
using test::MemStream;
using Vec = std::vector<uint8_t>;

Vec range(int n) {
  Vec v;
  for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(i));
  return v;
}

struct Kind {
  const char* name;
  bool memory;
  MemStream::Kind fd;
  size_t buffer;
};

const Kind kKinds[] = {
    {"memory", true, MemStream::kPipe, 0},          {"pipe, buffer 1", false, MemStream::kPipe, 1},
    {"pipe, buffer 3", false, MemStream::kPipe, 3}, {"pipe", false, MemStream::kPipe, kStreamBuffer},
    {"file, buffer 7", false, MemStream::kFile, 7}, {"file", false, MemStream::kFile, kStreamBuffer},
};

// A source of one kind over `bytes`, under `limit` (a memory block holds at
// most its bytes).
struct Reader {
  Vec bytes;
  std::unique_ptr<MemStream> stream;
  Source src;

  Reader(const Kind& k, const Vec& b, int64_t limit = kNoLimit) : bytes(b) {
    if (k.memory) {
      src = Source::of_memory(bytes.data(), std::min<int64_t>(limit, static_cast<int64_t>(bytes.size())));
    } else {
      stream = std::make_unique<MemStream>(bytes, k.buffer, k.fd);
      src = limit == kNoLimit ? stream->source() : stream->source(limit);
    }
  }
};

TEST(Source, ReadsUpToTheLimitAndNoFurther) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    Reader r(k, range(100), 100);
    uint8_t d[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_TRUE(r.src.skip(98));
    EXPECT_FALSE(r.src.read(d, 4));  // refused: nothing is read
    EXPECT_EQ(d[0], 0xAA);
    EXPECT_EQ(r.src.tell(), 98);
    EXPECT_EQ(r.src.consumed(), 98);
    ASSERT_TRUE(r.src.read(d, 2));
    EXPECT_EQ(d[0], 98);
    EXPECT_EQ(d[1], 99);
    EXPECT_FALSE(r.src.read(d, -1));
    EXPECT_TRUE(r.src.read(d, 0));
    EXPECT_EQ(r.src.left(), 0);
  }
}

TEST(Source, AnEmptySourceSuppliesNothing) {
  for (const Kind& k : kKinds) {
    Reader r(k, range(10), 0);
    uint8_t d;
    EXPECT_FALSE(r.src.read(&d, 1)) << k.name;
    EXPECT_TRUE(r.src.bounded()) << k.name;
  }
  Source none = Source::of_memory(nullptr, 0);
  int64_t avail = -1;
  none.peek(&avail);
  EXPECT_EQ(avail, 0);
}

TEST(Source, StreamEndFailsTheReadAndKeepsWhatWasRead) {
  for (const Kind& k : kKinds) {
    if (k.memory) continue;
    SCOPED_TRACE(k.name);
    Reader r(k, range(10));
    uint8_t d[8];
    ASSERT_TRUE(r.src.read(d, 8));
    uint8_t e[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_FALSE(r.src.read(e, 4));
    EXPECT_EQ(Vec(e, e + 4), Vec({8, 9, 0xAA, 0xAA}));
    EXPECT_EQ(r.src.tell(), 8);      // what the walker has read
    EXPECT_EQ(r.src.consumed(), 10); // what the stream gave
  }
}

TEST(Source, SkipsAndTheirTwoErrors) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    {
      Capture cap;
      Reader r(k, range(50), 40);
      EXPECT_TRUE(r.src.skip(0));
      EXPECT_TRUE(r.src.skip(-3));
      EXPECT_TRUE(r.src.skip(30));
      EXPECT_FALSE(r.src.skip(11));  // past the limit: nothing is skipped
      EXPECT_EQ(cap.text(), "Error: Premature end of file(1)\n");
      EXPECT_EQ(r.src.tell(), 41);  // but the position moves on
      EXPECT_EQ(r.src.consumed(), k.memory ? 40 : 30);
      uint8_t d;
      EXPECT_FALSE(r.src.read(&d, 1));
    }
    if (!k.memory) {
      Capture cap;
      Reader r(k, range(20));
      ASSERT_TRUE(r.src.skip(15));
      uint8_t d;
      ASSERT_TRUE(r.src.read(&d, 1));
      EXPECT_EQ(d, 15);  // skipped to the right place, by seeking or reading
      EXPECT_FALSE(r.src.skip(300));
      EXPECT_EQ(cap.text(), "Error: Premature end of file(2)\n");
      EXPECT_EQ(r.src.consumed(), 20);
    }
  }
}

TEST(Source, ClaimedBodies) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    std::vector<uint8_t> body;
    Reader r(k, range(10), 9);
    ASSERT_TRUE(r.src.body(body, 6));
    EXPECT_EQ(body, Vec({0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(r.src.body(body, 4));  // refused by the limit: nothing read
    EXPECT_EQ(r.src.consumed(), 6);
    EXPECT_FALSE(r.src.body(body, -1));
    ASSERT_TRUE(r.src.body(body, 3));
    EXPECT_EQ(body, Vec({6, 7, 8}));
  }
  for (const Kind& k : kKinds) {
    if (k.memory) continue;
    SCOPED_TRACE(k.name);
    // A claim of a terabyte is never allocated: it fails at once in a file,
    // and from a pipe the body grows only with its bytes. Either way the
    // stream is consumed as a read meeting its end would.
    Reader r(k, range(100));
    std::vector<uint8_t> body;
    EXPECT_FALSE(r.src.body(body, int64_t{1} << 40));
    EXPECT_LT(body.capacity(), size_t{1} << 20);
    EXPECT_EQ(r.src.consumed(), 100);
    EXPECT_EQ(r.src.tell(), 0);
    // An archive member's size is a claim of the input too.
    Reader member(k, range(100), int64_t{4} << 30);
    EXPECT_FALSE(member.src.body(body, int64_t{3} << 30));
    EXPECT_LT(body.capacity(), size_t{1} << 20);
  }
}

TEST(Source, ReadsWhatIsThere) {
  for (const Kind& k : kKinds) {
    std::vector<uint8_t> bytes;
    Reader r(k, range(10));
    EXPECT_EQ(r.src.read_upto(bytes, 4), 4) << k.name;
    EXPECT_EQ(r.src.read_upto(bytes, 100), 6) << k.name;
    EXPECT_EQ(bytes, Vec({4, 5, 6, 7, 8, 9})) << k.name;
    EXPECT_EQ(r.src.tell(), 10) << k.name;
  }
}

TEST(Source, ScanStopsAtTheByteOrTheEnd) {
  const struct {
    const char* name;
    Vec input;
    int64_t before;  // bytes skipped before the scan
    int64_t limit, passed;
    bool found;
  } cases[] = {
      {"found later", {1, 2, 3, 0xFF, 4}, 0, kNoLimit, 3, true},
      {"after a skip", {1, 0xFF, 2, 3, 0xFF}, 2, kNoLimit, 2, true},
      {"not there", {1, 2, 3, 4}, 0, kNoLimit, 4, false},
      {"beyond the limit", {1, 2, 3, 0xFF}, 0, 3, 3, false},
      {"just inside the limit", {1, 2, 3, 0xFF}, 0, 4, 3, true},
      {"at the limit already", {1, 2, 0xFF}, 2, 2, 0, false},
  };
  for (const auto& c : cases) {
    for (const Kind& k : kKinds) {
      SCOPED_TRACE(std::string(c.name) + ", " + k.name);
      Reader r(k, c.input, c.limit);
      ASSERT_TRUE(r.src.skip(c.before));
      bool found = !c.found;
      EXPECT_EQ(r.src.scan(0xFF, &found), c.passed);
      EXPECT_EQ(found, c.found);
      uint8_t b = 0;
      EXPECT_EQ(r.src.read(&b, 1) && b == 0xFF, c.found);  // the byte found is read next
    }
  }
}

TEST(Source, PeekShowsBufferedBytesWithoutConsuming) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    Reader r(k, {10, 11, 12, 13, 14, 15, 16}, 4);
    int64_t avail = -1;
    const uint8_t* p = r.src.peek(&avail);
    ASSERT_GE(avail, 1);
    EXPECT_LE(avail, 4);
    EXPECT_EQ(p[0], 10);
    EXPECT_EQ(r.src.consumed(), 0);
    ASSERT_TRUE(r.src.skip(3));
    p = r.src.peek(&avail);
    EXPECT_EQ(avail, 1);  // the limit bounds it
    EXPECT_EQ(p[0], 13);
    ASSERT_TRUE(r.src.skip(1));
    r.src.peek(&avail);
    EXPECT_EQ(avail, 0);
  }
}

TEST(Source, BytesLeft) {
  MemStream file(range(200), 16, MemStream::kFile);
  Source src = file.source();
  EXPECT_EQ(src.left(), 200);
  ASSERT_TRUE(src.skip(5));
  EXPECT_EQ(src.left(), 195);
  EXPECT_EQ(file.source(50).left(), 50);  // the limit is nearer than the end
  MemStream pipe(range(10));
  EXPECT_EQ(pipe.source().left(), kNoLimit);  // nothing bounds a pipe
  EXPECT_EQ(pipe.source(8).left(), 8);
}

TEST(Source, SubSourcesTakeTheirPartInPlace) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    Reader r(k, range(30), 20);
    ASSERT_TRUE(r.src.skip(4));
    Source member = r.src.sub(10);
    uint8_t d[3];
    ASSERT_TRUE(member.read(d, 3));
    EXPECT_EQ(d[0], 4);
    EXPECT_EQ(member.tell(), 3);  // offsets count from the member's start
    EXPECT_FALSE(member.skip(8));  // the member ends at 10
    // The archive passes over what its member took, and skips the rest.
    r.src.took(member.consumed());
    EXPECT_TRUE(r.src.skip(10 - member.consumed()));
    ASSERT_TRUE(r.src.read(d, 1));
    EXPECT_EQ(d[0], 14);
    // A member gets no more than its source still holds.
    EXPECT_EQ(r.src.sub(100).limit, 5);
  }
}

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

}  // namespace
