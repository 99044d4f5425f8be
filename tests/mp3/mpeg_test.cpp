#include "mp3/mpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "mp3/mp3_support.h"

namespace {

using namespace test;

const Bytes k128 = audio_frame(0xFB, 0x90, 0x00, 417);  // MPEG-1 layer III 128k 44100 Hz

// One frame per case, the file exactly one frame long, at verbose 2.
TEST(MpegFrame, HeaderDecodingAndFrameLength) {
  struct Case {
    int b1, b2, b3;
    const char* kind;  // version, layer, protection
    int kbps, length;
    const char* rest;  // frequency and flags
  };
  const Case cases[] = {
      {0xFB, 0x90, 0x00, "mpg-i layer III, Err. prot.: off", 128, 417, "44100Hz, Flags: <0x0000>"},
      {0xFB, 0x92, 0x44, "mpg-i layer III, Err. prot.: off", 128, 418, "44100Hz, Flags: <0x0244>"},
      {0xFA, 0x91, 0xC4, "mpg-i layer III, Err. prot.: on", 128, 417, "44100Hz, Flags: <0x01c4>"},
      {0xF3, 0x80, 0x00, "mpg-ii layer III, Err. prot.: off", 64, 208, "22050Hz, Flags: <0x0000>"},
      {0xE3, 0x18, 0x00, "'MPEG 2.5' layer III, Err. prot.: off", 8, 72, "8000Hz, Flags: <0x0000>"},
      {0xFF, 0x10, 0x00, "mpg-i layer I, Err. prot.: off", 32, 32, "44100Hz, Flags: <0x0000>"},
      {0xFF, 0x12, 0x00, "mpg-i layer I, Err. prot.: off", 32, 36, "44100Hz, Flags: <0x0200>"},
  };
  for (const Case& c : cases) {
    char head[64];
    snprintf(head, sizeof head, "Offset 0, Frame header <0xff%02x%02x%02x>\n", c.b1, c.b2, c.b3);
    std::string kbps = std::to_string(c.kbps), length = std::to_string(c.length);
    EXPECT_EQ(walk(audio_frame(c.b1, c.b2, c.b3, static_cast<size_t>(c.length)), 2),
              kStart + head + "Data frame, " + c.kind + ", Bit Rate: " + kbps +
                  "k,\n\tFrame Length: " + length + ", Frequency: " + c.rest + "\n" +
                  stats(1, "0m 0.026s", "Constant bitrate: " + kbps + "kbps", c.length))
        << c.kind << " " << c.kbps;
  }
}

TEST(MpegFrame, Statistics) {
  // Constant: no frame lines below verbose 2.
  Bytes cbr = Bytes(k128).append(k128).append(k128);
  const std::string three = stats(3, "0m 0.078s", "Constant bitrate: 128kbps", 1251);
  EXPECT_EQ(walk(cbr, 0), kStart + three);
  EXPECT_EQ(walk(cbr, 1), kStart + three);
  // 128 + 128 + 160 = 416 kbit/s over 3 frames: 138.
  Bytes vbr = Bytes(k128).append(k128).append(audio_frame(0xFB, 0xA0, 0x00, 522));
  EXPECT_EQ(walk(vbr, 0), kStart + stats(3, "0m 0.078s", "Average bitrate: 138kbps (vbr)", 1356));
  // Nothing is left over for the next walk; a file without frames.
  EXPECT_EQ(walk(Bytes{}, 2), kStart + no_frames(0));
  EXPECT_EQ(walk(Bytes{0xFF, 0xFB, 0x90}, 2),
            kStart + "Error: File ends inside the frame header at offset 3: 1 more byte expected\n" + no_frames(0));
  // A change from a bit rate of 0 is not variable; a change to it is.
  EXPECT_EQ(walk(free_frame().append(k128), 0),
            kStart + stats(2, "0m 0.052s", "Constant bitrate: 128kbps", 421));
  EXPECT_EQ(walk(Bytes(k128).append(free_frame()), 0),
            kStart + stats(2, "0m 0.052s", "Average bitrate: 64kbps (vbr)", 421));
  Bytes many;
  for (int i = 0; i < 10000; ++i) many.append(k128);
  EXPECT_EQ(walk(many, 0), kStart + stats(10000, "4m 20.000s", "Constant bitrate: 128kbps", 4170000));
}

TEST(MpegFrame, GarbageBetweenFramesEndsTheWalk) {
  Bytes file = Bytes(k128).str("JUNK").append(k128);
  std::string err = "Error: Frame header <0x4a554e4b> not recognised\n";
  EXPECT_EQ(walk(file, 0), kStart + err + stats(1, "0m 0.026s", "Constant bitrate: 128kbps", 421));
  // Only the 11 sync bits are tested: FF D0 lacks one.
  EXPECT_EQ(walk(Bytes{0xFF, 0xD0, 0x00, 0x00}, 0),
            kStart + "Error: Frame header <0xffd00000> not recognised\n" + no_frames(4));
}

TEST(MpegFrame, SourceEndingInsideAFrame) {
  // The frame counts with its full length; the skip reports the end.
  Bytes file = k128;
  file.v.resize(104);
  const std::string one = stats(1, "0m 0.026s", "Constant bitrate: 128kbps", 417);
  EXPECT_EQ(walk(file, 0), kStart + "Error: Premature end of file(2)\n" + one);
  EXPECT_EQ(walk_memory(file, 0), kStart + "Error: Premature end of file(1)\n" + one);
}

TEST(MpegFrame, ShortOrNegativeLengthNeverGoesBack) {
  // Bit-rate index 15 (-1 kbit/s) gives a length of -3; the reserved version
  // index 1 has sample rate -1. Only the header is consumed each time.
  Bytes file = Bytes{0xFF, 0xFB, 0xF0, 0x00}.add({0xFF, 0xEB, 0x90, 0x00}).append(free_frame());
  EXPECT_EQ(walk(file, 0), kStart + stats(3, "0m 0.078s", "Average bitrate: 42kbps (vbr)", 12));
  std::string v2 = walk(file, 2);
  EXPECT_NE(v2.find("\tFrame Length: -18432000, Frequency: -1Hz, Flags: <0x0000>\nOffset 8,"), std::string::npos)
      << v2;
}

TEST(MpegFrame, TagSignaturesGoToTheirWalkers) {
  // Each signature with too few bytes after it: the walker prints its first
  // line and its read fails, which ends the walk, and says where.
  const std::string cut = "Error: File ends inside the ";
  const std::string sigs[][2] = {
      {"TAG+", "ID3v1 extended tag\n" + cut + "ID3v1 extended tag at offset 11: 220 more bytes expected\n"},
      {"TAGx", "ID3v1 tag\n" + cut + "ID3v1 tag at offset 11: 121 more bytes expected\n"},
      {"TAG+x", "ID3v1 extended tag\n" + cut + "ID3v1 extended tag at offset 12: 219 more bytes expected\n"},
      {"LYRI", "Lyrics3 block\n" + cut + "Lyrics3 block at offset 11: 4 more bytes expected\n"},
      {"APET", "APE v2 tag\n" + cut + "APE v2 tag at offset 11: 25 more bytes expected\n"},
      {"APEx", "Error: Frame header <0x41504578> not recognised\n"}};
  for (auto& s : sigs) {
    EXPECT_EQ(walk(free_frame().str(s[0]).fill(3, 0x20), 0), kStart + s[1] + one_free_frame(8))
        << s[0];
  }
}

}  // namespace
