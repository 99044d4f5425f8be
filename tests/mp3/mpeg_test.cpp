#include "mp3/mpeg.h"

#include <gtest/gtest.h>

#include <string>

#include "mp3/mp3_support.h"
#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::audio_frame;
using test::Bytes;
using test::stats;
using test::walk;

const std::string kStart = "MPEG (MP3) file start\n";

struct FrameCase {
  const char* name;
  int b1, b2, b3;
  const char* lines;  // the two frame lines at verbose 2
  int length;
};

// One frame per case, the file exactly one frame long.
TEST(MpegFrame, HeaderDecodingAndFrameLength) {
  const FrameCase cases[] = {
      {"MPEG-1 III 128k 44100", 0xFB, 0x90, 0x00,
       "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 128k,\n"
       "\tFrame Length: 417, Frequency: 44100Hz, Flags: <0x0000>\n", 417},
      {"padded", 0xFB, 0x92, 0x44,
       "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 128k,\n"
       "\tFrame Length: 418, Frequency: 44100Hz, Flags: <0x0244>\n", 418},
      {"protected, private bit", 0xFA, 0x91, 0xC4,
       "Data frame, mpg-i layer III, Err. prot.: on, Bit Rate: 128k,\n"
       "\tFrame Length: 417, Frequency: 44100Hz, Flags: <0x01c4>\n", 417},
      {"MPEG-2 III 64k 22050", 0xF3, 0x80, 0x00,
       "Data frame, mpg-ii layer III, Err. prot.: off, Bit Rate: 64k,\n"
       "\tFrame Length: 208, Frequency: 22050Hz, Flags: <0x0000>\n", 208},
      {"MPEG 2.5 III 8k 8000", 0xE3, 0x18, 0x00,
       "Data frame, 'MPEG 2.5' layer III, Err. prot.: off, Bit Rate: 8k,\n"
       "\tFrame Length: 72, Frequency: 8000Hz, Flags: <0x0000>\n", 72},
      {"MPEG 2.5 III 24k 11025", 0xE3, 0x30, 0x00,
       "Data frame, 'MPEG 2.5' layer III, Err. prot.: off, Bit Rate: 24k,\n"
       "\tFrame Length: 156, Frequency: 11025Hz, Flags: <0x0000>\n", 156},
      {"MPEG-1 I 32k 44100", 0xFF, 0x10, 0x00,
       "Data frame, mpg-i layer I, Err. prot.: off, Bit Rate: 32k,\n"
       "\tFrame Length: 32, Frequency: 44100Hz, Flags: <0x0000>\n", 32},
      {"MPEG-1 I padded", 0xFF, 0x12, 0x00,
       "Data frame, mpg-i layer I, Err. prot.: off, Bit Rate: 32k,\n"
       "\tFrame Length: 36, Frequency: 44100Hz, Flags: <0x0200>\n", 36},
      {"MPEG-1 II 32k 32000", 0xFD, 0x18, 0xC4,
       "Data frame, mpg-i layer II, Err. prot.: off, Bit Rate: 32k,\n"
       "\tFrame Length: 144, Frequency: 32000Hz, Flags: <0x00c4>\n", 144},
      {"MPEG-2 II 8k 16000", 0xF5, 0x18, 0x00,
       "Data frame, mpg-ii layer II, Err. prot.: off, Bit Rate: 8k,\n"
       "\tFrame Length: 72, Frequency: 16000Hz, Flags: <0x0000>\n", 72},
      {"MPEG-2 I 256k 24000", 0xF7, 0xE4, 0x00,
       "Data frame, mpg-ii layer I, Err. prot.: off, Bit Rate: 256k,\n"
       "\tFrame Length: 512, Frequency: 24000Hz, Flags: <0x0000>\n", 512},
      {"MPEG-1 III 320k 48000", 0xFB, 0xE4, 0x00,
       "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 320k,\n"
       "\tFrame Length: 960, Frequency: 48000Hz, Flags: <0x0000>\n", 960},
  };
  for (const FrameCase& c : cases) {
    Bytes file = audio_frame(c.b1, c.b2, c.b3, static_cast<size_t>(c.length));
    char head[64];
    snprintf(head, sizeof head, "Offset 0, Frame header <0xff%02x%02x%02x>\n", c.b1, c.b2, c.b3);
    char rate[32];
    std::string frame_lines = c.lines;
    std::string kbps = frame_lines.substr(frame_lines.find("Bit Rate: ") + 10);
    snprintf(rate, sizeof rate, "Constant bitrate: %dkbps", std::stoi(kbps));
    EXPECT_EQ(walk(file, 2), kStart + std::string(head) + c.lines +
                                 stats(1, "0m 0.026s", rate, c.length))
        << c.name;
  }
}

TEST(MpegFrame, VerbosityZeroAndOneShowNoFrameLines) {
  Bytes file = audio_frame(0xFB, 0x90, 0x00, 417).append(audio_frame(0xFB, 0x90, 0x00, 417));
  std::string want = kStart + stats(2, "0m 0.052s", "Constant bitrate: 128kbps", 834);
  EXPECT_EQ(walk(file, 0), want);
  EXPECT_EQ(walk(file, 1), want);
}

TEST(MpegFrame, ConstantBitRate) {
  Bytes file;
  for (int i = 0; i < 3; ++i) file.append(audio_frame(0xFB, 0x90, 0x00, 417));
  EXPECT_EQ(walk(file, 0), kStart + stats(3, "0m 0.078s", "Constant bitrate: 128kbps", 1251));
}

TEST(MpegFrame, VariableBitRateAveragesWithTruncation) {
  // 128 + 128 + 160 = 416 kbit/s over 3 frames: 138.
  Bytes file = audio_frame(0xFB, 0x90, 0x00, 417)
                   .append(audio_frame(0xFB, 0x90, 0x00, 417))
                   .append(audio_frame(0xFB, 0xA0, 0x00, 522));
  EXPECT_EQ(walk(file, 0), kStart + stats(3, "0m 0.078s", "Average bitrate: 138kbps (vbr)", 1356));
}

TEST(MpegFrame, ChangeFromZeroBitRateIsNotVariable) {
  // A free-format frame (bit rate 0) then a 128k frame: the change does not
  // count, and the last bit rate is shown.
  Bytes file = test::free_frame().append(audio_frame(0xFB, 0x90, 0x00, 417));
  EXPECT_EQ(walk(file, 0), kStart + stats(2, "0m 0.052s", "Constant bitrate: 128kbps", 421));
  // The other way round it counts: (128 + 0) / 2.
  Bytes back = audio_frame(0xFB, 0x90, 0x00, 417).append(test::free_frame());
  EXPECT_EQ(walk(back, 0), kStart + stats(2, "0m 0.052s", "Average bitrate: 64kbps (vbr)", 421));
}

TEST(MpegFrame, RunningTimeOfTenThousandFrames) {
  Bytes file;
  for (int i = 0; i < 10000; ++i) file.append(audio_frame(0xFB, 0x90, 0x00, 417));
  EXPECT_EQ(walk(file, 0),
            kStart + stats(10000, "4m 20.000s", "Constant bitrate: 128kbps", 4170000));
}

TEST(MpegFrame, EmptyFileHasNoFrames) {
  EXPECT_EQ(walk(Bytes{}, 2), kStart + stats(0, "0m 0.000s", "Constant bitrate: -1kbps", 0));
  // Fewer than 4 bytes: nothing is read either.
  EXPECT_EQ(walk(Bytes{0xFF, 0xFB, 0x90}, 2),
            kStart + stats(0, "0m 0.000s", "Constant bitrate: -1kbps", 0));
}

TEST(MpegFrame, GarbageBetweenFramesEndsTheWalk) {
  Bytes file = audio_frame(0xFB, 0x90, 0x00, 417).str("JUNK").append(audio_frame(0xFB, 0x90, 0, 417));
  std::string err = "Error: Frame header <0x4a554e4b> not recognised\n";
  EXPECT_EQ(walk(file, 0), kStart + err + stats(1, "0m 0.026s", "Constant bitrate: 128kbps", 421));
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0xfffb9000>\n"
                               "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 128k,\n"
                               "\tFrame Length: 417, Frequency: 44100Hz, Flags: <0x0000>\n"
                               "Offset 417, Frame header <0x4a554e4b>\n" +
                               err + stats(1, "0m 0.026s", "Constant bitrate: 128kbps", 421));
}

TEST(MpegFrame, OnlyElevenSyncBitsAreTested) {
  // FF E0 00 00: reserved layer and everything else zero is still a frame.
  Bytes file{0xFF, 0xE0, 0x00, 0x00};
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0xffe00000>\n"
                               "Data frame, 'MPEG 2.5' layer error, Err. prot.: on, Bit Rate: 0k,\n"
                               "\tFrame Length: 0, Frequency: 11025Hz, Flags: <0x0000>\n" +
                               stats(1, "0m 0.026s", "Constant bitrate: 0kbps", 4));
  // FF D0: one sync bit missing.
  EXPECT_EQ(walk(Bytes{0xFF, 0xD0, 0x00, 0x00}, 0),
            kStart + "Error: Frame header <0xffd00000> not recognised\n" +
                stats(0, "0m 0.000s", "Constant bitrate: -1kbps", 4));
}

TEST(MpegFrame, SourceEndingInsideAFrame) {
  // The frame is counted with its full length; the skip reports the end.
  Bytes file = audio_frame(0xFB, 0x90, 0x00, 417);
  file.v.resize(104);
  for (size_t bs : {size_t{7}, tagdelve::kStreamBuffer}) {
    EXPECT_EQ(walk(file, 0, bs), kStart + "Error: Premature end of file(2)\n" +
                                     stats(1, "0m 0.026s", "Constant bitrate: 128kbps", 417));
  }
  // From a memory block the limit refuses the skip.
  test::Levels lv(0, 0);
  test::Capture cap;
  mpeg_file(nullptr, file.data(), static_cast<int64_t>(file.size()));
  EXPECT_EQ(cap.text(), kStart + std::string("Error: Premature end of file(1)\n") +
                            stats(1, "0m 0.026s", "Constant bitrate: 128kbps", 417));
}

TEST(MpegFrame, ShortOrNegativeLengthNeverGoesBack) {
  // Bit-rate index 15 (-1 kbit/s) gives a length of -3: only the header is
  // consumed, and the next frame is read right after it.
  Bytes file = Bytes{0xFF, 0xFB, 0xF0, 0x00}.append(audio_frame(0xFB, 0x90, 0x00, 417));
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0xfffbf000>\n"
                               "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: -1k,\n"
                               "\tFrame Length: -3, Frequency: 44100Hz, Flags: <0x0000>\n"
                               "Offset 4, Frame header <0xfffb9000>\n"
                               "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 128k,\n"
                               "\tFrame Length: 417, Frequency: 44100Hz, Flags: <0x0000>\n" +
                               stats(2, "0m 0.052s", "Constant bitrate: 128kbps", 421));
  // The reserved version index 1 has sample rate -1: a large negative length.
  Bytes reserved = Bytes{0xFF, 0xEB, 0x90, 0x00}.append(test::free_frame());
  EXPECT_EQ(walk(reserved, 2), kStart +
                                   "Offset 0, Frame header <0xffeb9000>\n"
                                   "Data frame, error layer III, Err. prot.: off, Bit Rate: 128k,\n"
                                   "\tFrame Length: -18432000, Frequency: -1Hz, Flags: <0x0000>\n"
                                   "Offset 4, Frame header <0xfffb0000>\n"
                                   "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 0k,\n"
                                   "\tFrame Length: 0, Frequency: 44100Hz, Flags: <0x0000>\n" +
                                   stats(2, "0m 0.052s", "Average bitrate: 64kbps (vbr)", 8));
}

TEST(MpegFrame, TagSignaturesGoToTheirWalkers) {
  // Each signature with too few bytes after it: the walker prints its first
  // line and its read fails, which ends the walk. "TAG+" goes to the
  // extended tag, "TAG" with any other fourth byte to the ID3v1 tag.
  const char* sigs[][2] = {{"TAG+", "ID3v1 extended tag\n"},
                           {"TAGx", "ID3v1 tag\n"},
                           {"TAG+x", "ID3v1 extended tag\n"},
                           {"LYRI", "Lyrics3 block\n"},
                           {"APET", "APE v2 tag"}};
  for (auto& s : sigs) {
    Bytes file = test::free_frame().str(s[0]).fill(3, 0x20);
    EXPECT_EQ(walk(file, 0), kStart + s[1] + stats(1, "0m 0.026s", "Constant bitrate: 0kbps", 8))
        << s[0];
  }
  // A near miss is not a tag.
  EXPECT_EQ(walk(test::free_frame().str("APEx").fill(40, 0), 0),
            kStart + "Error: Frame header <0x41504578> not recognised\n" +
                stats(1, "0m 0.026s", "Constant bitrate: 0kbps", 8));
}

TEST(MpegFrame, LinesFollowTheDepth) {
  test::Levels lv(2, 1);
  test::Capture cap;
  Bytes file = test::free_frame().str("JUNK");
  test::MemStream ms(file.v);
  mpeg_file(ms.get(), nullptr, 0);
  EXPECT_EQ(cap.text(),
            "\tMPEG (MP3) file start\n"
            "\tOffset 0, Frame header <0xfffb0000>\n"
            "\tData frame, mpg-i layer III, Err. prot.: off, Bit Rate: 0k,\n"
            "\t\tFrame Length: 0, Frequency: 44100Hz, Flags: <0x0000>\n"
            "\tOffset 4, Frame header <0x4a554e4b>\n"
            "\tError: Frame header <0x4a554e4b> not recognised\n"
            "\tStatistics\n"
            "\t\tData frames: 1\n"
            "\t\tRunning time: 0m 0.026s\n"
            "\t\tConstant bitrate: 0kbps\n"
            "\t\tFile length: 8bytes\n"
            "\tMPEG (MP3) file end\n");
}

TEST(MpegFrame, LimitEndsTheWalkInsideALongerStream) {
  // An archive member: the stream goes on past the member's limit.
  Bytes file;
  for (int i = 0; i < 3; ++i) file.append(audio_frame(0xFB, 0x90, 0x00, 417));
  test::Levels lv(0, 0);
  test::Capture cap;
  test::MemStream ms(file.v, 64);
  mpeg_file(ms.get(), nullptr, 834);
  EXPECT_EQ(cap.text(), kStart + stats(2, "0m 0.052s", "Constant bitrate: 128kbps", 834));
  EXPECT_EQ(ms.position(), 834);
}

TEST(MpegFrame, StatisticsAreResetForEachWalk) {
  Bytes vbr_file = audio_frame(0xFB, 0x90, 0x00, 417).append(audio_frame(0xFB, 0xA0, 0x00, 522));
  walk(vbr_file, 0);
  EXPECT_EQ(walk(Bytes{}, 0), kStart + stats(0, "0m 0.000s", "Constant bitrate: -1kbps", 0));
}

}  // namespace
