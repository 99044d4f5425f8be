// The tags that follow the audio: ID3v1 and its extended tag, Lyrics3
// blocks and APE v2 tags, each walked from an MP3 walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "mp3/mp3_support.h"

namespace {

using namespace test;

// A text field of `width` bytes: the text, then zero bytes.
Bytes field(const std::string& text, size_t width) {
  return Bytes{}.str(text.substr(0, width)).fill(width - std::min(width, text.size()), 0);
}

// An ID3v1 tag; `comment` holds all 30 comment bytes.
Bytes id3v1(const std::string& title, const Bytes& comment, int genre) {
  Bytes b = Bytes{}.str("TAG").append(field(title, 30)).append(field("Artist", 30));
  return b.append(field("Album", 30)).str("1999").append(comment).add({genre});
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
      {"full comment", "Song", field(full30, 30), 147, "\tComment: {" + full30 + "}\n\tGenre  : 147 [Synthpop]\n"},
      {"bytes 125 and 126 zero", "Song", field("x", 30), 148, "\tComment: {x}\n\tGenre  : 148\n"},
      // The track byte counts only when the byte before it is 0.
      {"byte 125 not zero", "Song", field("ab", 28).add({'y', 'z'}), 255, "\tComment: {ab}\n\tGenre  : 255\n"},
      {"30-byte title", full30, field("", 28).add({0, 255}), 0,
       "\tComment: {}\n\tTrack #: 255\n\tGenre  : 0 [Blues]\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(walk(id3v1(c.title, c.comment, c.genre), 0),
              kStart + "ID3v1 tag\n\tTrack  : {" + c.title +
                  "}\n\tArtist : {Artist}\n\tAlbum  : {Album}\n\tYear   : {1999}\n" + c.want + no_frames(128))
        << c.name;
  }
}

Bytes tag_ext(int speed) {
  Bytes b = Bytes{}.str("TAG+").append(field(std::string(60, 'T'), 60)).append(field("Artist rest", 60));
  b.append(field("Album rest", 60)).add({speed}).append(field("Genre text", 30));
  return b.str("001:02").append(field("12:34", 6));
}

TEST(ID3v1TagExt, FieldsAndSpeed) {
  for (int speed : {0, int{'1'}}) {
    EXPECT_EQ(walk(tag_ext(speed), 0),
              kStart + "ID3v1 extended tag\n\tTrack remainder : {" + std::string(60, 'T') +
                  "}\n\tArtist remainder: {Artist rest}\n\tAlbum remainder : {Album rest}\n"
                  "\tSpeed           : {" + (speed == 0 ? std::string("\\00") : std::string(1, static_cast<char>(speed))) +
                  "}\n\tGenre           : {Genre text}\n\tStart time      : {001:02}\n"
                  "\tEnd time mmm:ss : {12:34}\n" + no_frames(227))
        << speed;
  }
}

TEST(ID3v1Tags, FileEndingInsideTheTag) {
  Bytes tag = id3v1("Song", field("", 30), 0);
  tag.v.resize(103);
  const std::string cut = "Error: File ends inside the ID3v1 tag at offset 103: 25 more bytes expected\n";
  EXPECT_EQ(walk(tag, 0), kStart + "ID3v1 tag\n" + cut + no_frames(4));
  EXPECT_EQ(walk_memory(tag, 0), kStart + "ID3v1 tag\n" + cut + no_frames(4));
  Bytes ext = tag_ext('1');
  ext.v.resize(226);
  EXPECT_EQ(walk(ext, 1), kStart + "ID3v1 extended tag\n"
                                   "Error: File ends inside the ID3v1 extended tag at offset 226: 1 more byte expected\n" +
                              no_frames(4));
}

// A Lyrics3 version 2 field with its size written in 5 digits.
Bytes v2field(const std::string& id, const std::string& value) {
  char size[8];
  snprintf(size, sizeof size, "%05zu", value.size());
  return Bytes{}.str(id).str(size).str(value);
}

TEST(Lyrics3, Version2Fields) {
  Bytes file = Bytes{}.str("LYRICSBEGIN");
  file.append(v2field("IND", "10")).append(v2field("LYR", "hello")).append(v2field("ETT", "Title"));
  file.str("000042LYRICS200");
  const std::string body =
      "Lyrics3 block\n\tVersion 2 fields\n\tIND [Indications]: {10}\n\tLYR [Lyrics]: {hello}\n"
      "\tETT [Extended track title]: {Title}\n\tTotal block size: 42 bytes\n";
  EXPECT_EQ(walk(file, 0), kStart + body + no_frames(62));
  EXPECT_EQ(walk(file, 1), kStart + body + "\tFooter: LYRICS200\n" + no_frames(62));
}

TEST(Lyrics3, Version2OddFields) {
  // Each block is followed by an audio frame, found where the block ends.
  const Bytes frame = audio_frame(0xFB, 0x90, 0x00, 417);
  const std::string head = "Lyrics3 block\n\tVersion 2 fields\n";
  // An unknown identifier ends the list: its 3 bytes begin the block size.
  EXPECT_EQ(walk(Bytes{}.str("LYRICSBEGIN").append(v2field("IND", "1")).str("ZZZ123LYRICS200").append(frame), 0),
            kStart + head + "\tIND [Indications]: {1}\n\tTotal block size: 0 bytes\n" +
                stats(1, "0m 0.026s", "Constant bitrate: 128kbps", 452));
  const std::string big(1500, 'x');  // read and printed whole
  EXPECT_EQ(walk(Bytes{}.str("LYRICSBEGIN").append(v2field("LYR", big)).str("001521LYRICS200").append(frame), 0),
            kStart + head + "\tLYR [Lyrics]: {" + big + "}\n\tTotal block size: 1521 bytes\n" +
                stats(1, "0m 0.026s", "Constant bitrate: 128kbps", 1951));
}

TEST(Lyrics3, Version1Text) {
  Bytes file = Bytes{}.str("LYRICSBEGINHello Lady sings").str("LYRICSEND");
  // The text has no line end of its own: the next line ends it.
  const std::string head = "Lyrics3 block\n\tVersion 1 data\nHello Lady sings\n";
  EXPECT_EQ(walk(file, 0), kStart + head + no_frames(36));
  EXPECT_EQ(walk(file, 1), kStart + head + "\tFooter: LYRICSEND\n" + no_frames(36));
  // "L" + "LYRICSE" is printed as text; the scan goes on past the marker
  // and meets the end of the file.
  EXPECT_EQ(walk(Bytes{}.str("LYRICSBEGINHi ALLYRICSEND"), 1),
            kStart + "Lyrics3 block\n\tVersion 1 data\nHi ALLYRICSEND\n"
                     "Error: File ends inside the Lyrics3 block at offset 25: 1 more byte expected\n" +
                no_frames(25));
  // Line breaks and other control bytes in the text are escaped.
  EXPECT_EQ(walk(Bytes{}.str("LYRICSBEGINa\r\nb\x1b[0m\x7f\x9b\xe9LYRICSEND"), 0),
            kStart + "Lyrics3 block\n\tVersion 1 data\na\\0d\\0ab\\1b[0m\\7f\\9b\xe9\n" + no_frames(31));
}

TEST(Lyrics3, TruncatedBlocks) {
  // Each read fails where the source ends; the offset stays before it.
  EXPECT_EQ(walk(Bytes{}.str("LYRICSBEG"), 1),
            kStart + "Lyrics3 block\nError: File ends inside the Lyrics3 block at offset 9: 2 more bytes expected\n" +
                no_frames(4));
  EXPECT_EQ(walk(Bytes{}.str("LYRICSBEGINabc Lyric"), 1),
            kStart + "Lyrics3 block\n\tVersion 1 data\nabc \n"
                     "Error: File ends inside the Lyrics3 block at offset 20: 4 more bytes expected\n" +
                no_frames(16));
}

Bytes item(uint32_t flags, const std::string& key, const std::string& value) {
  return Bytes{}.le32(static_cast<uint32_t>(value.size())).le32(flags).strz(key).str(value);
}

// Header or footer: APETAGEX, version, size, count, flags, 8 reserved bytes.
Bytes ape_head(uint32_t version, uint32_t size, uint32_t count, uint32_t flags) {
  return Bytes{}.str("APETAGEX").le32(version).le32(size).le32(count).le32(flags).fill(8, 0);
}

// A tag as taggers write it: header, items and footer, with the sizes right.
Bytes ape(const Bytes& items, uint32_t count) {
  auto size = static_cast<uint32_t>(items.size()) + 32;
  return ape_head(2000, size, count, 0xA0000000).append(items).append(ape_head(2000, size, count, 0x80000000));
}

TEST(ApeTag, ItemsByFlagsAndKeys) {
  // Flags 2 (binary) and 1 (read-only) in hex; flags beyond the first byte
  // do not count.
  Bytes items = item(0, "Artist", "Someone")
                    .append(item(0, "Catalog", "CAT-1"))
                    .append(item(0, "ARTIST", "Loud"))
                    .append(item(2, "Cover", "\x01\xff"))
                    .append(item(1, "Title", "RO"))
                    .append(item(0x01000000, "Year", "2024"));
  Bytes file = ape(items, 6);
  EXPECT_EQ(walk(file, 0), kStart + "APE v2 tag\n\tArtist = {Someone}\n\tCatalog = {CAT-1}\n\tARTIST = {Loud}\n"
                                    "\tCover = {<0x01ff>}\n\tTitle = {<0x524f>}\n\tYear = {2024}\n" +
                               no_frames(175));
  EXPECT_EQ(walk(file, 1),
            kStart + "APE v2 tag Version: <0xd0070000>, Items: 6, Global flags: <0x000000a0>\n"
                     "\tItem Flags: <0x00000000> Artist [Performing artist(s)] = UTF-8{Someone}\n"
                     "\tItem Flags: <0x00000000> Catalog [Catalogue number] = UTF-8{CAT-1}\n"
                     "\tItem Flags: <0x00000000> ARTIST [Unknown key] = UTF-8{Loud}\n"
                     "\tItem Flags: <0x02000000> Cover [Unknown key] = Encoding: 4{<0x01ff>}\n"
                     "\tItem Flags: <0x01000000> Title [Music piece title or work] = Encoding: 4{<0x524f>}\n"
                     "\tItem Flags: <0x00000001> Year [Release date] = UTF-8{2024}\n"
                     "\tFooter Version: <0xd0070000>, Length 143, Items: 6, Global flags: <0x00000080>\n" +
                     no_frames(175));
}

TEST(ApeTag, TruncatedOrOversizedTag) {
  Bytes file = ape(item(0, "Title", "Tone"), 1);
  file.v.resize(20);  // inside the header: the tag's line is begun, and ended
  EXPECT_EQ(walk(file, 1), kStart + "APE v2 tag\nError: File ends inside the APE v2 tag at offset 20: 12 more "
                                    "bytes expected\n" + no_frames(4));
  file = ape(item(0, "Title", "Tone"), 1);
  file.v.resize(50);  // inside the items
  const std::string cut = "Error: File ends inside the APE v2 tag at offset 50: 32 more bytes expected\n";
  EXPECT_EQ(walk(file, 0), kStart + "APE v2 tag\n" + cut + no_frames(32));
  EXPECT_EQ(walk_memory(file, 0), kStart + "APE v2 tag\n" + cut + no_frames(32));
  // Sizes of 2 GiB - 1 and 4 GiB - 1 fail like any read, without allocating.
  for (uint32_t size : {0x7FFFFFFFu, 0xFFFFFFFFu}) {
    EXPECT_EQ(walk(ape_head(2000, size, 1, 0).append(item(0, "Title", "x")), 0),
              kStart + "APE v2 tag\nError: File ends inside the APE v2 tag at offset 47: " + std::to_string(size - 15) +
                  " more bytes expected\n" + no_frames(32))
        << size;
  }
}

// `b` without its last `n` bytes.
Bytes cut(Bytes b, size_t n) {
  b.v.resize(b.size() - n);
  return b;
}

TEST(ApeTag, HostileCountsKeysAndSizes) {
  // The items that fit are printed, the first that does not stops the walk,
  // and nothing outside the tag is read.
  Bytes good = item(0, "Title", "ok");
  const std::string good_line = "\tItem Flags: <0x00000000> Title [Music piece title or work] = UTF-8{ok}\n";
  const std::string footer = "\tFooter Version: <0xd0070000>, Length 0, Items: 0, Global flags: <0x00000000>\n";
  const std::string err = "Error: Item ";
  struct Case {
    const char* name;
    Bytes body;      // items and footer
    uint32_t count;  // the header's item count
    std::string lines;
  };
  const Case cases[] = {
      {"count past the end", Bytes(good), 2, good_line + err + "count passes the end of the tag\n"},
      {"key without its zero byte", Bytes(good).le32(0).le32(0).str("Title"), 2,
       good_line + err + "key passes the end of the tag\n"},
      {"value size past the end", Bytes{}.le32(100).le32(0).strz("Title").str("short"), 1,
       err + "value passes the end of the tag\n"},
      {"value size negative", Bytes{}.le32(0xFFFFFFF0).le32(0).strz("Title").str("short"), 1,
       err + "value passes the end of the tag\n"},
      // The footer line needs 24 bytes after the last item.
      {"24 bytes after the items", cut(Bytes(good).append(ape_head(2000, 0, 0, 0)), 8), 1, good_line + footer},
      {"23 bytes after the items", cut(Bytes(good).append(ape_head(2000, 0, 0, 0)), 9), 1, good_line},
  };
  for (const Case& c : cases) {
    Bytes file = ape_head(2000, static_cast<uint32_t>(c.body.size()), c.count, 0).append(c.body);
    EXPECT_EQ(walk(file, 1), kStart + "APE v2 tag Version: <0xd0070000>, Items: " + std::to_string(c.count) +
                                 ", Global flags: <0x00000000>\n" + c.lines +
                                 no_frames(static_cast<long long>(file.size())))
        << c.name;
  }
  // Bit 30 set: no footer, and the tag size covers the items alone.
  Bytes items = item(0, "Title", "T");
  Bytes file = ape_head(2000, static_cast<uint32_t>(items.size()), 1, 0x40000000).append(items);
  EXPECT_EQ(walk(file, 1), kStart + "APE v2 tag Version: <0xd0070000>, Items: 1, Global flags: <0x00000040>\n"
                                    "\tItem Flags: <0x00000000> Title [Music piece title or work] = UTF-8{T}\n" +
                               no_frames(static_cast<long long>(file.size())));
}

}  // namespace
