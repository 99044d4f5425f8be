#include "flac/flac.h"

#include <gtest/gtest.h>

#include <string>

#include "front/dispatch.h"
#include "support/bytes.h"
#include "support/capture.h"
#include "support/formats.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::Levels;
using test::MemStream;
using test::block_header;
using test::meta;

// A STREAMINFO body: sample rate (20 bits), channels - 1 (3), bits - 1 (5)
// and the total (36) packed big-endian after the block and frame sizes.
Bytes streaminfo(uint32_t rate, int channels, int bits, uint64_t total) {
  Bytes b;
  b.be16(4096).be16(4096).be24(14).be24(3000);
  uint64_t packed = (uint64_t{rate} << 44) | (uint64_t(channels - 1) << 41) | (uint64_t(bits - 1) << 36) | total;
  b.be32(uint32_t(packed >> 32)).be32(uint32_t(packed));
  for (int i = 0; i < 16; ++i) b.add({i});
  return b;
}

std::string walk(const Bytes& file, int32_t v, int64_t limit = 0) {
  Levels lv(v, 0);
  Capture cap;
  MemStream ms(file.v, 5);
  tagdelve::Source src = limit ? ms.source(limit) : ms.source();
  flac_file(src);
  return cap.text();
}

const char* const kMd5 = "<0x000102030405060708090a0b0c0d0e0f>";

TEST(Flac, StreaminfoAndPaddingAtEachLevel) {
  Bytes file = Bytes().str("fLaC");
  file.append(meta(0, false, streaminfo(44100, 2, 16, 5000000000ull)));
  file.append(meta(1, true, Bytes().fill(10, 0)));
  EXPECT_EQ(walk(file, 0),
            "FLAC file start\n"
            "Streaminfo metadata block\n"
            "\tSample rate: 44100Hz, 2 Channels, 16 Bits\n"
            "Padding metadata block\n"
            "FLAC audio data\n"
            "FLAC file end\n");
  EXPECT_EQ(walk(file, 1), std::string("FLAC file start\n"
                                       "Streaminfo metadata block\n"
                                       "\tMin blk: 4096, Max blk: 4096, Min frm: 14, Max frm: 3000\n"
                                       "\tSample rate: 44100Hz, 2 Channels, 16 Bits\n"
                                       "\tTotal samples: 5000000000, MD5: ") +
                               kMd5 +
                               "\n"
                               "Padding metadata block\n"
                               "FLAC audio data\n"
                               "FLAC file end\n");
  EXPECT_EQ(walk(file, 2), std::string("FLAC file start\n"
                                       "Offset 4, Type: 0, Last=0\n"
                                       "Streaminfo metadata block, Length: 34\n"
                                       "\tMin blk: 4096, Max blk: 4096, Min frm: 14, Max frm: 3000\n"
                                       "\tSample rate: 44100Hz, 2 Channels, 16 Bits\n"
                                       "\tTotal samples: 5000000000, MD5: ") +
                               kMd5 +
                               "\n"
                               "Offset 42, Type: 1, Last=1\n"
                               "Padding metadata block, Length: 10\n"
                               "FLAC audio data\n"
                               "FLAC file end\n");
}

TEST(Flac, OtherRates) {
  Bytes file = Bytes().str("fLaC").append(meta(0, true, streaminfo(655350, 8, 32, 1)));
  EXPECT_NE(walk(file, 0).find("\tSample rate: 655350Hz, 8 Channels, 32 Bits\n"), std::string::npos);
}

TEST(Flac, MarkerAndShortSources) {
  EXPECT_EQ(walk(Bytes().str("fLaC"), 2), "FLAC file start\nFLAC audio data\nFLAC file end\n");
  EXPECT_EQ(walk(Bytes().str("fLa"), 2),
            "FLAC file start\nError: File ends inside the stream marker at offset 3: 1 more byte expected\n");
  EXPECT_EQ(walk(Bytes(), 2), "FLAC file start\n");
  EXPECT_EQ(walk(Bytes().str("fLaC"), 2, 3),
            "FLAC file start\nError: Member ends inside the stream marker at offset 3: 1 more byte expected\n");
  EXPECT_EQ(walk(Bytes().str("OggS").fill(40, 0), 2), "FLAC file start\nError: Not a FLAC format file\n");
}

TEST(Flac, ApplicationSeektableCuesheetUnknown) {
  Bytes file = Bytes().str("fLaC");
  file.append(meta(2, false, Bytes().add({'a', 0, 'c', 'd'}).fill(6, 1)));
  file.append(meta(3, false, Bytes().fill(36, 0)));
  file.append(meta(5, false, Bytes().str("1234567890123").fill(115, 0).fill(300, 7)));
  file.append(meta(127, true, Bytes().add({1, 2, 3})));
  EXPECT_EQ(walk(file, 0),
            "FLAC file start\n"
            "Application metadata block\n"
            "\tType: a\n"
            "Seektable metadata block\n"
            "Cuesheet metadata block\n"
            "\tCatalogue number: 1234567890123\n"
            "Unknown metadata block\n"
            "FLAC audio data\n"
            "FLAC file end\n");
  EXPECT_EQ(walk(file, 2),
            "FLAC file start\n"
            "Offset 4, Type: 2, Last=0\n"
            "Application metadata block, Length: 10\n"
            "\tType: a, Data: 6 bytes\n"
            "Offset 18, Type: 3, Last=0\n"
            "Seektable metadata block, Length: 36\n"
            "\tLength: 36\n"
            "Offset 58, Type: 5, Last=0\n"
            "Cuesheet metadata block, Length: 428\n"
            "\tCatalogue number: 1234567890123, Data: 300 bytes\n"
            "Offset 490, Type: 127, Last=1\n"
            "Unknown metadata block, Length: 3\n"
            "FLAC audio data\n"
            "FLAC file end\n");
}

TEST(Flac, ShortBodiesPrintOnlyWhatIsThere) {
  Bytes file = Bytes().str("fLaC");
  file.append(meta(0, false, Bytes().be16(16).be16(32).be24(1).be24(2).add({0x0A, 0xC4, 0x42, 0xF0})));
  file.append(meta(0, false, Bytes().add({1, 2, 3})));
  file.append(meta(2, false, Bytes().str("ab")));
  file.append(meta(5, true, Bytes().str("CAT")));
  EXPECT_EQ(walk(file, 1),
            "FLAC file start\n"
            "Streaminfo metadata block\n"
            "\tMin blk: 16, Max blk: 32, Min frm: 1, Max frm: 2\n"
            "\tSample rate: 44100Hz, 2 Channels, 16 Bits\n"
            "Streaminfo metadata block\n"
            "Application metadata block\n"
            "\tType: ab, Data: 0 bytes\n"
            "Cuesheet metadata block\n"
            "\tCatalogue number: CAT, Data: 0 bytes\n"
            "FLAC audio data\n"
            "FLAC file end\n");
}

TEST(Flac, UnreadableBodyEndsTheChain) {
  // The body claims 16 MiB: the heading stands, nothing is allocated, the
  // audio line and end line follow.
  Bytes file = Bytes().str("fLaC").append(block_header(4, false, 0xFFFFFF)).str("short");
  EXPECT_EQ(walk(file, 2),
            "FLAC file start\n"
            "Offset 4, Type: 4, Last=0\n"
            "Vorbis_Comment metadata block, Length: 16777215\n"
            "Error: File ends inside the Vorbis_Comment metadata block at offset 13: 16777210 more bytes "
            "expected\n"
            "FLAC audio data\n"
            "FLAC file end\n");
  // A header cut short.
  EXPECT_EQ(walk(Bytes().str("fLaC").add({0, 0}), 2),
            "FLAC file start\nError: File ends inside the metadata block header at offset 6: 2 more bytes "
            "expected\nFLAC audio data\nFLAC file end\n");
}

TEST(Flac, UnderALimitTheAudioIsSkipped) {
  Bytes file = Bytes().str("fLaC").append(meta(1, true, Bytes().fill(4, 0))).fill(100, 0xFF).str("NEXT");
  Levels lv(0, 0);
  Capture cap;
  MemStream ms(file.v, 7);
  tagdelve::Source src = ms.source(112);
  flac_file(src);
  EXPECT_EQ(cap.text(), "FLAC file start\nPadding metadata block\nFLAC audio data\nFLAC file end\n");
  EXPECT_EQ(ms.position(), 112);
}

TEST(Flac, AudioSkipPastTheStreamEnd) {
  Bytes file = Bytes().str("fLaC").append(meta(1, true, Bytes().fill(4, 0))).fill(10, 0xFF);
  EXPECT_EQ(walk(file, 0, 500),
            "FLAC file start\nPadding metadata block\nFLAC audio data\n"
            "Error: Premature end of file(2)\n"
            "FLAC file end\n");
}

TEST(Flac, DispatchedByExtension) {
  Levels lv(0, -1);
  Capture cap;
  Bytes file = Bytes().str("fLaC");
  MemStream ms(file.v);
  tagdelve::Source src = ms.source();
  EXPECT_TRUE(process_file("x.flac", src));
  EXPECT_EQ(cap.text(), "FLAC file start\nFLAC audio data\nFLAC file end\n");
}

// --- Vorbis comments ---

std::string body_lines(int type, const Bytes& body, int32_t v) {
  Bytes file = Bytes().str("fLaC").append(meta(type, true, body));
  std::string all = walk(file, v);
  // Only the block's own lines, between its heading and the audio line.
  size_t from = all.find('\n', all.find("metadata block")) + 1;
  return all.substr(from, all.find("FLAC audio data\n") - from);
}

TEST(Flac, VorbisComments) {
  Bytes empty = Bytes().le32(0).le32(0);
  EXPECT_EQ(body_lines(4, empty, 0), "\tVendor: {}\n");
  EXPECT_EQ(body_lines(4, empty, 1), "\tVendor: UTF-8{}\n");

  Bytes two = Bytes().le32(6).str("libX 1").le32(2).add({5, 0, 0, 0}).str("A=b\xc3\xa9").le32(0);
  EXPECT_EQ(body_lines(4, two, 0), "\tVendor: {libX 1}\n\t{A=b\\c3\\a9}\n\t{}\n");
  EXPECT_EQ(body_lines(4, two, 1), "\tVendor: UTF-8{libX 1}\n\tUTF-8{A=b\\c3\\a9}\n\tUTF-8{}\n");

  // A count with the top bit set is negative: no comments.
  Bytes negative = Bytes().le32(1).str("v").le32(0x80000001u).le32(1).str("x");
  EXPECT_EQ(body_lines(4, negative, 0), "\tVendor: {v}\n");
}

TEST(Flac, VorbisCommentsThatPassTheEnd) {
  struct Case {
    const char* name;
    Bytes body;
    std::string want;
  };
  const Case cases[] = {
      {"vendor length", Bytes().le32(1000).str("abc"),
       "Error: Vendor string passes the end of the block\n"},
      {"vendor length field", Bytes().add({1, 0}), "Error: Vendor length passes the end of the block\n"},
      {"no count", Bytes().le32(1).str("v"),
       "\tVendor: {v}\nError: Comment count passes the end of the block\n"},
      {"more comments claimed", Bytes().le32(0).le32(3).le32(1).str("a"),
       "\tVendor: {}\n\t{a}\nError: Comment length passes the end of the block\n"},
      {"comment too long", Bytes().le32(0).le32(1).le32(0xFFFFFFFFu).str("abc"),
       "\tVendor: {}\nError: Comment passes the end of the block\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(body_lines(4, c.body, 0), c.want) << c.name;
}

// --- Pictures (other than JPEG) ---

std::string picture_block(const Bytes& body, int32_t v) { return body_lines(6, body, v); }

Bytes picture(uint32_t type, const std::string& mime, const std::string& desc, const Bytes& data) {
  Bytes b;
  b.be32(type).be32(uint32_t(mime.size())).str(mime).be32(uint32_t(desc.size())).str(desc);
  b.be32(300).be32(200).be32(24).be32(0).be32(uint32_t(data.size())).append(data);
  return b;
}

TEST(Flac, Pictures) {
  Bytes png = picture(3, "image/png", "cover", Bytes().str("\x89PNG"));
  EXPECT_EQ(picture_block(png, 0),
            "\tType: 3\n"
            "\tMIME: {image/png}, Description: {cover}\n"
            "\tWidth: 300, Height: 200, Depth: 24, Colours: 0\n");
  EXPECT_EQ(picture_block(png, 1),
            "\tType: 3 [Cover (front)]\n"
            "\tMIME: ISO-8859-1{image/png}, Description: UTF-8{cover}\n"
            "\tWidth: 300, Height: 200, Depth: 24, Colours: 0, Binary: 4 bytes\n");
  Bytes odd = picture(21, "image/jpg", "", Bytes().str("x"));
  EXPECT_EQ(picture_block(odd, 1),
            "\tType: 21 [Unknown]\n"
            "\tMIME: ISO-8859-1{image/jpg}, Description: UTF-8{}\n"
            "\tWidth: 300, Height: 200, Depth: 24, Colours: 0, Binary: 1 bytes\n");
}

TEST(Flac, PicturesThatPassTheEnd) {
  struct Case {
    const char* name;
    Bytes body;
    std::string want;
  };
  Bytes long_data = picture(3, "image/jpeg", "", Bytes().str("abc"));
  long_data.v.resize(long_data.size() - 1);  // the data length says 3, 2 are there
  const Case cases[] = {
      {"no type", Bytes().add({0, 0}), "Error: Picture type passes the end of the block\n"},
      {"no MIME length", Bytes().be32(3), "\tType: 3\nError: MIME type length passes the end of the block\n"},
      {"MIME", Bytes().be32(3).be32(100).str("image/"),
       "\tType: 3\nError: MIME type passes the end of the block\n"},
      {"description", Bytes().be32(3).be32(0).be32(0x80000000u).str("d"),
       "\tType: 3\nError: Description passes the end of the block\n"},
      {"dimensions", Bytes().be32(3).be32(0).be32(0).be32(1),
       "\tType: 3\n\tMIME: {}, Description: {}\nError: Picture dimensions passes the end of the block\n"},
      {"data", long_data,
       "\tType: 3\n\tMIME: {image/jpeg}, Description: {}\n\tWidth: 300, Height: 200, Depth: 24, Colours: 0\n"
       "Error: Picture data passes the end of the block\n"},
      {"empty JPEG", picture(3, "image/jpeg", "", Bytes()),
       "\tType: 3\n\tMIME: {image/jpeg}, Description: {}\n\tWidth: 300, Height: 200, Depth: 24, Colours: 0\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(picture_block(c.body, 0), c.want) << c.name;
}

// --- JPEG pictures, walked from memory one level deeper ---

TEST(Flac, JpegPictureIsWalkedToItsOwnLength) {
  // Six bytes of picture (SOI, EOI, two of padding), then more body bytes
  // that do not belong to it.
  Bytes body = picture(3, "image/jpeg", "", Bytes().add({0xFF, 0xD8, 0xFF, 0xD9, 0, 0}));
  body.str("XYZ");
  const std::string head0 =
      "\tType: 3\n\tMIME: {image/jpeg}, Description: {}\n\tWidth: 300, Height: 200, Depth: 24, Colours: 0\n";
  EXPECT_EQ(picture_block(body, 0), head0 + "\tJPEG file start\n\tSOI marker\n\tEOI marker\n\tJPEG file end\n");
  EXPECT_EQ(picture_block(body, 2),
            "\tType: 3 [Cover (front)]\n"
            "\tMIME: ISO-8859-1{image/jpeg}, Description: UTF-8{}\n"
            "\tWidth: 300, Height: 200, Depth: 24, Colours: 0, Binary: 6 bytes\n"
            "\t\tJPEG content, Length: 6\n"
            "\tJPEG file start\n"
            "\tOffset 0, JPEG marker: 0xffd8\n"
            "\tSOI marker [Start of Image]\n"
            "\tOffset 2, JPEG marker: 0xffd9\n"
            "\tEOI marker [End of Image]\n"
            "\t\tjpeg file padding 2 bytes\n"
            "\tJPEG file end\n");
}

TEST(Flac, WhichMimeTypesCountAsJpeg) {
  const Bytes jpeg = Bytes().add({0xFF, 0xD8, 0xFF, 0xD9});
  const std::pair<std::string, bool> cases[] = {
      {"image/jpeg", true}, {"", true},           {"image/", true},     {"image/png", false},
      {"image/jpg", false}, {"image/JPEG", false}, {"image/jpegx", false},
  };
  for (const auto& [mime, walked] : cases) {
    std::string out = picture_block(picture(0, mime, "", jpeg), 0);
    EXPECT_EQ(out.find("JPEG file start") != std::string::npos, walked) << mime;
  }
}

}  // namespace
