// The JPEG marker walker over streams, limited streams and memory pictures.
#include "jpeg/jpeg.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::Levels;
using test::MemStream;

// A marker segment: 0xFF, the code, the length (counting itself), the payload.
Bytes seg(int code, const Bytes& payload) {
  Bytes b = {0xFF, code};
  b.be16(static_cast<uint32_t>(payload.size() + 2));
  return b.append(payload);
}

const Bytes kSOI = {0xFF, 0xD8};
const Bytes kEOI = {0xFF, 0xD9};

// The ways a JPEG reaches the walker.
enum class Src {
  kFile,         // a stream without a limit
  kSmallBuffer,  // the same, with a 3-byte buffer so that every scan refills
  kMember,       // a stream under a limit (an archive member), more bytes after it
  kMemory,       // a picture in memory, its length as the limit
};
const Src kAllSources[] = {Src::kFile, Src::kSmallBuffer, Src::kMember, Src::kMemory};

const char* src_name(Src s) {
  switch (s) {
    case Src::kFile:
      return "file";
    case Src::kSmallBuffer:
      return "small buffer";
    case Src::kMember:
      return "member";
    case Src::kMemory:
      return "memory";
  }
  return "";
}

struct Walk {
  std::string text;
  long consumed = -1;  // stream position afterwards (streams only)
};

Walk walk(const Bytes& in, int v, Src src = Src::kMemory, int depth = 0) {
  Levels lv(v, depth);
  Capture cap;
  Walk w;
  if (src == Src::kMemory) {
    jpeg_file(nullptr, in.data(), static_cast<int64_t>(in.size()));
  } else if (src == Src::kMember) {
    Bytes more = in;
    more.str("NEXT MEMBER");
    MemStream ms(more.v, 5);
    jpeg_file(ms.get(), nullptr, static_cast<int64_t>(in.size()));
    w.consumed = ms.position();
  } else {
    MemStream ms(in.v, src == Src::kSmallBuffer ? 3 : kStreamBuffer);
    jpeg_file(ms.get(), nullptr, 0);
    w.consumed = ms.position();
  }
  w.text = cap.text();
  return w;
}

// A small baseline image: SOI, APP0 (JFIF), DQT, SOF0, DHT, SOS, 5 bytes of
// scan data with a stuffed zero, EOI.
Bytes baseline() {
  Bytes b = kSOI;
  b.append(seg(0xE0, Bytes().strz("JFIF").add({1, 2, 1}).be16(72).be16(72).add({0, 0})));
  b.append(seg(0xDB, {0, 1, 2}));
  b.append(seg(0xC0, {8, 0, 24, 0, 32, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
  b.append(seg(0xC4, {0, 1, 2, 3}));
  b.append(seg(0xDA, {1, 1, 0, 0, 0x3F, 0}));
  b.add({0x12, 0x34, 0xFF, 0x00, 0x56});
  return b.append(kEOI);
}

TEST(Jpeg, BaselineAtEachVerbosity) {
  const std::string v0 =
      "JPEG file start\n"
      "SOI marker\n"
      "\tAPP0 marker\n"
      "\t\tJFIF header\n"
      "\t\tVersion: 1.2, Units: 1, Density: 72x72, Thumbnail: 0x0\n"
      "\tDQT marker\n"
      "\tSOF0 marker\n"
      "\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
      "\tDHT marker\n"
      "\tSOS marker\n"
      "\t\t5 bytes entropy data (the image)\n"
      "EOI marker\n"
      "JPEG file end\n";
  const std::string v1 =
      "JPEG file start\n"
      "SOI marker [Start of Image]\n"
      "\tAPP0 marker [Application 0]\n"
      "\t\tJFIF header\n"
      "\t\tVersion: 1.2, Units: 1, Density: 72x72, Thumbnail: 0x0\n"
      "\tDQT marker [Define Quantization Table], Length: 5\n"
      "\tSOF0 marker [Start of Frame (Baseline)]\n"
      "\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
      "\t\t\tComponent: 1, Sampling: 0x22, Quantization table: 0\n"
      "\t\t\tComponent: 2, Sampling: 0x11, Quantization table: 1\n"
      "\t\t\tComponent: 3, Sampling: 0x11, Quantization table: 1\n"
      "\tDHT marker [Define Huffman table], Length: 6\n"
      "\tSOS marker [Start of Scan], Length: 8\n"
      "\t\t5 bytes entropy data (the image)\n"
      "EOI marker [End of Image]\n"
      "JPEG file end\n";
  const std::string v2 =
      "JPEG file start\n"
      "Offset 0, JPEG marker: 0xffd8\n"
      "SOI marker [Start of Image]\n"
      "Offset 2, JPEG marker: 0xffe0\n"
      "\tAPP0 marker [Application 0], Length: 16\n"
      "\t\tJFIF header\n"
      "\t\tVersion: 1.2, Units: 1, Density: 72x72, Thumbnail: 0x0\n"
      "Offset 20, JPEG marker: 0xffdb\n"
      "\tDQT marker [Define Quantization Table], Length: 5\n"
      "\t\tBinary: <0x000102 |   |>\n"
      "Offset 27, JPEG marker: 0xffc0\n"
      "\tSOF0 marker [Start of Frame (Baseline)], Length: 17\n"
      "\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
      "\t\t\tComponent: 1, Sampling: 0x22, Quantization table: 0\n"
      "\t\t\tComponent: 2, Sampling: 0x11, Quantization table: 1\n"
      "\t\t\tComponent: 3, Sampling: 0x11, Quantization table: 1\n"
      "Offset 46, JPEG marker: 0xffc4\n"
      "\tDHT marker [Define Huffman table], Length: 6\n"
      "\t\tBinary: <0x00010203 |    |>\n"
      "Offset 54, JPEG marker: 0xffda\n"
      "\tSOS marker [Start of Scan], Length: 8, Binary: <0x010100003f00>\n"
      "\t\t5 bytes entropy data (the image)\n"
      "EOI marker [End of Image]\n"
      "JPEG file end\n";
  const Bytes in = baseline();
  for (Src s : kAllSources) {
    EXPECT_EQ(walk(in, 0, s).text, v0) << src_name(s);
    EXPECT_EQ(walk(in, 1, s).text, v1) << src_name(s);
    EXPECT_EQ(walk(in, 2, s).text, v2) << src_name(s);
  }
}

TEST(Jpeg, EmbeddedPictureStandsOneLevelDeeper) {
  EXPECT_EQ(walk(baseline(), 0, Src::kMemory, 1).text,
            "\tJPEG file start\n"
            "\tSOI marker\n"
            "\t\tAPP0 marker\n"
            "\t\t\tJFIF header\n"
            "\t\t\tVersion: 1.2, Units: 1, Density: 72x72, Thumbnail: 0x0\n"
            "\t\tDQT marker\n"
            "\t\tSOF0 marker\n"
            "\t\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
            "\t\tDHT marker\n"
            "\t\tSOS marker\n"
            "\t\t\t5 bytes entropy data (the image)\n"
            "\tEOI marker\n"
            "\tJPEG file end\n");
}

// SOF2, then two scans with a DHT between them: the DHT and the EOI that end
// the scans' data are handled without an offset line of their own.
Bytes progressive() {
  Bytes b = kSOI;
  b.append(seg(0xC2, {8, 0, 16}));
  b.append(seg(0xC4, {0xAA, 0xBB}));
  b.append(seg(0xDA, {1})).add({0x11, 0x22, 0x33});
  b.append(seg(0xC4, {0xCC, 0xDD}));
  b.append(seg(0xDA, {2})).add({0x44});
  return b.append(kEOI);
}

TEST(Jpeg, ProgressiveScansEachCounted) {
  const std::string v0 =
      "JPEG file start\n"
      "SOI marker\n"
      "\tSOF2 marker\n"
      "\tDHT marker\n"
      "\tSOS marker\n"
      "\t\t3 bytes entropy data (the image)\n"
      "\tDHT marker\n"
      "\tSOS marker\n"
      "\t\t1 bytes entropy data (the image)\n"
      "EOI marker\n"
      "JPEG file end\n";
  const std::string v2 =
      "JPEG file start\n"
      "Offset 0, JPEG marker: 0xffd8\n"
      "SOI marker [Start of Image]\n"
      "Offset 2, JPEG marker: 0xffc2\n"
      "\tSOF2 marker [Start of Frame (Progressive)], Length: 5, Binary: <0x080010>\n"
      "Offset 9, JPEG marker: 0xffc4\n"
      "\tDHT marker [Define Huffman table], Length: 4\n"
      "\t\tBinary: <0xaabb |  |>\n"
      "Offset 15, JPEG marker: 0xffda\n"
      "\tSOS marker [Start of Scan], Length: 3, Binary: <0x01>\n"
      "\t\t3 bytes entropy data (the image)\n"
      "\tDHT marker [Define Huffman table], Length: 4\n"
      "\t\tBinary: <0xccdd |  |>\n"
      "Offset 29, JPEG marker: 0xffda\n"
      "\tSOS marker [Start of Scan], Length: 3, Binary: <0x02>\n"
      "\t\t1 bytes entropy data (the image)\n"
      "EOI marker [End of Image]\n"
      "JPEG file end\n";
  for (Src s : kAllSources) {
    EXPECT_EQ(walk(progressive(), 0, s).text, v0) << src_name(s);
    EXPECT_NE(walk(progressive(), 1, s)
                  .text.find("\tSOF2 marker [Start of Frame (Progressive)], Length: 5\n"),
              std::string::npos)
        << src_name(s);
    EXPECT_EQ(walk(progressive(), 2, s).text, v2) << src_name(s);
  }
}

struct ScanCase {
  const char* name;
  Bytes data;  // what follows the SOS segment
  const char* count_line;
};

TEST(Jpeg, EntropyScanCountsDataUpToTheMarker) {
  const ScanCase cases[] = {
      {"plain", Bytes({1, 2, 3}).append(kEOI), "\t\t3 bytes entropy data (the image)\n"},
      {"nothing", Bytes(kEOI), "\t\t0 bytes entropy data (the image)\n"},
      {"stuffed zero and restarts",
       Bytes({1, 0xFF, 0, 2, 0xFF, 0xD3, 3, 0xFF, 0xD0, 0xFF, 0xD7}).append(kEOI),
       "\t\t11 bytes entropy data (the image)\n"},
      {"fill before EOI", Bytes({5, 6, 0xFF, 0xFF, 0xFF}).append(kEOI),
       "\t\t2 bytes entropy data (the image)\n"},
      {"fill before a stuffed zero", Bytes({5, 0xFF, 0xFF, 0x00, 6}).append(kEOI),
       "\t\t4 bytes entropy data (the image)\n"},
      {"fill before a restart", Bytes({0xFF, 0xFF, 0xD1}).append(kEOI),
       "\t\t2 bytes entropy data (the image)\n"},
  };
  for (const ScanCase& c : cases) {
    Bytes in = kSOI;
    in.append(seg(0xDA, {1})).append(c.data);
    std::string want = std::string("JPEG file start\nSOI marker\n\tSOS marker\n") + c.count_line +
                       "EOI marker\nJPEG file end\n";
    for (Src s : kAllSources) EXPECT_EQ(walk(in, 0, s).text, want) << c.name << ", " << src_name(s);
  }
}

TEST(Jpeg, ScanEndedByAnotherSegment) {
  Bytes in = kSOI;
  in.append(seg(0xDA, {1})).add({7, 8}).append(seg(0xFE, {'h', 'i'})).append(kEOI);
  for (Src s : kAllSources)
    EXPECT_EQ(walk(in, 1, s).text,
              "JPEG file start\n"
              "SOI marker [Start of Image]\n"
              "\tSOS marker [Start of Scan], Length: 3\n"
              "\t\t2 bytes entropy data (the image)\n"
              "\tCOM marker [Comment], Length: 4\n"
              "EOI marker [End of Image]\n"
              "JPEG file end\n")
        << src_name(s);
}

TEST(Jpeg, ScanThatRunsToTheEnd) {
  const std::string want =
      "JPEG file start\nSOI marker\n\tSOS marker\n\t\t3 bytes entropy data (the image)\nJPEG file "
      "end\n";
  Bytes in = kSOI;
  in.append(seg(0xDA, {1})).add({1, 2, 3});
  for (Src s : kAllSources) EXPECT_EQ(walk(in, 0, s).text, want) << src_name(s);
  // A last 0xFF (or fill) without its code is not counted as data.
  Bytes ff = in;
  ff.add({0xFF, 0xFF});
  for (Src s : kAllSources) EXPECT_EQ(walk(ff, 0, s).text, want) << src_name(s);
  // Under a limit that cuts the data, the count stops at the limit.
  Bytes more = in;
  more.add({4, 5, 6}).append(kEOI);
  Levels lv(0, 0);
  Capture cap;
  MemStream ms(more.v, 2);
  jpeg_file(ms.get(), nullptr, static_cast<int64_t>(in.size()));
  EXPECT_EQ(cap.text(), want);
  EXPECT_EQ(ms.position(), static_cast<long>(in.size()));
}

TEST(Jpeg, LongScanDataOverManyRefills) {
  Bytes in = kSOI;
  in.append(seg(0xDA, {1}));
  for (int i = 0; i < 100000; ++i) in.add({i % 7 == 0 ? 0xFF : 0x42, i % 7 == 0 ? 0x00 : 0x43});
  in.append(kEOI);
  for (Src s : kAllSources) {
    Walk w = walk(in, 0, s);
    EXPECT_NE(w.text.find("\t\t200000 bytes entropy data (the image)\nEOI marker\n"),
              std::string::npos)
        << src_name(s);
  }
}

TEST(Jpeg, FillBytesBeforeAMarker) {
  Bytes in = kSOI;
  in.add({0xFF, 0xFF, 0xFF, 0xDB, 0x00, 0x03, 0x07}).append(kEOI);
  for (Src s : kAllSources) {
    Walk w = walk(in, 2, s);
    EXPECT_EQ(w.text,
              "JPEG file start\n"
              "Offset 0, JPEG marker: 0xffd8\n"
              "SOI marker [Start of Image]\n"
              "Offset 2, JPEG marker: 0xffdb\n"
              "\tDQT marker [Define Quantization Table], Length: 3\n"
              "\t\tBinary: <0x07 | |>\n"
              "Offset 9, JPEG marker: 0xffd9\n"
              "EOI marker [End of Image]\n"
              "JPEG file end\n")
        << src_name(s);
    if (s != Src::kMemory) {
      EXPECT_EQ(w.consumed, 11) << src_name(s);
    }
  }
}

TEST(Jpeg, PaddingAfterEndOfImage) {
  Bytes exact = kSOI;
  exact.append(kEOI);
  Bytes padded = exact;
  padded.str("abc");
  const std::string plain =
      "JPEG file start\n"
      "Offset 0, JPEG marker: 0xffd8\n"
      "SOI marker [Start of Image]\n"
      "Offset 2, JPEG marker: 0xffd9\n"
      "EOI marker [End of Image]\n";
  // EOI exactly at the limit: no padding.
  EXPECT_EQ(walk(exact, 2, Src::kMemory).text, plain + "JPEG file end\n");
  EXPECT_EQ(walk(exact, 2, Src::kMember).text, plain + "JPEG file end\n");
  // Bytes after EOI under a limit are padding, skipped and shown at verbose 2.
  EXPECT_EQ(walk(padded, 2, Src::kMemory).text,
            plain + "\tjpeg file padding 3 bytes\nJPEG file end\n");
  Walk member = walk(padded, 2, Src::kMember);
  EXPECT_EQ(member.text, plain + "\tjpeg file padding 3 bytes\nJPEG file end\n");
  EXPECT_EQ(member.consumed, 7);
  EXPECT_EQ(
      walk(padded, 1, Src::kMemory).text,
      "JPEG file start\nSOI marker [Start of Image]\nEOI marker [End of Image]\nJPEG file end\n");
  // A file without a limit: what follows EOI is neither shown nor read.
  Walk file = walk(padded, 2, Src::kFile);
  EXPECT_EQ(file.text, plain + "JPEG file end\n");
  EXPECT_EQ(file.consumed, 4);
}

TEST(Jpeg, PaddingCutShortInAMember) {
  // The member's size claims more than the archive holds.
  Bytes in = kSOI;
  in.append(kEOI).str("ab");
  Levels lv(0, 0);
  Capture cap;
  MemStream ms(in.v);
  jpeg_file(ms.get(), nullptr, 10);
  EXPECT_EQ(
      cap.text(),
      "JPEG file start\nSOI marker\nEOI marker\nError: Premature end of file(2)\nJPEG file end\n");
}

TEST(Jpeg, UnsupportedMarkerAtEveryVerbosity) {
  Bytes in = kSOI;
  in.append(seg(0xE2, Bytes().fill(14, 0x55))).append(kEOI);
  for (int v = 0; v < 2; ++v) {
    std::string soi = v ? "SOI marker [Start of Image]\n" : "SOI marker\n";
    std::string eoi = v ? "EOI marker [End of Image]\n" : "EOI marker\n";
    EXPECT_EQ(walk(in, v).text, "JPEG file start\n" + soi +
                                    "\tUnsupported marker: 0xe2, Length: 16\n" + eoi +
                                    "JPEG file end\n");
  }
  EXPECT_NE(walk(in, 2).text.find(
                "Offset 2, JPEG marker: 0xffe2\n\tUnsupported marker: 0xe2, Length: 16\n"
                "Offset 20, JPEG marker: 0xffd9\n"),
            std::string::npos);
}

TEST(Jpeg, RestartIntervalAndComment) {
  Bytes in = kSOI;
  in.append(seg(0xDD, {0, 1})).append(seg(0xFE, {'h', 'i', '!'})).append(kEOI);
  EXPECT_EQ(walk(in, 0).text,
            "JPEG file start\nSOI marker\n\tDRI marker\n\tCOM marker\nEOI marker\nJPEG file end\n");
  EXPECT_EQ(walk(in, 1).text,
            "JPEG file start\nSOI marker [Start of Image]\n"
            "\tDRI marker [Define Restart Interval], Length: 4\n"
            "\tCOM marker [Comment], Length: 5\n"
            "EOI marker [End of Image]\nJPEG file end\n");
  EXPECT_NE(walk(in, 2).text.find(
                "\tDRI marker [Define Restart Interval], Length: 4\n\t\tBinary: <0x0001>\n"
                "Offset 8, JPEG marker: 0xfffe\n"
                "\tCOM marker [Comment], Length: 5\n\t\tBinary: <0x686921>\n"),
            std::string::npos);
}

TEST(Jpeg, TableDumpContinuesOnIndentedLines) {
  Bytes in = kSOI;
  in.append(seg(0xDB, Bytes().fill(32, 'A').add({'B'}))).append(kEOI);
  std::string hex;
  for (int i = 0; i < 32; ++i) hex += "41";
  std::string text = walk(in, 2, Src::kMemory, 1).text;
  EXPECT_NE(text.find("\t\tDQT marker [Define Quantization Table], Length: 35\n"
                      "\t\t\tBinary: <0x" +
                      hex + " |" + std::string(32, 'A') + "|\n\t\t\t\t42 |B|>\n"),
            std::string::npos)
      << text;
}

TEST(Jpeg, NotAJpegFile) {
  Bytes in = Bytes().str("ID3").add({3, 0});
  for (Src s : kAllSources) {
    EXPECT_EQ(walk(in, 0, s).text,
              "JPEG file start\n\tInvalid JPEG marker: 0x4944\nJPEG file end\n")
        << src_name(s);
    EXPECT_EQ(walk(in, 2, s).text,
              "JPEG file start\nOffset 0, JPEG marker: 0x4944\n\tInvalid JPEG marker: 0x4944\n"
              "JPEG file end\n")
        << src_name(s);
  }
  // A bad marker later on ends the walk as well.
  Bytes later = kSOI;
  later.add({0x00, 0x11, 0xFF, 0xD9});
  EXPECT_EQ(walk(later, 0).text,
            "JPEG file start\nSOI marker\n\tInvalid JPEG marker: 0x0011\nJPEG file end\n");
}

TEST(Jpeg, TinyAndEmptySources) {
  const std::string bare = "JPEG file start\nJPEG file end\n";
  for (Src s : kAllSources) {
    // (A member of size 0 would mean no limit: the archive walker's concern.)
    if (s != Src::kMember) {
      EXPECT_EQ(walk(Bytes(), 2, s).text, bare) << src_name(s);
    }
    EXPECT_EQ(walk(Bytes({0xFF}), 2, s).text, bare) << src_name(s);
  }
  // An empty picture in memory is not read at all.
  Bytes b = kSOI;
  Levels lv(2, 0);
  Capture cap;
  jpeg_file(nullptr, b.data(), 0);
  jpeg_file(nullptr, nullptr, 5);
  EXPECT_EQ(cap.text(), bare + bare);
}

TEST(Jpeg, SegmentThatPassesTheEndEndsTheWalkSilently) {
  Bytes in = kSOI;
  in.add({0xFF, 0xE2, 0x00, 0x10, 1, 2, 3});
  for (Src s : kAllSources)
    EXPECT_EQ(walk(in, 1, s).text, "JPEG file start\nSOI marker [Start of Image]\nJPEG file end\n")
        << src_name(s);
  // A length cut in half, too.
  Bytes half = kSOI;
  half.add({0xFF, 0xE2, 0x00});
  for (Src s : kAllSources)
    EXPECT_EQ(walk(half, 0, s).text, "JPEG file start\nSOI marker\nJPEG file end\n") << src_name(s);
}

TEST(Jpeg, SegmentLengthBelowTwo) {
  for (int len : {0, 1}) {
    Bytes in = kSOI;
    in.add({0xFF, 0xE2}).be16(static_cast<uint32_t>(len)).append(kEOI);
    for (Src s : kAllSources)
      EXPECT_EQ(walk(in, 0, s).text, "JPEG file start\nSOI marker\nError: Segment length " +
                                         std::to_string(len) + " is below 2\nJPEG file end\n")
          << src_name(s);
  }
  Bytes empty = kSOI;
  empty.add({0xFF, 0xE2, 0x00, 0x02}).append(kEOI);
  EXPECT_EQ(walk(empty, 0).text,
            "JPEG file start\nSOI marker\n\tUnsupported marker: 0xe2, Length: 2\nEOI marker\nJPEG "
            "file end\n");
}

struct ShortCase {
  const char* name;
  Bytes segment;
  const char* lines;  // what the segment prints at verbose 1
};

TEST(Jpeg, PayloadsTooShortForTheirFields) {
  const ShortCase cases[] = {
      {"frame header", seg(0xC0, {8, 0, 24, 0, 32}),
       "\tSOF0 marker [Start of Frame (Baseline)]\nError: Frame header too short\n"},
      {"components", seg(0xC0, {8, 0, 24, 0, 32, 3, 1, 0x22, 0, 2, 0x11}),
       "\tSOF0 marker [Start of Frame (Baseline)]\n"
       "\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
       "\t\t\tComponent: 1, Sampling: 0x22, Quantization table: 0\n"
       "Error: Frame header holds 1 of 3 components\n"},
      {"JFIF fields", seg(0xE0, Bytes().strz("JFIF").add({1, 2, 0, 0, 1, 0, 1, 0})),
       "\tAPP0 marker [Application 0]\n\t\tJFIF header\nError: JFIF header too short\n"},
      {"other APP0", seg(0xE0, Bytes().strz("JFXX").add({0x10, 1, 2})),
       "\tAPP0 marker [Application 0]\n\t\tJFXX header\n"},
      {"identifier without its zero", seg(0xE1, Bytes().str("Exif")),
       "\tAPP1 marker [Application 1]\n\t\tExif header\n"},
      {"JFIF in APP1", seg(0xE1, Bytes().strz("JFIF").add({1, 2, 0, 0, 1, 0, 1, 0, 0})),
       "\tAPP1 marker [Application 1]\n\t\tJFIF header\n"},
      {"XMP", seg(0xE1, Bytes().strz("http://ns.adobe.com/xap/1.0/").str("<x/>")),
       "\tAPP1 marker [Application 1]\n\t\thttp://ns.adobe.com/xap/1.0/ header\n"},
      {"Exif without a TIFF header", seg(0xE1, Bytes().strz("Exif").add({0, 'I', 'I', 42, 0})),
       "\tAPP1 marker [Application 1]\n\t\tExif header\nError: TIFF header too short\n"},
      {"Exif without its pad byte", seg(0xE1, Bytes().strz("Exif")),
       "\tAPP1 marker [Application 1]\n\t\tExif header\nError: TIFF header too short\n"},
      {"empty APP0", seg(0xE0, Bytes()), "\tAPP0 marker [Application 0]\n\t\t header\n"},
  };
  for (const ShortCase& c : cases) {
    Bytes in = kSOI;
    in.append(c.segment).append(kEOI);
    std::string want = std::string("JPEG file start\nSOI marker [Start of Image]\n") + c.lines +
                       "EOI marker [End of Image]\nJPEG file end\n";
    for (Src s : kAllSources) EXPECT_EQ(walk(in, 1, s).text, want) << c.name << ", " << src_name(s);
  }
}

TEST(Jpeg, ExifSegmentIsHandedToTheTiffWalker) {
  Bytes tiff = Bytes().str("II").le16(42).le32(8).le16(1);
  tiff.le16(0x010f).le16(2).le32(4).strz("abc").le32(0);
  Bytes in = kSOI;
  in.append(seg(0xE1, Bytes().strz("Exif").add({0}).append(tiff))).append(kEOI);
  EXPECT_EQ(walk(in, 0).text,
            "JPEG file start\n"
            "SOI marker\n"
            "\tAPP1 marker\n"
            "\t\tExif header\n"
            "\t\tIFD0 (main image)\n"
            "\t\t\t[Make] = {abc}\n"
            "EOI marker\n"
            "JPEG file end\n");
}

TEST(Jpeg, MarkerCallsAdvanceTheOffset) {
  Bytes in = kSOI;
  in.append(seg(0xFE, {1, 2, 3})).append(kEOI).str("xy");
  Levels lv(0, 0);
  Capture cap;
  int64_t offset = 0;
  const int64_t limit = static_cast<int64_t>(in.size());
  EXPECT_EQ(jpeg_marker(nullptr, in.data(), &offset, limit), 2);
  EXPECT_EQ(offset, 2);
  EXPECT_EQ(jpeg_marker(nullptr, in.data(), &offset, limit), 7);
  EXPECT_EQ(offset, 9);
  EXPECT_EQ(jpeg_marker(nullptr, in.data(), &offset, limit), 0);
  EXPECT_EQ(offset, limit);  // the padding is consumed
  EXPECT_EQ(jpeg_marker(nullptr, in.data(), &offset, limit), 0);
}

// Damaged copies of a JPEG with Exif data: whatever the bytes, the walk ends
// with its end line and never reads outside the picture (checked under the
// sanitizers).
TEST(Jpeg, DamagedPicturesEndCleanly) {
  Bytes tiff = Bytes().str("MM").be16(42).be32(8).be16(3);
  tiff.be16(0x010f).be16(2).be32(9).be32(50);
  tiff.be16(0x011a).be16(5).be32(1).be32(59);
  tiff.be16(0x8769).be16(4).be32(1).be32(8);
  tiff.be32(8).strz("Acme Cam").be32(72).be32(1);
  Bytes good = kSOI;
  good.append(seg(0xE1, Bytes().strz("Exif").add({0}).append(tiff)));
  good.append(seg(0xC0, {8, 0, 24, 0, 32, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
  good.append(seg(0xDA, {1})).add({1, 0xFF, 0, 2}).append(kEOI);
  std::mt19937 rng(12345);
  Levels lv(2, 0);
  for (int round = 0; round < 3000; ++round) {
    Bytes bad = good;
    int changes = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < changes; ++i)
      bad.v[rng() % bad.v.size()] = static_cast<uint8_t>(rng() % 3 == 0 ? 0xFF : rng());
    if (rng() % 4 == 0) bad.v.resize(rng() % bad.v.size());
    Capture cap;
    std::vector<uint8_t> exact(bad.v);  // exactly the picture's bytes, nothing after them
    jpeg_file(nullptr, exact.data(), static_cast<int64_t>(exact.size()));
    MemStream ms(bad.v, 7);
    jpeg_file(ms.get(), nullptr, 0);
    std::string text = cap.text();
    ASSERT_EQ(text.substr(text.size() - 14), "JPEG file end\n") << round;
  }
}

}  // namespace
