// The source reader over each kind of source: a block of memory, a pipe and
// a regular file, the streams with read buffers small enough that requests
// cross refills and with the tool's own.
#include "common/source.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Captured;
using test::MemStream;
using Vec = std::vector<uint8_t>;

Vec range(int n) {
  Vec v;
  for (int i = 0; i < n; ++i) v.push_back(static_cast<uint8_t>(i));
  return v;
}

const struct Kind {
  const char* name;
  bool memory;
  MemStream::Kind fd;
  size_t buffer;
} kKinds[] = {
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
  Reader(const Kind& k, const Vec& b, int64_t limit = kNoLimit, Report* r = nullptr) : bytes(b) {
    if (k.memory) {
      src = Source::of_memory(bytes.data(), std::min<int64_t>(limit, static_cast<int64_t>(bytes.size())), r);
    } else {
      stream = std::make_unique<MemStream>(bytes, k.buffer, k.fd);
      src = limit == kNoLimit ? stream->source(r) : stream->source(limit, r);
    }
  }
};

TEST(Source, ReadsSkipsAndTheirFailures) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    Captured cap;
    Reader r(k, range(50), 40, cap.r.get());
    uint8_t d[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_TRUE(r.src.skip(36) && r.src.skip(0) && r.src.skip(-3));
    EXPECT_FALSE(r.src.read(d, 5));  // refused by the limit: nothing read, nothing moved
    EXPECT_EQ(d[0], 0xAA);
    EXPECT_EQ(r.src.tell(), 36);
    ASSERT_TRUE(r.src.read(d, 2));
    EXPECT_EQ(d[1], 37);
    EXPECT_FALSE(r.src.read(d, -1));
    EXPECT_FALSE(r.src.skip(3));  // past the limit: nothing skipped, but the position moves on
    EXPECT_EQ(r.src.tell(), 41);
    EXPECT_EQ(r.src.consumed(), k.memory ? 40 : 38);
    EXPECT_EQ(cap.text(), "Error: Premature end of file(1)\n");
  }
  for (const Kind& k : kKinds) {
    if (k.memory) continue;
    SCOPED_TRACE(k.name);
    Captured cap;
    Reader r(k, range(10), kNoLimit, cap.r.get());
    uint8_t e[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    ASSERT_TRUE(r.src.skip(8));
    EXPECT_FALSE(r.src.read(e, 4));  // the stream ends inside: what was read stays
    EXPECT_EQ(Vec(e, e + 4), Vec({8, 9, 0xAA, 0xAA}));
    EXPECT_EQ(r.src.tell(), 8);
    EXPECT_EQ(r.src.consumed(), 10);
    EXPECT_EQ(r.src.shortfall.at, 10);
    EXPECT_EQ(r.src.shortfall.missing, 2);
    EXPECT_FALSE(r.src.skip(300));
    EXPECT_EQ(cap.text(), "Error: Premature end of file(2)\n");
  }
}

TEST(Source, ClaimedBodiesAreNotAllocatedAheadOfTheirBytes) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    std::vector<uint8_t> body;
    Reader r(k, range(10), 9);
    ASSERT_TRUE(r.src.body(body, 6));
    EXPECT_EQ(body, Vec({0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(r.src.body(body, 4));  // refused by the limit
    EXPECT_EQ(r.src.consumed(), 6);
    EXPECT_EQ(r.src.read_upto(body, 100), 3);
    // pass() takes a claim as body() does, keeping nothing: a claim past the
    // end is missing as a whole, from a pipe too, where it is met by reading.
    Reader over(k, range(10));
    ASSERT_TRUE(over.src.pass(4));
    EXPECT_FALSE(over.src.pass(100));
    EXPECT_EQ(over.src.tell(), 4);
    EXPECT_EQ(over.src.shortfall.at, 10);
    EXPECT_EQ(over.src.shortfall.missing, 94);
    if (k.memory) continue;
    // A terabyte fails at once in a file, and from a pipe grows only with its
    // bytes; either way the stream is consumed as a read meeting its end.
    Reader big(k, range(100));
    EXPECT_FALSE(big.src.body(body, int64_t{1} << 40));
    EXPECT_LT(body.capacity(), size_t{1} << 20);
    EXPECT_EQ(big.src.consumed(), 100);
    Reader member(k, range(100), int64_t{4} << 30);  // a member's size is a claim too
    EXPECT_FALSE(member.src.body(body, int64_t{3} << 30));
    EXPECT_LT(body.capacity(), size_t{1} << 20);
  }
}

TEST(Source, ScanPeekAndLook) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    Reader r(k, {1, 2, 0xFF, 3, 4, 0xFF, 5}, 6);
    bool found = false;
    EXPECT_EQ(r.src.scan(0xFF, &found), 2);
    EXPECT_TRUE(found);
    int64_t avail = 0;
    EXPECT_EQ(r.src.look(100, &avail)[0], 0xFF);  // the rest, up to the limit, in one piece
    EXPECT_EQ(avail, 4);
    EXPECT_EQ(r.src.peek(&avail)[0], 0xFF);
    EXPECT_GE(avail, 1);
    ASSERT_TRUE(r.src.skip(1));
    EXPECT_EQ(r.src.scan(0xFF, &found), 2);
    EXPECT_TRUE(found);
    ASSERT_TRUE(r.src.skip(1));
    EXPECT_EQ(r.src.scan(0xFF, &found), 0);  // at the limit, before the last bytes
    EXPECT_FALSE(found);
    r.src.peek(&avail);
    EXPECT_EQ(avail, 0);
  }
}

TEST(Source, BytesLeftAndMembers) {
  MemStream file(range(200), 16, MemStream::kFile);
  EXPECT_EQ(file.source().left(), 200);
  EXPECT_EQ(file.source(50).left(), 50);
  MemStream pipe(range(10));
  EXPECT_EQ(pipe.source().left(), kNoLimit);  // nothing bounds a pipe
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    Reader r(k, range(30), 20);
    ASSERT_TRUE(r.src.skip(4));
    Source member = r.src.sub(10);
    uint8_t d[3];
    ASSERT_TRUE(member.read(d, 3));
    EXPECT_EQ(d[0], 4);
    EXPECT_EQ(member.tell(), 3);   // offsets count from the member's start
    EXPECT_FALSE(member.skip(8));  // the member ends at 10
    r.src.took(member.consumed());
    EXPECT_TRUE(r.src.skip(10 - member.consumed()));
    ASSERT_TRUE(r.src.read(d, 1));
    EXPECT_EQ(d[0], 14);
    EXPECT_EQ(r.src.sub(100).limit, 5);  // no more than the source still holds
  }
}

// Positioned reads, as the TIFF walker makes them: from memory and regular
// files, up to the member's or the file's end, the position left where it
// was; a pipe has none.
TEST(Source, ReadsAtPositions) {
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    Reader r(k, range(36));
    ASSERT_TRUE(r.src.skip(10));
    Source member = r.src.sub(30);  // offsets 0 to 25 lie in the file
    uint8_t d[4] = {};
    if (!member.positioned()) {
      EXPECT_EQ(member.read_at(0, d, 4), -1);
      continue;
    }
    EXPECT_EQ(member.read_at(5, d, 4), 4);
    EXPECT_EQ(d[0], 15);
    EXPECT_EQ(d[3], 18);
    EXPECT_EQ(member.read_at(24, d, 4), 2);
    EXPECT_EQ(d[1], 35);
    EXPECT_EQ(member.read_at(26, d, 4), 0);
    EXPECT_EQ(member.read_at(-1, d, 4), 0);
    ASSERT_TRUE(member.read(d, 1));
    EXPECT_EQ(d[0], 10);
  }
  Reader limited(kKinds[5], range(50), 20);
  uint8_t d[8];
  EXPECT_EQ(limited.src.read_at(16, d, 8), 4);  // the limit, not the file's end
  // A read that fails is reported once, as the failure it is, not as the
  // file's end (a directory's descriptor stands in for a failing disk).
  Captured cap;
  Reader failing(kKinds[5], range(50), kNoLimit, cap.r.get());
  Stream& s = *failing.stream->get();
  s.report = cap.r.get(), s.name = "f.tif";
  const int file = s.fd;
  s.fd = open("/", O_RDONLY);
  EXPECT_EQ(failing.src.read_at(16, d, 8), 0);
  EXPECT_EQ(failing.src.read_at(0, d, 8), 0);
  report_end(failing.src, "File", "TIFF header", 0, 8);
  close(s.fd);
  s.fd = file;
  EXPECT_EQ(cap.text(), "Error: reading f.tif failed: Is a directory\n");
}

TEST(Source, ReadBufferIsPageAligned) {
  // read() from the page cache into a destination that is not page-aligned
  // costs several times as much on some CPUs.
  for (size_t size : {size_t{1}, size_t{7}, kStreamBuffer}) {
    MemStream ms(range(10), size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(ms.get()->buf + kLookahead) % kPage, 0u) << size;
  }
}

}  // namespace
