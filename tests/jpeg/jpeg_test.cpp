// The JPEG marker walker over streams, limited streams and memory pictures.
#include "jpeg/jpeg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/capture.h"
#include "support/formats.h"

namespace {

using namespace tagdelve;
using namespace std::string_literals;
using test::Capture;
using test::Levels;
using test::MemStream;
using test::image;
using test::seg;

// The ways a JPEG reaches the walker.
enum Src {
  kFile,         // a stream without a limit
  kSmallBuffer,  // the same, with a 3-byte buffer so that every scan refills
  kMember,       // a stream under a limit (an archive member), more bytes after it
  kMemory,       // a picture in memory, its length as the limit
};
const Src kAllSources[] = {kFile, kSmallBuffer, kMember, kMemory};

struct Walk {
  std::string text;
  long consumed = -1;  // stream position afterwards (streams only)
};

Walk walk(const std::string& in, int v, Src src = kMemory) {
  Levels lv(v, 0);
  Capture cap;
  Walk w;
  const std::string all = src == kMember ? in + "NEXT MEMBER" : in;
  const std::vector<uint8_t> bytes(all.begin(), all.end());  // exactly the bytes, nothing after
  if (src == kMemory) {
    Source mem = Source::of_memory(bytes.data(), static_cast<int64_t>(bytes.size()));
    jpeg_file(mem);
  } else {
    MemStream ms(bytes, src == kSmallBuffer ? 3 : src == kMember ? 5 : kStreamBuffer);
    Source s = src == kMember ? ms.source(static_cast<int64_t>(in.size())) : ms.source();
    jpeg_file(s);
    w.consumed = ms.position();
  }
  w.text = cap.text();
  return w;
}

// A small baseline image: SOI, two fill bytes, APP0 (JFIF), SOF0, DHT, SOS,
// 5 bytes of scan data with a stuffed zero, EOI. The offset line of a marker
// after fill bytes shows where the first 0xFF is.
TEST(Jpeg, BaselineAtVerbosityTwo) {
  const std::string in =
      image("\xFF\xFF" + seg(0xE0, "JFIF\0\1\2\1\0\x48\0\x48\0\0"s) +
            seg(0xC0, "\x08\0\x18\0\x20\3\1\x22\0\2\x11\1\3\x11\1"s) + seg(0xC4, "\0\1\2\3"s) +
            seg(0xDA, "\1\1\0\0\x3F\0"s) + "\x12\x34\xFF\0\x56"s);
  for (Src s : kAllSources) {
    const Walk w = walk(in, 2, s);
    EXPECT_EQ(w.text,
              "JPEG file start\n"
              "Offset 0, JPEG marker: 0xffd8\n"
              "SOI marker [Start of Image]\n"
              "Offset 2, JPEG marker: 0xffe0\n"
              "\tAPP0 marker [Application 0], Length: 16\n"
              "\t\tJFIF header\n"
              "\t\tVersion: 1.2, Units: 1, Density: 72x72, Thumbnail: 0x0\n"
              "Offset 22, JPEG marker: 0xffc0\n"
              "\tSOF0 marker [Start of Frame (Baseline)], Length: 17\n"
              "\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
              "\t\t\tComponent: 1, Sampling: 0x22, Quantization table: 0\n"
              "\t\t\tComponent: 2, Sampling: 0x11, Quantization table: 1\n"
              "\t\t\tComponent: 3, Sampling: 0x11, Quantization table: 1\n"
              "Offset 41, JPEG marker: 0xffc4\n"
              "\tDHT marker [Define Huffman table], Length: 6\n"
              "\t\tBinary: <0x00010203 |    |>\n"
              "Offset 49, JPEG marker: 0xffda\n"
              "\tSOS marker [Start of Scan], Length: 8, Binary: <0x010100003f00>\n"
              "\t\t5 bytes entropy data (the image)\n"
              "EOI marker [End of Image]\n"
              "JPEG file end\n")
        << "source " << s;
    EXPECT_EQ(w.consumed, s == kMemory ? -1 : static_cast<long>(in.size())) << "source " << s;
  }
}

// What follows an SOS segment, the count it gives and the lines after the count.
TEST(Jpeg, EntropyScanCountsDataUpToTheMarker) {
  const std::string eoi = "EOI marker\nJPEG file end\n", end = "JPEG file end\n";
  const struct {
    std::string data;
    int count;
    std::string after;
  } cases[] = {
      {"\1\2\3\xFF\xD9", 3, eoi},
      {"\xFF\xD9", 0, eoi},
      {"\1\xFF\0\2\xFF\xD3\3\xFF\xD0\xFF\xD7\xFF\xD9"s, 11, eoi},  // stuffed zero, restarts
      {"\5\6\xFF\xFF\xFF\xFF\xD9", 2, eoi},                        // fill before EOI
      {"\5\xFF\xFF\0\6\xFF\xD9"s, 4, eoi},                         // fill before a stuffed zero
      {"\xFF\xFF\xD1\xFF\xD9", 2, eoi},                            // fill before a restart
      {"\7\x08" + seg(0xFE, "hi") + "\xFF\xD9", 2, "\tCOM marker\n" + eoi},
      // To the end of the source (of the member: its limit): the marker that
      // ends the data is missing, or a last 0xFF's code.
      {"\1\2\3", 3, "Error: @ ends inside the entropy-coded data at offset 10: 2 more bytes expected\n" + end},
      {"\1\2\3\xFF\xFF", 3, "Error: @ ends inside the entropy-coded data at offset 12: 1 more byte expected\n" + end},
  };
  for (const auto& c : cases) {
    const std::string in = "\xFF\xD8" + seg(0xDA, "\1") + c.data;
    for (Src s : kAllSources) {
      Walk w = walk(in, 0, s);
      std::string after = c.after;
      if (size_t at = after.find('@'); at != std::string::npos) after.replace(at, 1, s == kMember ? "Member" : "File");
      EXPECT_EQ(w.text, "JPEG file start\nSOI marker\n\tSOS marker\n\t\t" +
                            std::to_string(c.count) + " bytes entropy data (the image)\n" + after)
          << c.count << ", source " << s;
      EXPECT_EQ(w.consumed, s == kMemory ? -1 : static_cast<long>(in.size())) << c.count;
    }
  }
}

// Bytes after EOI under a limit are padding, skipped and shown at verbose 2;
// without a limit (a file) they are neither shown nor read.
TEST(Jpeg, PaddingAfterEndOfImage) {
  const std::string exact = image(""), padded = image("") + "abc";
  const std::string head =
      "JPEG file start\nOffset 0, JPEG marker: 0xffd8\nSOI marker [Start of Image]\n"
      "Offset 2, JPEG marker: 0xffd9\nEOI marker [End of Image]\n";
  const struct {
    const std::string& in;
    Src src;
    bool padding;   // shown and skipped
    long consumed;  // streams only
  } cases[] = {
      {exact, kMemory, false, -1}, {exact, kMember, false, 4}, {padded, kMemory, true, -1},
      {padded, kMember, true, 7},  {padded, kFile, false, 4},
  };
  for (const auto& c : cases) {
    Walk w = walk(c.in, 2, c.src);
    EXPECT_EQ(w.text, head + (c.padding ? "\tjpeg file padding 3 bytes\n" : "") + "JPEG file end\n")
        << c.in.size() << ", source " << c.src;
    EXPECT_EQ(w.consumed, c.consumed) << c.in.size() << ", source " << c.src;
  }
  EXPECT_EQ(walk(padded, 1).text.find("padding"), std::string::npos);  // verbose 2 only
}

// The input, and what the walk prints at verbose 1 between its start and end
// lines. Payloads too short for their fields are never read past; a walk
// that cannot go on ends.
TEST(Jpeg, SegmentsAndEarlyEnds) {
  const std::string soi = "SOI marker [Start of Image]\n", eoi = "EOI marker [End of Image]\n";
  const std::string not_jpeg = "ID3\3\0"s;
  const std::string sof0 = soi + "\tSOF0 marker [Start of Frame (Baseline)]\n",
                    app0 = soi + "\tAPP0 marker [Application 0]\n",
                    app1 = soi + "\tAPP1 marker [Application 1]\n";
  const struct {
    std::string in, lines;
  } cases[] = {
      {image(seg(0xDD, "\0\1"s)),
       soi + "\tDRI marker [Define Restart Interval], Length: 4\n" + eoi},
      {image(seg(0xE2, std::string(14, 'U'))),
       soi + "\tUnsupported marker: 0xe2, Length: 16\n" + eoi},
      {image(seg(0xC0, "\x08\0\x18\0\x20"s)), sof0 + "Error: Frame header too short\n" + eoi},
      {image(seg(0xC0, "\x08\0\x18\0\x20\3\1\x22\0\2\x11"s)),
       sof0 +
           "\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
           "\t\t\tComponent: 1, Sampling: 0x22, Quantization table: 0\n"
           "Error: Frame header holds 1 of 3 components\n" +
           eoi},
      {image(seg(0xE0, "JFIF\0\1\2\0\0\1\0\1\0"s)),
       app0 + "\t\tJFIF header\nError: JFIF header too short\n" + eoi},
      {image(seg(0xE0, "JFXX\0\x10\1\2"s)), app0 + "\t\tJFXX header\n" + eoi},
      {image(seg(0xE0, "")), app0 + "\t\t header\n" + eoi},
      {image(seg(0xE1, "Exif")), app1 + "\t\tExif header\n" + eoi},  // no zero after it
      {image(seg(0xE1, "Exif\0"s)), app1 + "\t\tExif header\nError: TIFF header too short\n" + eoi},
      {not_jpeg, "\tInvalid JPEG marker: 0x4944\n"},
      {"", ""},
      {"\xFF", "Error: @ ends inside the JPEG marker at offset 1: 1 more byte expected\n"},
      {"\xFF\xD8\0\x11\xFF\xD9"s, soi + "\tInvalid JPEG marker: 0x0011\n"},
      {"\xFF\xD8\xFF\xE2\0\0\xFF\xD9"s, soi + "Error: Segment length 0 is below 2\n"},
      {"\xFF\xD8\xFF\xE2\0\1\xFF\xD9"s, soi + "Error: Segment length 1 is below 2\n"},
      {"\xFF\xD8\xFF\xE2\0\x10\1\2\3"s,  // the segment passes the end
       soi + "Error: @ ends inside the unsupported marker 0xe2 at offset 9: 11 more bytes expected\n"},
      {"\xFF\xD8\xFF\xE2\0"s,  // its length cut in half
       soi + "Error: @ ends inside the unsupported marker 0xe2 at offset 5: 1 more byte expected\n"},
  };
  for (const auto& c : cases)
    for (Src s : kAllSources) {
      std::string lines = c.lines;
      if (size_t at = lines.find('@'); at != std::string::npos) lines.replace(at, 1, s == kMember ? "Member" : "File");
      EXPECT_EQ(walk(c.in, 1, s).text, "JPEG file start\n" + lines + "JPEG file end\n") << c.lines << "source " << s;
    }
  EXPECT_EQ(walk(not_jpeg, 2).text,
            "JPEG file start\nOffset 0, JPEG marker: 0x4944\n\tInvalid JPEG marker: 0x4944\n"
            "JPEG file end\n");
  // An empty picture in memory is not read at all.
  Levels lv(2, 0);
  Capture cap;
  Source empty = Source::of_memory(reinterpret_cast<const uint8_t*>("\xFF\xD8"), 0);
  jpeg_file(empty);
  EXPECT_EQ(cap.text(), "JPEG file start\nJPEG file end\n");
}

}  // namespace
