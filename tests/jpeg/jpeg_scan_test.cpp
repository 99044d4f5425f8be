// The count of entropy-coded data where the data is long enough to be looked
// over in whole blocks: what ends or interrupts the data stands at every
// position around the block and buffer boundaries.
#include <gtest/gtest.h>

#include <string>

#include "jpeg/jpeg.h"
#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::Levels;
using test::MemStream;

// `items` data items after an SOS segment: single bytes, every seventh a
// stuffed 0xFF 0x00 pair; some bytes look like marker codes (0xD9, 0xD0).
// Returns the image so far; *length gets the data's length in bytes.
Bytes scan_data(int items, int64_t* length) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x03, 0x01};
  *length = 0;
  for (int i = 0; i < items; ++i) {
    if (i % 7 == 3) {
      b.add({0xFF, 0x00});
      *length += 2;
    } else {
      b.add({static_cast<int>((i * 37 + 0xD0) & 0xFF) == 0xFF ? 0x12 : (i * 37 + 0xD0) & 0xFF});
      *length += 1;
    }
  }
  return b;
}

// What interrupts or ends the data, and how many of its bytes are counted.
struct Event {
  const char* name;
  Bytes bytes;
  int counted;
};

// The walk of `in` from each kind of source; the report at verbose 0.
void expect_count(const Bytes& in, int64_t count, const std::string& what) {
  const std::string want = "JPEG file start\nSOI marker\n\tSOS marker\n\t\t" +
                           std::to_string(count) +
                           " bytes entropy data (the image)\nEOI marker\nJPEG file end\n";
  Levels lv(0, 0);
  // Buffers that end inside, at and just after a 64-byte block.
  for (size_t bs : {size_t{3}, size_t{64}, size_t{65}, size_t{100}, size_t{129}, kStreamBuffer}) {
    Capture cap;
    MemStream ms(in.v, bs);
    Source src = ms.source();
    jpeg_file(src);
    EXPECT_EQ(cap.text(), want) << what << ", buffer " << bs;
    EXPECT_EQ(ms.position(), static_cast<long>(in.size())) << what << ", buffer " << bs;
  }
  {
    Capture cap;
    Bytes more = in;
    more.add({0xFF, 0x00, 0xFF, 0xD9});
    MemStream ms(more.v, 100);
    Source src = ms.source(static_cast<int64_t>(in.size()));
    jpeg_file(src);
    EXPECT_EQ(cap.text(), want) << what << ", member";
  }
  Capture cap;
  Source src = Source::of_memory(in.data(), static_cast<int64_t>(in.size()));
  jpeg_file(src);
  EXPECT_EQ(cap.text(), want) << what << ", memory";
}

TEST(JpegScan, EventsAtEveryPositionAroundTheBlocks) {
  const Event events[] = {
      {"a stuffed zero", {0xFF, 0x00}, 2},
      {"a restart code", {0xFF, 0xD5}, 2},
      {"fill before a stuffed zero", {0xFF, 0xFF, 0x00}, 2},
      {"fill before a restart code", {0xFF, 0xFF, 0xFF, 0xD0}, 2},
  };
  for (int items = 0; items < 200; ++items) {
    int64_t before = 0;
    Bytes head = scan_data(items, &before);
    // Each event, then 150 more bytes of data, then EOI.
    for (const Event& e : events) {
      Bytes in = head;
      in.append(e.bytes);
      for (int i = 0; i < 150; ++i) in.add({0x31});
      in.add({0xFF, 0xD9});
      expect_count(in, before + e.counted + 150, std::string(e.name) + " after " +
                                                     std::to_string(before) + " bytes");
    }
    // The data ends at once, or after fill bytes.
    Bytes end = head;
    end.add({0xFF, 0xD9});
    expect_count(end, before, "EOI after " + std::to_string(before) + " bytes");
    Bytes fill = head;
    fill.add({0xFF, 0xFF, 0xFF, 0xD9});
    expect_count(fill, before, "fill and EOI after " + std::to_string(before) + " bytes");
  }
}

}  // namespace
