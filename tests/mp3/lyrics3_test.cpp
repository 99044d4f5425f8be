#include "mp3/lyrics3.h"

#include <gtest/gtest.h>

#include <string>

#include "mp3/mp3_support.h"
#include "support/bytes.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::stats;
using test::walk;

const std::string kStart = "MPEG (MP3) file start\n";

std::string no_frames(long long length) {
  return stats(0, "0m 0.000s", "Constant bitrate: -1kbps", length);
}

// A version 2 field with its size written in 5 digits.
Bytes v2field(const std::string& id, const std::string& value) {
  char size[8];
  snprintf(size, sizeof size, "%05zu", value.size());
  return Bytes{}.str(id).str(size).str(value);
}

TEST(Lyrics3, FieldTable) {
  EXPECT_EQ(find_field("IND"), 0);
  EXPECT_EQ(find_field("GRE"), 8);
  EXPECT_EQ(find_field("ind"), -1);
  EXPECT_EQ(find_field(""), -1);  // the final row is not a field
}

TEST(Lyrics3, Version2Fields) {
  Bytes file = Bytes{}.str("LYRICSBEGIN");
  file.append(v2field("IND", "10")).append(v2field("LYR", "hello")).append(v2field("ETT", "Title"));
  file.str("000042LYRICS200");
  const std::string body =
      "Lyrics3 block\n\tVersion 2 fields\n\tIND [Indications]: {10}\n\tLYR [Lyrics]: {hello}\n"
      "\tETT [Extended track title]: {Title}\n\tTotal block size: 42 bytes\n";
  long long n = static_cast<long long>(file.size());
  EXPECT_EQ(walk(file, 0), kStart + body + no_frames(n));
  EXPECT_EQ(walk(file, 1), kStart + body + "\tFooter: LYRICS200\n" + no_frames(n));
}

struct V2Case {
  const char* name;
  Bytes fields;       // after LYRICSBEGIN
  std::string lines;  // after "\tVersion 2 fields\n"
  int result_end;     // 1: the walk goes on to the frame after the block
};

TEST(Lyrics3, Version2OddFields) {
  const std::string big(1500, 'x');
  const V2Case cases[] = {
      // An unknown identifier ends the list: its 3 bytes begin the block size.
      {"unknown field", v2field("IND", "1").str("ZZZ123").str("LYRICS200"),
       "\tIND [Indications]: {1}\n\tTotal block size: 0 bytes\n", 1},
      {"value longer than 1023 bytes", v2field("LYR", big).str("001521LYRICS200"),
       "\tLYR [Lyrics]: {" + big + "}\n\tTotal block size: 1521 bytes\n", 1},
      {"value with a zero byte", v2field("INF", std::string("ab\0cd", 5)).str("000024LYRICS200"),
       "\tINF [Additional information]: {ab}\n\tTotal block size: 24 bytes\n", 1},
      // Size digits read as far as they are digits.
      {"size digits", Bytes{}.str("EAR0002xyz").str("000020LYRICS200"),
       "\tEAR [Extended artist name]: {yz}\n\tTotal block size: 20 bytes\n", 1},
      {"no size digits", Bytes{}.str("EAL ab12").str("000020LYRICS200"),
       "\tEAL [Extended album name]: {}\n\tTotal block size: 20 bytes\n", 1},
      // A sign makes a negative size, which no read can take.
      {"negative size", Bytes{}.str("GRE-0001").str("000020LYRICS200"), "", 0},
  };
  Bytes frame = test::audio_frame(0xFB, 0x90, 0x00, 417);
  for (const V2Case& c : cases) {
    Bytes file = Bytes{}.str("LYRICSBEGIN").append(c.fields).append(frame);
    long long n = static_cast<long long>(file.size());
    std::string want = kStart + "Lyrics3 block\n\tVersion 2 fields\n" + c.lines;
    if (c.result_end)
      want += stats(1, "0m 0.026s", "Constant bitrate: 128kbps", n);
    else
      want += no_frames(19);
    EXPECT_EQ(walk(file, 0), want) << c.name;
  }
}

TEST(Lyrics3, Version1Text) {
  Bytes file = Bytes{}.str("LYRICSBEGINHello Lady sings").str("LYRICSEND");
  long long n = static_cast<long long>(file.size());
  const std::string head = "Lyrics3 block\n\tVersion 1 data\nHello Lady sings";
  // No newline of its own after the text: the next line goes on there.
  EXPECT_EQ(walk(file, 0), kStart + head + no_frames(n));
  EXPECT_EQ(walk(file, 1), kStart + head + "\tFooter: LYRICSEND\n" + no_frames(n));
}

TEST(Lyrics3, Version1EndMarkerInsideTheBytesAfterAnL) {
  // "L" + "LYRICSE" is printed as text; the scan goes on past the marker and
  // meets the end of the file.
  Bytes file = Bytes{}.str("LYRICSBEGINHi AL").str("LYRICSEND");
  long long n = static_cast<long long>(file.size());
  EXPECT_EQ(walk(file, 1),
            kStart + "Lyrics3 block\n\tVersion 1 data\nHi ALLYRICSEND" + no_frames(n));
  EXPECT_EQ(walk(file, 1, 5),
            kStart + "Lyrics3 block\n\tVersion 1 data\nHi ALLYRICSEND" + no_frames(n));
}

TEST(Lyrics3, TruncatedBlocks) {
  // Each read fails where the source ends; the offset stays before it.
  struct Case {
    const char* bytes;
    const char* out;
    long long length;
  } cases[] = {
      {"LYRICSBEG", "Lyrics3 block\n", 4},
      {"LYRICSBEGINLYR00010abc", "Lyrics3 block\n\tVersion 2 fields\n", 19},
      {"LYRICSBEGINLYR00003abc000", "Lyrics3 block\n\tVersion 2 fields\n\tLYR [Lyrics]: {abc}\n",
       25},
      {"LYRICSBEGINLYR00003abc000012LYRICS2",
       "Lyrics3 block\n\tVersion 2 fields\n\tLYR [Lyrics]: {abc}\n\tTotal block size: 12 bytes\n",
       28},
      {"LYRICSBEGINabc Lyric", "Lyrics3 block\n\tVersion 1 data\nabc ", 16},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(walk(Bytes{}.str(c.bytes), 1), kStart + c.out + no_frames(c.length)) << c.bytes;
  }
}

}  // namespace
