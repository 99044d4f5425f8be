#include "mp3/id3v1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "mp3/mp3_support.h"
#include "support/bytes.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::stats;
using test::walk;

const std::string kStart = "MPEG (MP3) file start\n";

// A text field of `width` bytes: the text, then zero bytes.
Bytes field(const std::string& text, size_t width) {
  Bytes b;
  b.str(text.substr(0, width)).fill(width - std::min(width, text.size()), 0);
  return b;
}

// An ID3v1 tag; `comment` holds all 30 comment bytes.
Bytes id3v1(const std::string& title, const Bytes& comment, int genre) {
  Bytes b;
  b.str("TAG").append(field(title, 30)).append(field("Artist", 30)).append(field("Album", 30));
  return b.str("1999").append(comment).add({genre});
}

// The lines of such a tag, from the comment line on.
std::string lines(const std::string& title, const std::string& rest) {
  return "ID3v1 tag\n\tTrack  : {" + title +
         "}\n\tArtist : {Artist}\n\tAlbum  : {Album}\n\tYear   : {1999}\n" + rest;
}

std::string no_frames(long long length) {
  return stats(0, "0m 0.000s", "Constant bitrate: -1kbps", length);
}

TEST(ID3v1Tag, FieldsTrackNumberAndGenre) {
  const std::string full30 = "abcdefghijklmnopqrstuvwxyz0123";
  struct Case {
    const char* name;
    std::string title;
    Bytes comment;
    int genre;
    std::string want;  // from the comment line on
  };
  const Case cases[] = {
      {"ID3v1.1 track", "Song", field("Nice", 28).add({0, 7}), 17,
       "\tComment: {Nice}\n\tTrack #: 7\n\tGenre  : 17 [Rock]\n"},
      {"full comment", "Song", field(full30, 30), 147,
       "\tComment: {" + full30 + "}\n\tGenre  : 147 [Synthpop]\n"},
      {"bytes 125 and 126 zero", "Song", field("x", 30), 148, "\tComment: {x}\n\tGenre  : 148\n"},
      // The track byte counts only when the byte before it is 0, whatever
      // ends the comment text.
      {"byte 125 not zero", "Song", field("ab", 28).add({'y', 'z'}), 255,
       "\tComment: {ab}\n\tGenre  : 255\n"},
      {"30-byte title", full30, field("", 28).add({0, 255}), 0,
       "\tComment: {}\n\tTrack #: 255\n\tGenre  : 0 [Blues]\n"},
  };
  for (const Case& c : cases) {
    Bytes file = id3v1(c.title, c.comment, c.genre);
    ASSERT_EQ(file.size(), 128u) << c.name;
    EXPECT_EQ(walk(file, 0), kStart + lines(c.title, c.want) + no_frames(128)) << c.name;
  }
}

TEST(ID3v1Tag, GenreTableLinesUp) {
  // A missing or extra name would shift every one after it.
  EXPECT_STREQ(ID3v1_genre[0], "Blues");
  EXPECT_STREQ(ID3v1_genre[79], "Hard Rock");
  EXPECT_STREQ(ID3v1_genre[80], "Folk");
  EXPECT_STREQ(ID3v1_genre[133], "Negerpunk");
  EXPECT_STREQ(ID3v1_genre[134], "Polsk Punk");
  EXPECT_STREQ(ID3v1_genre[147], "Synthpop");
  EXPECT_STREQ(ID3v1_genre[148], "");
}

TEST(ID3v1Tag, OffsetStandsAfterTheTag) {
  // A frame, the tag, then another frame read from the right place.
  Bytes file = test::free_frame()
                   .append(id3v1("T", field("", 30), 1))
                   .append(test::audio_frame(0xFB, 0x90, 0x00, 417));
  std::string out = walk(file, 2);
  EXPECT_NE(out.find("\tGenre  : 1 [Classic Rock]\nOffset 132, Frame header <0xfffb9000>\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(stats(2, "0m 0.052s", "Constant bitrate: 128kbps", 549)), std::string::npos)
      << out;
}

TEST(ID3v1Tag, FileEndingInsideTheTag) {
  Bytes file = id3v1("Song", field("", 30), 0);
  file.v.resize(103);  // 100 bytes after "TAG"
  EXPECT_EQ(walk(file, 0), kStart + "ID3v1 tag\n" + no_frames(4));
  EXPECT_EQ(walk(file, 0, 16), kStart + "ID3v1 tag\n" + no_frames(4));
}

Bytes tag_ext(int speed) {
  Bytes b;
  b.str("TAG+").append(field(std::string(60, 'T'), 60)).append(field("Artist rest", 60));
  b.append(field("Album rest", 60)).add({speed}).append(field("Genre text", 30));
  return b.str("001:02").append(field("12:34", 6));
}

TEST(ID3v1TagExt, FieldsAndSpeed) {
  const std::string rest =
      "\tArtist remainder: {Artist rest}\n\tAlbum remainder : {Album rest}\n\tSpeed           : {";
  const std::string after =
      "}\n\tGenre           : {Genre text}\n\tStart time      : {001:02}\n"
      "\tEnd time mmm:ss : {12:34}\n";
  const std::string head =
      "ID3v1 extended tag\n\tTrack remainder : {" + std::string(60, 'T') + "}\n";
  for (int speed : {0, int{'1'}}) {
    Bytes file = tag_ext(speed);
    ASSERT_EQ(file.size(), 227u);
    std::string want =
        kStart + head + rest + std::string(1, static_cast<char>(speed)) + after + no_frames(227);
    EXPECT_EQ(walk(file, 0), want) << speed;
  }
}

TEST(ID3v1TagExt, FileEndingInsideTheTag) {
  Bytes file = tag_ext('1');
  file.v.resize(226);
  EXPECT_EQ(walk(file, 1), kStart + "ID3v1 extended tag\n" + no_frames(4));
}

TEST(ID3v1Tags, ExtendedTagThenTagFromMemory) {
  // The usual order at the end of a file, read from a memory block.
  Bytes file = tag_ext('1').append(id3v1("Song", field("", 30), 255));
  test::Levels lv(0, 0);
  test::Capture cap;
  mpeg_file(nullptr, file.data(), static_cast<int64_t>(file.size()));
  std::string out = cap.text();
  EXPECT_NE(out.find("{12:34}\nID3v1 tag\n\tTrack  : {Song}\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\tGenre  : 255\n" + no_frames(355)), std::string::npos) << out;
}

}  // namespace
