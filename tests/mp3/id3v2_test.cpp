#include "mp3/id3v2.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mp3/mp3_support.h"
#include "support/formats.h"

namespace {

using namespace test;

// The first two lines at verbose 2.
std::string head(int major, int flags, int length) {
  char s[120];
  snprintf(s, sizeof s,
           "Offset 0, Frame header <0x4944330%d>\nID3v2.%d tag, Revision: 0, Flags: <0x%02x>, Length: %d\n",
           major, major, flags, length);
  return s;
}
// The free-format audio frame after a tag, at verbose 2.
std::string audio_v2(long long offset) {
  return "Offset " + std::to_string(offset) +
         ", Frame header <0xfffb0000>\n"
         "Data frame, mpg-i layer III, Err. prot.: off, Bit Rate: 0k,\n"
         "\tFrame Length: 0, Frequency: 44100Hz, Flags: <0x0000>\n";
}
// The padding line, then that frame at `offset`, the last 4 bytes of the file.
std::string end(long long padding, long long offset) {
  return "\tID3v2 tag padding " + std::to_string(padding) + " bytes\n" + audio_v2(offset) +
         one_free_frame(offset + 4);
}

const Bytes kAbc{0x00, 'A', 'b', 'c'};
// A frame whose content stays undecoded: it is dumped by the generic printer.
const std::string kCount = "\tPCNT [Play counter] ";
const std::string kCountAbc = kCount + "Length: 4, Flags: <0x0000>, Length: 4 bytes\n\t\t<0x00416263 | Abc|>\n";
const std::string kCountA = kCount + "Length: 2, Flags: <0x0000>, Length: 2 bytes\n\t\t<0x0041 | A|>\n";

struct Case {
  const char* name;
  Bytes file;
  int verbose;
  std::string want;  // after the start line
};

void check(const Case& c, size_t buffer = tagdelve::kStreamBuffer) {
  EXPECT_EQ(walk(c.file, c.verbose, buffer), kStart + c.want) << c.name << ", buffer " << buffer;
}

TEST(ID3v2, Version3AtEachVerbosity) {
  Bytes file = id3v2_tag(3, 0, 46).append(frame3("PCNT", kAbc, 0x40, 0x00))
                   .append(frame3("ZZZZ", Bytes{0x01, 0x02}, 0x00, 0xE0)).fill(20, 0).append(free_frame());
  check({"v0", file, 0, "ID3v2.3 tag\n\tPCNT Length: 4 bytes\n\tZZZZ Length: 2 bytes\n" + one_free_frame(60)});
  check({"v1", file, 1,
         "ID3v2.3 tag, Revision: 0, Flags: <0x00>\n" + kCount + "Flags: <0x4000>, Length: 4 bytes\n"
         "\tZZZZ [Unknown frame type] Flags: <0x00e0>, Length: 2 bytes\n" + one_free_frame(60)});
  // The zero header that ends the frames counts as walked: 10 bytes of the
  // 20 are left as padding.
  check({"v2", file, 2,
         head(3, 0x00, 46) + kCount + "Length: 4, Flags: <0x4000>, Length: 4 bytes\n\t\t<0x00416263 | Abc|>\n"
         "\tZZZZ [Unknown frame type] Length: 2, Flags: <0x00e0>, Length: 2 bytes\n\t\t<0x0102 |  |>\n" +
         end(10, 56)});
}

TEST(ID3v2, Layouts) {
  const Bytes ext3_crc = id3v2_tag(3, 0x40, 48).add({0, 0, 0, 0x0A, 0x80, 0, 0, 0, 0, 0x14, 0xDE, 0xAD, 0xBE, 0xEF})
                             .append(frame3("PCNT", kAbc)).fill(20, 0).append(free_frame());
  const Case cases[] = {
      {"version 2: short headers, no flags",
       id3v2_tag(2, 0, 30).append(frame2("CNT", Bytes{0x00, 'A', 'B'})).append(frame2("CRM", Bytes{0x07}))
           .append(frame2("XYZ", Bytes{})).fill(8, 0).append(free_frame()), 2,
       head(2, 0x00, 30) + "\tCNT [Play counter] Length: 3, Length: 3 bytes\n\t\t<0x004142 | AB|>\n"
       "\tCRM [Encrypted meta frame] Length: 1, Length: 1 bytes\n\t\t<0x07 | |>\n"
       "\tXYZ [Unknown frame type] Length: 0, Length: 0 bytes\n\t\t<0x ||>\n" + end(2, 40)},
      // 200 is stored as 00 00 01 48; read as a plain integer it would be 328.
      {"version 4 syncsafe size", id3v2_tag(4, 0, 210).append(frame4("PCNT", Bytes{}.fill(200, 'a'))).append(free_frame()),
       0, "ID3v2.4 tag\n\tPCNT Length: 200 bytes\n" + one_free_frame(224)},
      {"version 4 extended header",
       id3v2_tag(4, 0x40, 28).add({0, 0, 0, 0x0E, 0x01, 0x30, 0x05, 1, 2, 3, 4, 5, 0x01, 'A'})
           .append(frame4("PCNT", kAbc)).append(free_frame()), 2,
       head(4, 0x40, 28) + "ID3 Extended header, Flags: <0x30>, Length: 14\n"
       "Flag 3, Length 5<0x0102030405 |     |>\nFlag 4, Length 1<0x41 |A|>\n" + kCountAbc + end(0, 38)},
      {"version 3 extended header without CRC",
       id3v2_tag(3, 0x40, 34).add({0, 0, 0, 6, 0, 0, 0, 0, 0, 0x0A}).append(frame3("PCNT", kAbc))
           .fill(10, 0).append(free_frame()), 2,
       head(3, 0x40, 34) + "ID3 Extended header, Flags: <0x0000>, Length: 6\n\tPadding size: 10\n" +
       kCountAbc + end(0, 44)},
      {"version 3 extended header with CRC at verbose 1",
       ext3_crc, 1,
       "ID3v2.3 tag, Revision: 0, Flags: <0x40>\nID3 Extended header, Flags: <0x8000>\n" + kCount +
       "Flags: <0x0000>, Length: 4 bytes\n" + one_free_frame(62)},
      {"version 3 extended header with CRC",
       ext3_crc, 2,
       head(3, 0x40, 48) + "ID3 Extended header, Flags: <0x8000>, Length: 10\n"
       "\tPadding size: 20, CRC: <0xdeadbeef>\n" + kCountAbc + end(10, 58)},
      {"padding only, version 2", id3v2_tag(2, 0, 30).fill(30, 0).append(free_frame()), 2,
       head(2, 0x00, 30) + end(24, 40)},
      {"empty body", id3v2_tag(3, 0, 0).append(free_frame()), 2, head(3, 0x00, 0) + end(0, 10)},
      {"footer",
       id3v2_tag(4, 0x10, 26).append(frame4("PCNT", kAbc)).fill(12, 0).str("3DI")
           .add({4, 0, 0x10}).syncsafe32(26).append(free_frame()), 2,
       head(4, 0x10, 26) + kCountAbc +
       "\tID3v2 tag padding 2 bytes\nID3v2.4 footer, Revision: 0, Flags: <0x10>, Length: 26\n" +
       audio_v2(46) + one_free_frame(50)},
      {"unsupported version", id3v2_tag(5, 0, 20).fill(20, 'A').append(free_frame()), 2,
       head(5, 0x00, 20) + "Unsupported ID3v2.5 tag\n" + end(20, 30)},
      // The tag claims 12 bytes; its frame takes 14. Nothing is skipped.
      {"frames overrun the tag", id3v2_tag(3, 0, 12).append(frame3("PCNT", kAbc)).append(free_frame()), 2,
       head(3, 0x00, 12) + kCountAbc + end(-2, 24)},
  };
  for (const Case& c : cases) check(c);
}

TEST(ID3v2, PaddingShorterThanAFrameHeader) {
  // No header is read into the two audio frames after the tag.
  for (uint32_t p = 1; p <= 9; ++p) {
    Bytes file = id3v2_tag(3, 0, 12 + p).append(frame3("PCNT", Bytes{0, 'A'})).fill(p, 0).append(free_frame())
                     .append(free_frame());
    EXPECT_EQ(walk(file, 0), kStart + "ID3v2.3 tag\n\tPCNT Length: 2 bytes\n" +
                                 stats(2, "0m 0.052s", "Constant bitrate: 0kbps", 30 + p))
        << p;
  }
}

TEST(ID3v2, Unsynchronisation) {
  Bytes count_a = frame3("PCNT", Bytes{0x00, 'A'});
  std::vector<Case> cases = {
      // A frame of 4 bytes stored as 5, then a plain frame: they fill the tag.
      {"version 3 frame",
       id3v2_tag(3, 0x80, 27).str("ZZZZ").be32(4).add({0, 0, 0xFF, 0x00, 'A', 'B', 'C'}).append(count_a)
           .append(free_frame()), 2,
       head(3, 0x80, 27) + "\tZZZZ [Unknown frame type] Length: 4, Flags: <0x0000>, Length: 4 bytes\n"
       "\t\t<0xff414243 | ABC|>\n" + kCountA + end(0, 37)},
      // The CRC 12 FF 34 56 is stored as 12 FF 00 34 56.
      {"version 3 extended header",
       id3v2_tag(3, 0xC0, 27).add({0, 0, 0, 0x0A, 0x80, 0, 0, 0, 0, 0, 0x12, 0xFF, 0x00, 0x34, 0x56})
           .append(count_a).append(free_frame()), 2,
       head(3, 0xc0, 27) + "ID3 Extended header, Flags: <0x8000>, Length: 10\n"
       "\tPadding size: 0, CRC: <0x12ff3456>\n" + kCountA + end(0, 37)},
      // A footer's revision FF is followed by a 00 that is its flags byte.
      {"footer read plain",
       id3v2_tag(3, 0x90, 13).str("ZZZZ").be32(2).add({0, 0, 'A', 0xFF, 0x00}).str("3DI").add({3, 0xFF, 0x00})
           .syncsafe32(13).append(free_frame()), 1,
       "ID3v2.3 tag, Revision: 0, Flags: <0x90>\n"
       "\tZZZZ [Unknown frame type] Flags: <0x0000>, Length: 2 bytes\n"
       "ID3v2.3 footer, Revision: 255, Flags: <0x00>\n" + one_free_frame(37)},
  };
  // The last frame's content ends in FF, stored FF 00, and k bytes of
  // padding follow. The 00 is dropped by the next (zero) header read when a
  // header still fits, and counts as walked; else it is skipped as padding.
  for (int k : {0, 9, 10}) {
    cases.push_back({"FF 00 then padding",
                     id3v2_tag(3, 0x80, static_cast<uint32_t>(13 + k)).str("ZZZZ").be32(2)
                         .add({0, 0, 'A', 0xFF, 0x00}).fill(static_cast<size_t>(k), 0).append(free_frame()), 2,
                     head(3, 0x80, 13 + k) + "\tZZZZ [Unknown frame type] Length: 2, Flags: <0x0000>, "
                     "Length: 2 bytes\n\t\t<0x41ff |A |>\n" + end(k < 10 ? 1 + k : k - 10, 23 + k)});
  }
  // Version 4: frame sizes count stored bytes; the frame's flag 0x02 or the
  // tag's 0x80 undo unsynchronisation inside the frame, and with flag 0x01
  // the first 4 bytes are the data length, not content. A normal frame follows.
  auto v4 = [&](const char* name, int tag_flags, int frame_flags, const Bytes& stored, const std::string& lines) {
    int size = static_cast<int>(stored.size()) + 24;
    cases.push_back({name,
                     id3v2_tag(4, tag_flags, static_cast<uint32_t>(size)).append(frame4("ZZZZ", stored, 0, frame_flags))
                         .append(frame4("PCNT", kAbc)).append(free_frame()), 2,
                     head(4, tag_flags, size) + "\tZZZZ [Unknown frame type] " + lines + kCountAbc +
                         end(0, 10 + size)});
  };
  v4("frame unsync + data length", 0x00, 0x03, Bytes{0, 0, 0, 3, 0xFF, 0x00, 0xE0, 'A'},
     "Length: 8, Flags: <0x0003>, Length: 3 bytes\n\t\t<0xffe041 |  A|>\n");
  v4("data length only", 0x00, 0x01, Bytes{0, 0, 0, 2, 0xFF, 0x00},
     "Length: 6, Flags: <0x0001>, Length: 2 bytes\n\t\t<0xff00 |  |>\n");
  v4("tag unsync", 0x80, 0x00, Bytes{0xFF, 0x00, 'A', 0xFF, 0x00},
     "Length: 5, Flags: <0x0000>, Length: 3 bytes\n\t\t<0xff41ff | A |>\n");
  v4("tag unsync + data length", 0x80, 0x01, Bytes{0, 0, 0, 1, 0xFF, 0x00},
     "Length: 6, Flags: <0x0001>, Length: 1 bytes\n\t\t<0xff | |>\n");
  v4("no flags keep FF 00", 0x00, 0x00, Bytes{0xFF, 0x00, 'A'},
     "Length: 3, Flags: <0x0000>, Length: 3 bytes\n\t\t<0xff0041 |  A|>\n");
  v4("data length cut short", 0x00, 0x01, Bytes{0, 0},
     "Length: 2, Flags: <0x0001>, Length: 0 bytes\n\t\t<0x ||>\n");
  // Small stream buffers make the reader refill inside the unsynchronised reads.
  for (const Case& c : cases)
    for (size_t buffer : {size_t{1}, tagdelve::kStreamBuffer}) check(c, buffer);
}

TEST(ID3v2, SourceEndingInsideTheTag) {
  const Case cases[] = {
      {"extended header", id3v2_tag(4, 0x40, 20).add({0, 0, 0}), 0,
       "ID3v2.4 tag\nID3 Extended header\n"
       "Error: File ends inside the ID3 Extended header at offset 13: 3 more bytes expected\n" + no_frames(10)},
      {"frame content", id3v2_tag(3, 0, 20).str("PCNT").be32(4).add({0, 0, 0, 'A'}), 0,
       "ID3v2.3 tag\n\tPCNT \nError: File ends inside the PCNT frame at offset 22: 2 more bytes expected\n" +
           no_frames(20)},
      {"padding", id3v2_tag(3, 0, 100).fill(15, 0), 0, "ID3v2.3 tag\nError: Premature end of file(2)\n" + no_frames(110)},
      // Claimed frame sizes of nearly 2 GiB, or negative, are not allocated.
      {"huge frame", id3v2_tag(3, 0, 100).str("ZZZZ").be32(0x7FFFFFF0).add({0, 0, 1, 2, 3}), 0,
       "ID3v2.3 tag\n\tZZZZ \nError: File ends inside the ZZZZ frame at offset 23: 2147483629 more bytes "
       "expected\n" + no_frames(20)},
      // Not a cut: the walk ends without a word, and the frame's line is ended.
      {"negative frame size", id3v2_tag(3, 0, 100).str("ZZZZ").be32(0xFFFFFFFF).add({0, 0, 1, 2, 3}), 2,
       head(3, 0x00, 100) + "\tZZZZ [Unknown frame type] Length: -1, Flags: <0x0000>, \n" + no_frames(20)},
      // After a dropped byte of an unsynchronised frame: the offset counts
      // the bytes as stored.
      {"unsynchronised frame", id3v2_tag(3, 0x80, 100).str("ZZZZ").be32(3).add({0, 0, 0xFF, 0x00, 'A'}), 0,
       "ID3v2.3 tag\n\tZZZZ \nError: File ends inside the ZZZZ frame at offset 23: 1 more byte expected\n" +
           no_frames(20)},
  };
  EXPECT_EQ(walk_memory(cases[3].file, 0), kStart + cases[3].want) << cases[3].name;
  for (const Case& c : cases) check(c);
  // The next file is read as it is: after the frame FF FB 00 FF, its 00 is
  // not dropped.
  EXPECT_EQ(walk(Bytes{0xFF, 0xFB, 0x00, 0xFF, 0x00, 'A', 'B', 'C', 'D'}, 0),
            kStart + "Error: Frame header <0x00414243> not recognised\n" + one_free_frame(8));
}

TEST(ID3v2, TagsBetweenAudioFramesFromMemory) {
  Bytes file = free_frame().append(id3v2_tag(3, 0, 12)).append(frame3("PCNT", Bytes{0, 'A'})).append(free_frame())
                   .append(id3v2_tag(2, 0, 8)).append(frame2("CNT", Bytes{0, 'B'}));
  EXPECT_EQ(walk_memory(file, 0),
            kStart + "ID3v2.3 tag\n\tPCNT Length: 2 bytes\nID3v2.2 tag\n\tCNT Length: 2 bytes\n" +
                stats(2, "0m 0.052s", "Constant bitrate: 0kbps", 48));
}

}  // namespace

namespace {

TEST(ID3v2, ResyncDropsTheZeroAfterEachFF) {
  const struct {
    const char* name;
    std::vector<uint8_t> stored, bytes;
    std::vector<int64_t> dropped;
  } cases[] = {
      {"FF 00 41", {0xFF, 0x00, 0x41}, {0xFF, 0x41}, {1}},
      {"FF 41 kept", {0xFF, 0x41}, {0xFF, 0x41}, {}},
      {"FF 00 00", {0xFF, 0x00, 0x00}, {0xFF, 0x00}, {1}},
      {"FF FF 00 41", {0xFF, 0xFF, 0x00, 0x41}, {0xFF, 0xFF, 0x41}, {2}},
      {"markers kept", {0xFF, 0xD8, 0xFF, 0xDB}, {0xFF, 0xD8, 0xFF, 0xDB}, {}},
      {"two pairs, the last at the end", {0x41, 0xFF, 0x00, 0xFF, 0x00}, {0x41, 0xFF, 0xFF}, {2, 3}},
  };
  for (const auto& c : cases) {
    tagdelve::Resynced r = tagdelve::resync(c.stored);
    EXPECT_EQ(r.bytes, c.bytes) << c.name;
    EXPECT_EQ(r.dropped, c.dropped) << c.name;
  }
}

}  // namespace
