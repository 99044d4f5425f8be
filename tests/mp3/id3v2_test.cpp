#include "mp3/id3v2.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mp3/mp3_support.h"
#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::stats;
using test::walk;

const std::string kStart = "MPEG (MP3) file start\n";

// The tag header: "ID3", major version, revision 0, flags, syncsafe size.
Bytes tag(int major, int flags, uint32_t size) {
  return Bytes{}.str("ID3").add({major, 0, flags}).syncsafe32(size);
}

// Frames: ID3v2.2 (3-byte big-endian size), ID3v2.3 (4-byte big-endian) and
// ID3v2.4 (syncsafe), each with the stored content as given.
Bytes frame2(const std::string& id, const Bytes& content) {
  return Bytes{}.str(id).be24(static_cast<uint32_t>(content.size())).append(content);
}
Bytes frame3(const std::string& id, const Bytes& content, int f1 = 0, int f2 = 0) {
  return Bytes{}.str(id).be32(static_cast<uint32_t>(content.size())).add({f1, f2}).append(content);
}
Bytes frame4(const std::string& id, const Bytes& content, int f1 = 0, int f2 = 0) {
  return Bytes{}.str(id).syncsafe32(static_cast<uint32_t>(content.size())).add({f1, f2}).append(content);
}

// The 4-byte free-format audio frame after a tag, at verbose 2.
std::string audio_v2(long long offset) {
  return "Offset " + std::to_string(offset) +
         ", Frame header <0xfffb0000>\n"
         "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 0k,\n"
         "\tFrame Length: 0, Frequency: 44100Hz, Flags: <0x0000>\n";
}

// Statistics of a file whose only audio frame is that one.
std::string one_frame(long long length) {
  return stats(1, "0m 0.026s", "Constant bitrate: 0kbps", length);
}
std::string no_frame(long long length) {
  return stats(0, "0m 0.000s", "Constant bitrate: -1kbps", length);
}

const Bytes kAbc{0x00, 'A', 'b', 'c'};
// A frame whose content stays undecoded: it is dumped by the generic printer.
const std::string kTitle = "PCNT [Play counter] ";

TEST(ID3v2, Version3AtEachVerbosity) {
  Bytes file = tag(3, 0, 46)
                   .append(frame3("PCNT", kAbc, 0x40, 0x00))
                   .append(frame3("ZZZZ", Bytes{0x01, 0x02}, 0x00, 0xE0))
                   .fill(20, 0)
                   .append(test::free_frame());
  EXPECT_EQ(walk(file, 0), kStart +
                               "ID3v2.3 tag\n"
                               "\tPCNT Length: 4 bytes\n"
                               "\tZZZZ Length: 2 bytes\n" +
                               one_frame(60));
  EXPECT_EQ(walk(file, 1), kStart +
                               "ID3v2.3 tag, Revision: 0, Flags: <0x00>\n"
                               "\t" + kTitle + "Flags: <0x4000>, Length: 4 bytes\n"
                               "\tZZZZ [Unknown frame type] Flags: <0x00e0>, Length: 2 bytes\n" +
                               one_frame(60));
  // The zero header that ends the frames counts as walked: 10 bytes of the
  // 20 are left as padding.
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443303>\n"
                               "ID3v2.3 tag, Revision: 0, Flags: <0x00>, Length: 46\n"
                               "\t" + kTitle + "Length: 4, Flags: <0x4000>, Length: 4 bytes\n"
                               "\t\t<0x00416263 | Abc|>\n"
                               "\tZZZZ [Unknown frame type] Length: 2, Flags: <0x00e0>, Length: 2 bytes\n"
                               "\t\t<0x0102 |  |>\n"
                               "\tID3v2 tag padding 10 bytes\n" +
                               audio_v2(56) + one_frame(60));
}

TEST(ID3v2, Version2HasShortHeadersAndNoFlags) {
  Bytes file = tag(2, 0, 30)
                   .append(frame2("CNT", Bytes{0x00, 'A', 'B'}))
                   .append(frame2("CRM", Bytes{0x07}))
                   .append(frame2("XYZ", Bytes{}))
                   .fill(8, 0)
                   .append(test::free_frame());
  EXPECT_EQ(walk(file, 1), kStart +
                               "ID3v2.2 tag, Revision: 0, Flags: <0x00>\n"
                               "\tCNT [Play counter] Length: 3 bytes\n"
                               "\tCRM [Encrypted meta frame] Length: 1 bytes\n"
                               "\tXYZ [Unknown frame type] Length: 0 bytes\n" +
                               one_frame(44));
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443302>\n"
                               "ID3v2.2 tag, Revision: 0, Flags: <0x00>, Length: 30\n"
                               "\tCNT [Play counter] Length: 3, Length: 3 bytes\n"
                               "\t\t<0x004142 | AB|>\n"
                               "\tCRM [Encrypted meta frame] Length: 1, Length: 1 bytes\n"
                               "\t\t<0x07 | |>\n"
                               "\tXYZ [Unknown frame type] Length: 0, Length: 0 bytes\n"
                               "\t\t<0x ||>\n"
                               "\tID3v2 tag padding 2 bytes\n" +
                               audio_v2(40) + one_frame(44));
}

TEST(ID3v2, Version4SizesAreSyncsafe) {
  // 200 is stored as 00 00 01 48; read as a plain integer it would be 328.
  Bytes file = tag(4, 0, 232)
                   .append(frame4("PCNT", Bytes{}.add({3}).fill(199, 'a')))
                   .append(frame4("MCDI", Bytes{0x00, 'X'}))
                   .fill(10, 0)
                   .append(test::free_frame());
  EXPECT_EQ(file.v[16], 0x01);
  EXPECT_EQ(file.v[17], 0x48);
  EXPECT_EQ(walk(file, 1), kStart +
                               "ID3v2.4 tag, Revision: 0, Flags: <0x00>\n"
                               "\t" + kTitle + "Flags: <0x0000>, Length: 200 bytes\n"
                               "\tMCDI [Music CD identifier] Flags: <0x0000>, Length: 2 bytes\n" +
                               one_frame(246));
  std::string v2 = walk(file, 2);
  EXPECT_NE(v2.find("\tID3v2 tag padding 0 bytes\n" + audio_v2(242)), std::string::npos) << v2;
}

TEST(ID3v2, FrameTableLookups) {
  struct Case {
    const char* id;
    bool three;
    int row;
    const char* description;
    int32_t kind;
  };
  const Case cases[] = {
      {"AENC", false, 0, "Audio encryption", 419},
      {"CRA", true, 0, "Audio encryption", 419},
      {"TSOP", false, 74, "Performer sort order", 4025},
      {"TOFN", false, 56, "Original fIle name", 4025},
      {"TOF", true, 56, "Original fIle name", 4025},
      {"RGAD", false, 20, "Replay gain adjustment", 5},
      {"WXXX", false, 92, "User defined URL link", 4032},
      {"CRM", true, 93, "Encrypted meta frame", 2420},
      {"PCS", true, 99, "Podcast Unknown", 0},
      {"IPLS", false, 11, "Involved people list", 23},
      // No match: the final row.
      {"tit2", false, 100, "Unknown frame type", -1},
      {"TIT", false, 100, "Unknown frame type", -1},
      {"PCNT", true, 100, "Unknown frame type", -1},
      {"CRM", false, 100, "Unknown frame type", -1},  // exists only in ID3v2.2
      {"TSOP", true, 100, "Unknown frame type", -1},  // has no ID3v2.2 form
      {"", false, 100, "Unknown frame type", -1},
      {"", true, 100, "Unknown frame type", -1},
  };
  for (const Case& c : cases) {
    int row = c.three ? find_type2(c.id) : find_type(c.id);
    EXPECT_EQ(row, c.row) << c.id;
    EXPECT_STREQ(ID3v2_frames[row].description, c.description) << c.id;
    EXPECT_EQ(ID3v2_frames[row].kind, c.kind) << c.id;
  }
  static_assert(sizeof(ID3v2_frame_type) == 80);
  // Only the final row ends a lookup.
  for (int i = 0; i < 100; ++i) EXPECT_NE(ID3v2_frames[i].kind, -1) << i;
}

TEST(ID3v2, ExtendedHeaderInVersion4Layout) {
  Bytes ext{0x00, 0x00, 0x00, 0x0E, 0x01, 0x30, 0x05, 0x01, 0x02, 0x03, 0x04, 0x05, 0x01, 'A'};
  Bytes file = tag(4, 0x40, 28)
                   .append(ext)
                   .append(frame4("PCNT", Bytes{0x03, 'A', 'b', 'c'}))
                   .append(test::free_frame());
  EXPECT_EQ(walk(file, 0), kStart +
                               "ID3v2.4 tag\n"
                               "ID3 Extended header\n"
                               "\tPCNT Length: 4 bytes\n" +
                               one_frame(42));
  EXPECT_EQ(walk(file, 1), kStart +
                               "ID3v2.4 tag, Revision: 0, Flags: <0x40>\n"
                               "ID3 Extended header, Flags: <0x30>\n"
                               "Flag 3, Length 5\n"
                               "Flag 4, Length 1\n"
                               "\t" + kTitle + "Flags: <0x0000>, Length: 4 bytes\n" +
                               one_frame(42));
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443304>\n"
                               "ID3v2.4 tag, Revision: 0, Flags: <0x40>, Length: 28\n"
                               "ID3 Extended header, Flags: <0x30>, Length: 14\n"
                               "Flag 3, Length 5<0x0102030405 |     |>\n"
                               "Flag 4, Length 1<0x41 |A|>\n"
                               "\t" + kTitle + "Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
                               "\t\t<0x03416263 | Abc|>\n"
                               "\tID3v2 tag padding 0 bytes\n" +
                               audio_v2(38) + one_frame(42));
}

TEST(ID3v2, ExtendedHeaderInVersion3LayoutWithoutCrc) {
  Bytes ext{0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A};
  Bytes file = tag(3, 0x40, 34).append(ext).append(frame3("PCNT", kAbc)).fill(10, 0).append(
      test::free_frame());
  EXPECT_EQ(walk(file, 0), kStart +
                               "ID3v2.3 tag\n"
                               "ID3 Extended header\n"
                               "\tPCNT Length: 4 bytes\n" +
                               one_frame(48));
  EXPECT_EQ(walk(file, 1), kStart +
                               "ID3v2.3 tag, Revision: 0, Flags: <0x40>\n"
                               "ID3 Extended header, Flags: <0x0000>\n"
                               "\t" + kTitle + "Flags: <0x0000>, Length: 4 bytes\n" +
                               one_frame(48));
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443303>\n"
                               "ID3v2.3 tag, Revision: 0, Flags: <0x40>, Length: 34\n"
                               "ID3 Extended header, Flags: <0x0000>, Length: 6\n"
                               "\tPadding size: 10\n"
                               "\t" + kTitle + "Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
                               "\t\t<0x00416263 | Abc|>\n"
                               "\tID3v2 tag padding 0 bytes\n" +
                               audio_v2(44) + one_frame(48));
}

TEST(ID3v2, ExtendedHeaderInVersion3LayoutWithCrc) {
  Bytes ext{0x00, 0x00, 0x00, 0x0A, 0x80, 0x00, 0x00, 0x00, 0x00, 0x14, 0xDE, 0xAD, 0xBE, 0xEF};
  Bytes file = tag(3, 0x40, 48).append(ext).append(frame3("PCNT", kAbc)).fill(20, 0).append(
      test::free_frame());
  EXPECT_EQ(walk(file, 1), kStart +
                               "ID3v2.3 tag, Revision: 0, Flags: <0x40>\n"
                               "ID3 Extended header, Flags: <0x8000>\n"
                               "\t" + kTitle + "Flags: <0x0000>, Length: 4 bytes\n" +
                               one_frame(62));
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443303>\n"
                               "ID3v2.3 tag, Revision: 0, Flags: <0x40>, Length: 48\n"
                               "ID3 Extended header, Flags: <0x8000>, Length: 10\n"
                               "\tPadding size: 20, CRC: <0xdeadbeef>\n"
                               "\t" + kTitle + "Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
                               "\t\t<0x00416263 | Abc|>\n"
                               "\tID3v2 tag padding 10 bytes\n" +
                               audio_v2(58) + one_frame(62));
}

TEST(ID3v2, Version3ExtendedHeaderSizeCoversExtraBytes) {
  // A size of 8 claims 2 bytes more than the fields: they are passed over
  // and the frames follow them.
  Bytes ext{0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0xBB};
  Bytes file = tag(3, 0x40, 26).append(ext).append(frame3("PCNT", kAbc)).append(test::free_frame());
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443303>\n"
                               "ID3v2.3 tag, Revision: 0, Flags: <0x40>, Length: 26\n"
                               "ID3 Extended header, Flags: <0x0000>, Length: 8\n"
                               "\tPadding size: 0\n"
                               "\t" + kTitle + "Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
                               "\t\t<0x00416263 | Abc|>\n"
                               "\tID3v2 tag padding 0 bytes\n" +
                               audio_v2(36) + one_frame(40));
}

// Small stream buffers make the reader refill inside the unsynchronised reads.
const size_t kBuffers[] = {1, 3, 7, kStreamBuffer};

TEST(ID3v2, Version3UnsynchronisationCountsStoredBytes) {
  // A frame of 4 bytes stored as 5 (FF 00 41 42 43), then a plain frame;
  // the frames fill the tag exactly.
  Bytes file = tag(3, 0x80, 27)
                   .append(Bytes{}.str("ZZZZ").be32(4).add({0, 0, 0xFF, 0x00, 'A', 'B', 'C'}))
                   .append(frame3("PCNT", Bytes{0x00, 'A'}))
                   .append(test::free_frame());
  for (size_t bs : kBuffers) {
    EXPECT_EQ(walk(file, 2, bs),
              kStart +
                  "Offset 0, Frame header <0x49443303>\n"
                  "ID3v2.3 tag, Revision: 0, Flags: <0x80>, Length: 27\n"
                  "\tZZZZ [Unknown frame type] Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
                  "\t\t<0xff414243 | ABC|>\n"
                  "\t" + kTitle + "Length: 2, Flags: <0x0000>, Length: 2 bytes\n"
                  "\t\t<0x0041 | A|>\n"
                  "\tID3v2 tag padding 0 bytes\n" +
                  audio_v2(37) + one_frame(41))
        << bs;
    EXPECT_EQ(unsync, 0);
    EXPECT_EQ(ulost, 0);
  }
}

TEST(ID3v2, Version3UnsynchronisationInsideTheExtendedHeader) {
  // The CRC 12 FF 34 56 is stored as 12 FF 00 34 56.
  Bytes ext{0x00, 0x00, 0x00, 0x0A, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x12, 0xFF, 0x00, 0x34, 0x56};
  Bytes file = tag(3, 0xC0, 27)
                   .append(ext)
                   .append(frame3("PCNT", Bytes{0x00, 'A'}))
                   .append(test::free_frame());
  for (size_t bs : kBuffers) {
    EXPECT_EQ(walk(file, 2, bs), kStart +
                                     "Offset 0, Frame header <0x49443303>\n"
                                     "ID3v2.3 tag, Revision: 0, Flags: <0xc0>, Length: 27\n"
                                     "ID3 Extended header, Flags: <0x8000>, Length: 10\n"
                                     "\tPadding size: 0, CRC: <0x12ff3456>\n"
                                     "\t" + kTitle + "Length: 2, Flags: <0x0000>, Length: 2 bytes\n"
                                     "\t\t<0x0041 | A|>\n"
                                     "\tID3v2 tag padding 0 bytes\n" +
                                     audio_v2(37) + one_frame(41))
        << bs;
  }
}

TEST(ID3v2, Version3UnsynchronisationInsideAFrameHeader) {
  // A size of 255 is stored as 00 00 00 FF 00: the header takes 11 bytes.
  Bytes file = tag(3, 0x80, 278)
                   .append(Bytes{}.str("ZZZZ").add({0, 0, 0, 0xFF, 0x00, 0, 0}).fill(255, 'A'))
                   .append(frame3("PCNT", Bytes{0x00, 'A'}))
                   .append(test::free_frame());
  for (size_t bs : kBuffers) {
    EXPECT_EQ(walk(file, 1, bs), kStart +
                                     "ID3v2.3 tag, Revision: 0, Flags: <0x80>\n"
                                     "\tZZZZ [Unknown frame type] Flags: <0x0000>, Length: 255 bytes\n"
                                     "\t" + kTitle + "Flags: <0x0000>, Length: 2 bytes\n" +
                                     one_frame(292))
        << bs;
  }
  std::string v2 = walk(file, 2);
  EXPECT_NE(v2.find("\tID3v2 tag padding 0 bytes\n" + audio_v2(288)), std::string::npos) << v2;
}

TEST(ID3v2, Version3LastFrameEndingInFFThenPadding) {
  // The frame's content ends in FF, stored FF 00; k bytes of padding follow.
  // The 00 is dropped by the next header read when a header still fits, or
  // skipped with the padding when it does not.
  for (int k = 0; k <= 14; ++k) {
    Bytes file = tag(3, 0x80, static_cast<uint32_t>(13 + k))
                     .append(Bytes{}.str("ZZZZ").be32(2).add({0, 0, 'A', 0xFF, 0x00}))
                     .fill(static_cast<size_t>(k), 0)
                     .append(test::free_frame());
    int padding = (1 + k >= 11) ? k - 10 : 1 + k;
    for (size_t bs : kBuffers) {
      EXPECT_EQ(walk(file, 2, bs),
                kStart +
                    "Offset 0, Frame header <0x49443303>\n"
                    "ID3v2.3 tag, Revision: 0, Flags: <0x80>, Length: " + std::to_string(13 + k) +
                    "\n"
                    "\tZZZZ [Unknown frame type] Length: 2, Flags: <0x0000>, Length: 2 bytes\n"
                    "\t\t<0x41ff |A |>\n"
                    "\tID3v2 tag padding " + std::to_string(padding) + " bytes\n" +
                    audio_v2(23 + k) + one_frame(27 + k))
          << "padding " << k << " buffer " << bs;
    }
  }
}

TEST(ID3v2, Version4FrameUnsynchronisationAndDataLength) {
  struct Case {
    const char* name;
    int tag_flags;
    int frame_flags;  // second flag byte
    Bytes stored;
    const char* dump;  // the content handed on, as dumped
    int length;
  };
  const Case cases[] = {
      {"frame unsync + data length", 0x00, 0x03,
       Bytes{0x00, 0x00, 0x00, 0x03, 0xFF, 0x00, 0xE0, 'A'}, "<0xffe041 |  A|>", 3},
      {"frame unsync", 0x00, 0x02, Bytes{0xFF, 0x00, 0x00, 'A'}, "<0xff0041 |  A|>", 3},
      {"data length only", 0x00, 0x01, Bytes{0x00, 0x00, 0x00, 0x02, 0xFF, 0x00}, "<0xff00 |  |>", 2},
      {"tag unsync", 0x80, 0x00, Bytes{0xFF, 0x00, 'A', 0xFF, 0x00}, "<0xff41ff | A |>", 3},
      {"tag unsync + data length", 0x80, 0x01, Bytes{0x00, 0x00, 0x00, 0x01, 0xFF, 0x00}, "<0xff | |>",
       1},
      {"no flags keep FF 00", 0x00, 0x00, Bytes{0xFF, 0x00, 'A'}, "<0xff0041 |  A|>", 3},
      {"data length cut short", 0x00, 0x01, Bytes{0x00, 0x00}, "<0x ||>", 0},
  };
  for (const Case& c : cases) {
    uint32_t size = static_cast<uint32_t>(10 + c.stored.size() + 14);
    Bytes file = tag(4, c.tag_flags, size)
                     .append(frame4("ZZZZ", c.stored, 0x00, c.frame_flags))
                     .append(frame4("PCNT", Bytes{0x03, 'A', 'b', 'c'}))
                     .append(test::free_frame());
    char tag_line[80], frame_line[120];
    snprintf(tag_line, sizeof tag_line, "ID3v2.4 tag, Revision: 0, Flags: <0x%02x>, Length: %u\n",
             c.tag_flags, size);
    snprintf(frame_line, sizeof frame_line,
             "\tZZZZ [Unknown frame type] Length: %zu, Flags: <0x00%02x>, Length: %d bytes\n",
             c.stored.size(), c.frame_flags, c.length);
    for (size_t bs : kBuffers) {
      EXPECT_EQ(walk(file, 2, bs), kStart + "Offset 0, Frame header <0x49443304>\n" + tag_line +
                                       frame_line + "\t\t" + c.dump + "\n"
                                       "\t" + kTitle + "Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
                                       "\t\t<0x03416263 | Abc|>\n"
                                       "\tID3v2 tag padding 0 bytes\n" +
                                       audio_v2(10 + size) + one_frame(14 + size))
          << c.name << " buffer " << bs;
    }
  }
}

TEST(ID3v2, BodyOfPaddingOnly) {
  struct Case {
    int major;
    int padding;
  };
  for (Case c : {Case{2, 24}, Case{3, 20}, Case{4, 20}}) {
    Bytes file = tag(c.major, 0, 30).fill(30, 0).append(test::free_frame());
    std::string major = std::to_string(c.major);
    EXPECT_EQ(walk(file, 2), kStart + "Offset 0, Frame header <0x4944330" + major + ">\n" +
                                 "ID3v2." + major + " tag, Revision: 0, Flags: <0x00>, Length: 30\n" +
                                 "\tID3v2 tag padding " + std::to_string(c.padding) + " bytes\n" +
                                 audio_v2(40) + one_frame(44))
        << c.major;
  }
  // An empty body: no frame header is read at all.
  Bytes empty = tag(3, 0, 0).append(test::free_frame());
  EXPECT_EQ(walk(empty, 2), kStart +
                                "Offset 0, Frame header <0x49443303>\n"
                                "ID3v2.3 tag, Revision: 0, Flags: <0x00>, Length: 0\n"
                                "\tID3v2 tag padding 0 bytes\n" +
                                audio_v2(10) + one_frame(14));
}

TEST(ID3v2, PaddingShorterThanAFrameHeader) {
  for (int p = 1; p <= 9; ++p) {
    Bytes file = tag(3, 0, static_cast<uint32_t>(12 + p))
                     .append(frame3("PCNT", Bytes{0x00, 'A'}))
                     .fill(static_cast<size_t>(p), 0)
                     .append(test::free_frame())
                     .append(test::free_frame());
    EXPECT_EQ(walk(file, 2), kStart + "Offset 0, Frame header <0x49443303>\n" +
                                 "ID3v2.3 tag, Revision: 0, Flags: <0x00>, Length: " +
                                 std::to_string(12 + p) + "\n\t" + kTitle +
                                 "Length: 2, Flags: <0x0000>, Length: 2 bytes\n"
                                 "\t\t<0x0041 | A|>\n"
                                 "\tID3v2 tag padding " + std::to_string(p) + " bytes\n" +
                                 audio_v2(22 + p) + audio_v2(26 + p) +
                                 stats(2, "0m 0.052s", "Constant bitrate: 0kbps", 30 + p))
        << p;
  }
  for (int p = 1; p <= 5; ++p) {
    Bytes file = tag(2, 0, static_cast<uint32_t>(8 + p))
                     .append(frame2("CNT", Bytes{0x00, 'A'}))
                     .fill(static_cast<size_t>(p), 0)
                     .append(test::free_frame());
    EXPECT_EQ(walk(file, 0), kStart + "ID3v2.2 tag\n\tCNT Length: 2 bytes\n" + one_frame(22 + p))
        << p;
  }
}

TEST(ID3v2, Footer) {
  Bytes file = tag(4, 0x10, 26)
                   .append(frame4("PCNT", Bytes{0x03, 'A', 'b', 'c'}))
                   .fill(12, 0)
                   .str("3DI")
                   .add({4, 0, 0x10})
                   .syncsafe32(26)
                   .append(test::free_frame());
  EXPECT_EQ(walk(file, 0), kStart + "ID3v2.4 tag\n\tPCNT Length: 4 bytes\nID3v2.4 footer\n" +
                               one_frame(50));
  EXPECT_EQ(walk(file, 1), kStart +
                               "ID3v2.4 tag, Revision: 0, Flags: <0x10>\n"
                               "\t" + kTitle + "Flags: <0x0000>, Length: 4 bytes\n"
                               "ID3v2.4 footer, Revision: 0, Flags: <0x10>\n" +
                               one_frame(50));
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443304>\n"
                               "ID3v2.4 tag, Revision: 0, Flags: <0x10>, Length: 26\n"
                               "\t" + kTitle + "Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
                               "\t\t<0x03416263 | Abc|>\n"
                               "\tID3v2 tag padding 2 bytes\n"
                               "ID3v2.4 footer, Revision: 0, Flags: <0x10>, Length: 26\n" +
                               audio_v2(46) + one_frame(50));
}

TEST(ID3v2, FooterIsReadWithoutUnsynchronisation) {
  // A tag-wide unsynchronised ID3v2.3 tag whose last frame ends in FF: its
  // 00 is the rest of the body. The footer's revision FF is followed by a 00
  // that must be read as the flags byte.
  Bytes file = tag(3, 0x90, 13)
                   .append(Bytes{}.str("ZZZZ").be32(2).add({0, 0, 'A', 0xFF, 0x00}))
                   .str("3DI")
                   .add({3, 0xFF, 0x00})
                   .syncsafe32(13)
                   .append(test::free_frame());
  for (size_t bs : kBuffers) {
    EXPECT_EQ(walk(file, 1, bs), kStart +
                                     "ID3v2.3 tag, Revision: 0, Flags: <0x90>\n"
                                     "\tZZZZ [Unknown frame type] Flags: <0x0000>, Length: 2 bytes\n"
                                     "ID3v2.3 footer, Revision: 255, Flags: <0x00>\n" +
                                     one_frame(37))
        << bs;
  }
}

TEST(ID3v2, UnsupportedVersionIsSkippedWhole) {
  Bytes file = tag(5, 0, 20).fill(20, 'A').append(test::free_frame());
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443305>\n"
                               "ID3v2.5 tag, Revision: 0, Flags: <0x00>, Length: 20\n"
                               "Unsupported ID3v2.5 tag\n"
                               "\tID3v2 tag padding 20 bytes\n" +
                               audio_v2(30) + one_frame(34));
  for (int major : {0, 1, 255}) {
    Bytes other = tag(major, 0, 3).add({'T', 'I', 'T'}).append(test::free_frame());
    std::string m = std::to_string(major);
    EXPECT_EQ(walk(other, 0), kStart + "ID3v2." + m + " tag\nUnsupported ID3v2." + m + " tag\n" +
                                  one_frame(17))
        << major;
  }
}

TEST(ID3v2, FramesOverrunningTheTagLeaveNegativePadding) {
  // The tag claims 12 bytes; its frame takes 14. Nothing is skipped and the
  // walk goes on where the frame ended.
  Bytes file = tag(3, 0, 12).append(frame3("PCNT", kAbc)).append(test::free_frame());
  EXPECT_EQ(walk(file, 2), kStart +
                               "Offset 0, Frame header <0x49443303>\n"
                               "ID3v2.3 tag, Revision: 0, Flags: <0x00>, Length: 12\n"
                               "\t" + kTitle + "Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
                               "\t\t<0x00416263 | Abc|>\n"
                               "\tID3v2 tag padding -2 bytes\n" +
                               audio_v2(24) + one_frame(28));
}

TEST(ID3v2, FrameSizeBeyondTheSource) {
  // A claimed 2 GiB frame is not allocated: the read fails and the walk ends.
  Bytes huge = tag(3, 0, 100).append(Bytes{}.str("ZZZZ").be32(0x7FFFFFF0).add({0, 0, 1, 2, 3}));
  EXPECT_EQ(walk(huge, 0), kStart + "ID3v2.3 tag\n\tZZZZ " + no_frame(20));
  // A size with the top bit set reads as negative and fails the same way.
  Bytes negative = tag(3, 0, 100).append(Bytes{}.str("ZZZZ").be32(0xFFFFFFFF).add({0, 0, 1, 2, 3}));
  EXPECT_EQ(walk(negative, 2), kStart +
                                   "Offset 0, Frame header <0x49443303>\n"
                                   "ID3v2.3 tag, Revision: 0, Flags: <0x00>, Length: 100\n"
                                   "\tZZZZ [Unknown frame type] Length: -1, Flags: <0x0000>, " +
                                   no_frame(20));
  // From a memory block the limit refuses it.
  test::Levels lv(0, 0);
  test::Capture cap;
  mpeg_file(nullptr, huge.data(), static_cast<int64_t>(huge.size()));
  EXPECT_EQ(cap.text(), kStart + "ID3v2.3 tag\n\tZZZZ " + no_frame(20));
}

TEST(ID3v2, TruncatedTags) {
  struct Case {
    const char* name;
    Bytes file;
    std::string report;  // at verbose 0, after the start line
  };
  const Case cases[] = {
      {"tag header", Bytes{}.str("ID3").add({3, 0, 0}), no_frame(4)},
      {"extended header", tag(4, 0x40, 20).add({0, 0, 0}), "ID3v2.4 tag\nID3 Extended header" + no_frame(10)},
      {"extended flag data", tag(4, 0x40, 20).add({0, 0, 0, 10, 1, 0x40, 5, 1, 2}),
       "ID3v2.4 tag\nID3 Extended header\n" + no_frame(17)},
      {"version 3 CRC", tag(3, 0x40, 20).add({0, 0, 0, 10, 0x80, 0, 0, 0, 0, 0, 1, 2}),
       "ID3v2.3 tag\nID3 Extended header\n" + no_frame(20)},
      {"frame header", tag(3, 0, 20).str("PCNT").add({0, 0}), "ID3v2.3 tag\n" + no_frame(10)},
      {"frame content", tag(3, 0, 20).str("PCNT").be32(4).add({0, 0, 0, 'A'}),
       "ID3v2.3 tag\n\tPCNT " + no_frame(20)},
      {"padding", tag(3, 0, 100).fill(15, 0),
       "ID3v2.3 tag\nError: Premature end of file(2)\n" + no_frame(110)},
      {"footer", tag(3, 0x10, 0).str("3DI").add({3, 0}), "ID3v2.3 tag\n" + no_frame(10)},
  };
  for (const Case& c : cases) EXPECT_EQ(walk(c.file, 0), kStart + c.report) << c.name;
}

TEST(ID3v2, FailedWalkLeavesNoUnsynchronisationBehind) {
  // The source ends inside an unsynchronised frame, after a dropped byte.
  Bytes first = tag(3, 0x80, 100).append(Bytes{}.str("ZZZZ").be32(3).add({0, 0, 0xFF, 0x00, 'A'}));
  EXPECT_EQ(walk(first, 0), kStart + "ID3v2.3 tag\n\tZZZZ " + no_frame(20));
  EXPECT_EQ(unsync, 0);
  EXPECT_EQ(ulost, 0);
  // The next file is read as it is: after the frame FF FB 00 FF, its 00 is
  // not dropped.
  Bytes next{0xFF, 0xFB, 0x00, 0xFF, 0x00, 'A', 'B', 'C', 'D'};
  EXPECT_EQ(walk(next, 0), kStart + "Error: Frame header <0x00414243> not recognised\n" +
                               one_frame(8));
  Bytes second = tag(3, 0, 13).append(frame3("ZZZZ", Bytes{0xFF, 0x00, 'A'})).append(test::free_frame());
  EXPECT_EQ(walk(second, 2), kStart +
                                 "Offset 0, Frame header <0x49443303>\n"
                                 "ID3v2.3 tag, Revision: 0, Flags: <0x00>, Length: 13\n"
                                 "\tZZZZ [Unknown frame type] Length: 3, Flags: <0x0000>, Length: 3 bytes\n"
                                 "\t\t<0xff0041 |  A|>\n"
                                 "\tID3v2 tag padding 0 bytes\n" +
                                 audio_v2(23) + one_frame(27));
}

TEST(ID3v2, TagsBetweenFramesAndFromMemory) {
  // Two tags and frames in one file, read from a memory block.
  Bytes file = test::free_frame()
                   .append(tag(3, 0, 12).append(frame3("PCNT", Bytes{0x00, 'A'})))
                   .append(test::free_frame())
                   .append(tag(2, 0, 8).append(frame2("CNT", Bytes{0x00, 'B'})));
  test::Levels lv(0, 1);
  test::Capture cap;
  mpeg_file(nullptr, file.data(), static_cast<int64_t>(file.size()));
  EXPECT_EQ(cap.text(),
            "\tMPEG (MP3) file start\n"
            "\tID3v2.3 tag\n"
            "\t\tPCNT Length: 2 bytes\n"
            "\tID3v2.2 tag\n"
            "\t\tCNT Length: 2 bytes\n"
            "\tStatistics\n"
            "\t\tData frames: 2\n"
            "\t\tRunning time: 0m 0.052s\n"
            "\t\tConstant bitrate: 0kbps\n"
            "\t\tFile length: 48bytes\n"
            "\tMPEG (MP3) file end\n");
}

}  // namespace
