#include "asf/asf_bodies.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "asf/asf_test_bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::Levels;
using test::utf16;

using Printer = void (*)(const uint8_t*, size_t);

// Runs a printer at depth 1 over an exactly sized copy of the body, so that
// AddressSanitizer sees any read past its end.
std::string print(Printer f, const Bytes& body, int32_t v) {
  std::vector<uint8_t> buf(body.v);
  Levels lv(v, 1);
  Capture cap;
  f(buf.data(), buf.size());
  return cap.text();
}

const std::string kError = "\tError: Object fields run past the end of the object\n";

// --- file properties -------------------------------------------------------

Bytes file_properties_body() {
  Bytes b = test::guid("01020304-0506-0708-090A-0B0C0D0E0F10");
  b.le64(4000000)
      .le64(test::filetime(998578502))  // 2001-08-23 14:55:02 UTC
      .le64(1000)
      .le64(2400000000ULL)
      .le64(2370000000ULL)
      .le64(3000)
      .le32(0x8000000A)
      .le32(3200)
      .le32(3201)
      .le32(128000);
  return b;
}

TEST(AsfBodies, FileProperties) {
  Bytes body = file_properties_body();
  ASSERT_EQ(body.size(), kFilePropertiesSize);
  auto run = [&](int32_t v) {
    Levels lv(v, 1);
    Capture cap;
    file_properties(body.data());
    return cap.text();
  };
  const std::string head =
      "\t\t\tFile GUID (unique): {01020304-0506-0708-090a-0b0c0d0e0f10}\n"
      "\t\t\tFile size: 4000000 bytes\n"
      "\t\t\tFile creation date: 08/23/01 14:55:02 + 0ns\n"
      "\t\t\tData packet count: 1000\n"
      "\t\t\tPlay duration: 240.000 seconds\n"
      "\t\t\tSend duration: 237.000 seconds\n"
      "\t\t\tPreroll: 3.000 seconds\n";
  EXPECT_EQ(run(0), head + "\t\t\tMaximum bitrate: 128000 bps\n");
  EXPECT_EQ(run(1), head +
                        "\t\t\tFlags: <0x8000000a>\n"
                        "\t\t\tPacket size: 3200/3201\n"
                        "\t\t\tMaximum bitrate: 128000 bps\n");
}

// --- stream properties -----------------------------------------------------

Bytes stream_properties_body(uint32_t type_len, uint32_t ecc_len) {
  Bytes b = test::guid("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
  b.append(test::guid("BFC3CD50-618F-11CF-8BB2-00AA00B4E220"))
      .le64(15000000)
      .le32(type_len)
      .le32(ecc_len)
      .le16(0x0101)
      .add({1, 2, 3, 4});
  return b;
}

TEST(AsfBodies, StreamProperties) {
  Bytes body = stream_properties_body(3, 2);
  body.add({0xAA, 0xBB, 0xCC, 0x11, 0x22});
  const std::string fixed =
      "\t\t\tStream type: {f8699e40-5b4d-11cf-a8fd-00805f5c442b}\n"
      "\t\t\tError correction type: {bfc3cd50-618f-11cf-8bb2-00aa00b4e220}\n"
      "\t\t\tTime offset: 1.500 seconds\n"
      "\t\t\tFlags: <0x0101>\n"
      "\t\t\tReserved: <0x01020304>\n";
  EXPECT_EQ(print(stream_properties, body, 0), "");
  EXPECT_EQ(print(stream_properties, body, 1),
            fixed + "\t\t\tType specific data: <0xaabbcc>\n\t\t\tError correction data: <0x1122>\n");

  // Lengths that pass the end of the body.
  Bytes long_type = stream_properties_body(6, 0);
  long_type.add({0xAA, 0xBB, 0xCC, 0xDD, 0xEE});
  EXPECT_EQ(print(stream_properties, long_type, 1), fixed + kError);
  Bytes long_ecc = stream_properties_body(2, 0xFFFFFFFF);
  long_ecc.add({0xAA, 0xBB, 0xCC});
  EXPECT_EQ(print(stream_properties, long_ecc, 1),
            fixed + "\t\t\tType specific data: <0xaabb>\n" + kError);
  Bytes huge_type = stream_properties_body(0xFFFFFFFF, 0);
  EXPECT_EQ(print(stream_properties, huge_type, 1), fixed + kError);
  Bytes short_body = stream_properties_body(0, 0);
  short_body.v.pop_back();
  EXPECT_EQ(print(stream_properties, short_body, 1), kError);
}

// --- codec list ------------------------------------------------------------

Bytes codec_entry(int type, const Bytes& name, int name_chars, const Bytes& desc, int desc_chars,
                  const Bytes& info) {
  Bytes b;
  b.le16(type).le16(name_chars).append(name).le16(desc_chars).append(desc);
  b.le16(static_cast<uint32_t>(info.size())).append(info);
  return b;
}

Bytes codec_list_body(uint32_t count) {
  Bytes b = test::guid("86D15241-311D-11D0-A3A4-00A0C90348F6");
  b.le32(count);
  return b;
}

TEST(AsfBodies, CodecListWithTwoEntries) {
  // A name of 3 characters in 6 bytes; a description with its terminator.
  Bytes body = codec_list_body(2);
  body.append(codec_entry(2, utf16("WMA", false), 3, utf16("64 kbps"), 8, Bytes{0x61, 0x01}));
  // The second entry starts at 20 + 8 + 6 + 16 + 2.
  ASSERT_EQ(body.size(), 20u + 8 + 6 + 16 + 2);
  body.append(codec_entry(1, utf16("mjpeg"), 6, Bytes{}, 0, Bytes{}.str("MJPG")));

  EXPECT_EQ(print(codec_list, body, 0),
            "\t\tCodec list object\n"
            "\t\t\tCodec type: 2, name: {WMA}\n"
            "\t\t\t\tdescription: {64 kbps}\n"
            "\n"
            "\t\t\tCodec type: 1, name: {mjpeg}\n"
            "\t\t\t\tdescription: {}\n"
            "\n");
  EXPECT_EQ(print(codec_list, body, 1),
            "\t\tCodec list object, Reserved: {86d15241-311d-11d0-a3a4-00a0c90348f6}, Count: 2\n"
            "\n"
            "\t\t\tCodec type: 2, name: UTF-16{WMA}\n"
            "\t\t\t\tdescription: UTF-16{64 kbps}\n"
            "\t\t\t\tinformation: <0x6101 |a |>\n"
            "\t\t\tCodec type: 1, name: UTF-16{mjpeg}\n"
            "\t\t\t\tdescription: UTF-16{}\n"
            "\t\t\t\tinformation: <0x4d4a5047 |MJPG|>\n");
}

TEST(AsfBodies, CodecListInformationDump) {
  Bytes info;
  for (int i = 0; i < 33; ++i) info.add({'A' + i % 26});
  Bytes body = codec_list_body(1);
  body.append(codec_entry(2, Bytes{}, 0, Bytes{}, 0, info));
  // A continuation row starts with a TAB, the depth and three more TABs.
  EXPECT_EQ(print(codec_list, body, 1),
            "\t\tCodec list object, Reserved: {86d15241-311d-11d0-a3a4-00a0c90348f6}, Count: 1\n"
            "\n"
            "\t\t\tCodec type: 2, name: UTF-16{}\n"
            "\t\t\t\tdescription: UTF-16{}\n"
            "\t\t\t\tinformation: <0x"
            "4142434445464748494a4b4c4d4e4f505152535455565758595a414243444546"
            " |ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF|\n\t\t\t\t\t47 |G|>\n");
}

TEST(AsfBodies, CodecListLengthsAreDoubledIn16Bits) {
  // 0x8001 characters make 2 bytes.
  Bytes body = codec_list_body(1);
  body.append(codec_entry(7, utf16("X", false), 0x8001, Bytes{}, 0, Bytes{}));
  EXPECT_EQ(print(codec_list, body, 0),
            "\t\tCodec list object\n"
            "\t\t\tCodec type: 7, name: {X}\n"
            "\t\t\t\tdescription: {}\n"
            "\n");
}

TEST(AsfBodies, CodecListPastTheBody) {
  Bytes one = codec_entry(2, utf16("A", false), 1, Bytes{}, 0, Bytes{});
  const std::string first =
      "\t\tCodec list object\n"
      "\t\t\tCodec type: 2, name: {A}\n"
      "\t\t\t\tdescription: {}\n"
      "\n";
  // More entries counted than stored.
  Bytes more = codec_list_body(0xFFFFFFFF);
  more.append(one);
  EXPECT_EQ(print(codec_list, more, 0), first + kError);
  // An entry whose name, description or information passes the end.
  Bytes name = codec_list_body(2);
  name.append(one).le16(2).le16(100).add({0x41, 0});
  EXPECT_EQ(print(codec_list, name, 0), first + kError);
  Bytes desc = codec_list_body(2);
  desc.append(one).le16(2).le16(0).le16(3).add({0x41, 0, 0x42, 0, 0x43});
  EXPECT_EQ(print(codec_list, desc, 0), first + kError);
  Bytes info = codec_list_body(2);
  info.append(one).le16(2).le16(0).le16(0).le16(5).add({1, 2, 3, 4});
  EXPECT_EQ(print(codec_list, info, 0), first + kError);
  // A body too short for the count.
  Bytes tiny = codec_list_body(1);
  tiny.v.pop_back();
  EXPECT_EQ(print(codec_list, tiny, 1), "\t\tCodec list object\n" + kError);
}

// --- content description ---------------------------------------------------

TEST(AsfBodies, ContentDescription) {
  Bytes title = utf16("Tone");
  Bytes copyright = utf16("c", false);
  Bytes body;
  body.le16(10).le16(0).le16(2).le16(0).le16(0).append(title).append(copyright);
  EXPECT_EQ(print(content_description, body, 0),
            "\t\t\tTitle: {Tone}\n"
            "\t\t\tAuthor: {}\n"
            "\t\t\tCopyright: {c}\n"
            "\t\t\tDescription: {}\n"
            "\t\t\tRating: {}\n");
  EXPECT_EQ(print(content_description, body, 1),
            "\t\t\tTitle: UTF-16{Tone}\n"
            "\t\t\tAuthor: UTF-16{}\n"
            "\t\t\tCopyright: UTF-16{c}\n"
            "\t\t\tDescription: UTF-16{}\n"
            "\t\t\tRating: UTF-16{}\n");
}

TEST(AsfBodies, ContentDescriptionPastTheBody) {
  Bytes body;
  body.le16(2).le16(4).le16(0xFFFF).le16(0).le16(0).append(utf16("A", false)).add({0x42, 0, 0, 0});
  EXPECT_EQ(print(content_description, body, 0),
            "\t\t\tTitle: {A}\n\t\t\tAuthor: {B}\n" + kError);
  Bytes odd;
  odd.le16(3).le16(0).le16(0).le16(0).le16(0).add({0x41, 0, 0x42});
  EXPECT_EQ(print(content_description, odd, 0),
            "\t\t\tTitle: {A\\0042}\n\t\t\tAuthor: {}\n\t\t\tCopyright: {}\n"
            "\t\t\tDescription: {}\n\t\t\tRating: {}\n");
  EXPECT_EQ(print(content_description, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0}, 0), kError);
}

// --- extended content description ------------------------------------------

Bytes descriptor(const Bytes& name, int type, const Bytes& value) {
  Bytes b;
  b.le16(static_cast<uint32_t>(name.size())).append(name).le16(type);
  b.le16(static_cast<uint32_t>(value.size())).append(value);
  return b;
}

TEST(AsfBodies, ExtendedContentDescription) {
  Bytes body;
  body.le16(2)
      .append(descriptor(utf16("Genre"), 0, utf16("Jazz")))
      .append(descriptor(utf16("Track"), 3, Bytes{}.le32(7)));
  EXPECT_EQ(print(extended_content_description, body, 0),
            "\t\tExtended content description object\n"
            "\t\t\t{Genre} = {Jazz}\n"
            "\t\t\t{Track} = {7}\n");
  EXPECT_EQ(print(extended_content_description, body, 1),
            "\t\tExtended content description object, Count: 2\n"
            "\t\t\tUTF-16{Genre} = UTF-16{Jazz}\n"
            "\t\t\tUTF-16{Track} = {7}\n");
}

TEST(AsfBodies, ExtendedContentDescriptionPastTheBody) {
  Bytes genre = descriptor(utf16("G"), 0, utf16("J"));
  const std::string first = "\t\tExtended content description object\n\t\t\t{G} = {J}\n";
  Bytes more;
  more.le16(0xFFFF).append(genre);
  EXPECT_EQ(print(extended_content_description, more, 0), first + kError);
  Bytes name;
  name.le16(2).append(genre).le16(40).add({0x41, 0});
  EXPECT_EQ(print(extended_content_description, name, 0), first + kError);
  Bytes value;
  value.le16(2).append(genre).le16(0).le16(0).le16(9).add({0x41, 0});
  EXPECT_EQ(print(extended_content_description, value, 0), first + kError);
  EXPECT_EQ(print(extended_content_description, Bytes{}, 1),
            "\t\tExtended content description object\n" + kError);
  // A 2-byte BOOL at the end of the body is shown from its 2 bytes.
  Bytes flag;
  flag.le16(1).append(descriptor(utf16("F"), 2, Bytes{0x01, 0x00}));
  EXPECT_EQ(print(extended_content_description, flag, 1),
            "\t\tExtended content description object, Count: 1\n"
            "\t\t\tUTF-16{F} = UINT32{00000001}\n");
}

// --- stream bitrate properties and language list ---------------------------

TEST(AsfBodies, StreamBitrateProperties) {
  Bytes body;
  body.le16(2).le16(0x8003).le32(128000).le16(1).le32(32000);
  EXPECT_EQ(print(stream_bitrate_properties, body, 0), "\t\tStream bitrate properties object\n");
  // Reserved bits of the flags are shown as part of the stream number.
  EXPECT_EQ(print(stream_bitrate_properties, body, 1),
            "\t\tStream bitrate properties object, Count: 2\n"
            "\t\t\tStream: 32771, Bitrate: 128000 bps\n"
            "\t\t\tStream: 1, Bitrate: 32000 bps\n");
  Bytes more;
  more.le16(2).le16(1).le32(32000).le16(2);
  EXPECT_EQ(print(stream_bitrate_properties, more, 1),
            "\t\tStream bitrate properties object, Count: 2\n"
            "\t\t\tStream: 1, Bitrate: 32000 bps\n" + kError);
}

TEST(AsfBodies, LanguageList) {
  Bytes en = utf16("en-us");
  Bytes de = utf16("de");
  Bytes body;
  body.le16(2).add({static_cast<int>(en.size())}).append(en);
  body.add({static_cast<int>(de.size())}).append(de);
  EXPECT_EQ(print(language_list, body, 0), "\t\t\tLanguage list object\n");
  EXPECT_EQ(print(language_list, body, 1),
            "\t\t\tLanguage list object, Count: 2\n"
            "\t\t\t\tUTF-16{en-us}\n"
            "\t\t\t\tUTF-16{de}\n");
  Bytes past;
  past.le16(3).add({static_cast<int>(de.size())}).append(de).add({200, 0x41, 0});
  EXPECT_EQ(print(language_list, past, 1),
            "\t\t\tLanguage list object, Count: 3\n\t\t\t\tUTF-16{de}\n" + kError);
}

// --- metadata and metadata library -----------------------------------------

Bytes record(int first, int stream, const Bytes& name, int type, const Bytes& value,
             uint32_t value_len) {
  Bytes b;
  b.le16(first).le16(stream).le16(static_cast<uint32_t>(name.size())).le16(type);
  b.le32(value_len).append(name).append(value);
  return b;
}

Bytes record(int first, int stream, const Bytes& name, int type, const Bytes& value) {
  return record(first, stream, name, type, value, static_cast<uint32_t>(value.size()));
}

TEST(AsfBodies, Metadata) {
  // A 2-byte BOOL inside the body is read from 4 bytes: the next record's
  // first field (0) gives the high half.
  Bytes body;
  body.le16(3)
      .append(record(0, 1, utf16("IsVBR"), 2, Bytes{0x01, 0x00}))
      .append(record(0, 2, utf16("W"), 3, Bytes{}.le32(640)))
      .append(record(9, 2, utf16("B"), 2, Bytes{0x01, 0x00}));
  EXPECT_EQ(print(metadata, body, 0), "\t\t\tMetadata object\n");
  EXPECT_EQ(print(metadata, body, 1),
            "\t\t\tMetadata object, Count: 3\n"
            "\t\t\t\tReserved: 0, Stream: 1, UTF-16{IsVBR} = UINT32{00000001}\n"
            "\t\t\t\tReserved: 0, Stream: 2, UTF-16{W} = {640}\n"
            "\t\t\t\tReserved: 9, Stream: 2, UTF-16{B} = UINT32{00000001}\n");
}

std::string hex(const std::vector<uint8_t>& v, size_t n) {
  std::string s;
  char d[3];
  for (size_t i = 0; i < n; ++i) {
    snprintf(d, sizeof d, "%02x", v[i]);
    s += d;
  }
  return s;
}

TEST(AsfBodies, MetadataLibraryValueOf64KiBOrMore) {
  Bytes picture;
  for (int i = 0; i < 70000; ++i) picture.add({i % 251});
  Bytes body;
  body.le16(2)
      .append(record(1, 2, utf16("Pic"), 1, picture))
      .append(record(0, 0, utf16("N"), 5, Bytes{}.le16(258)));
  EXPECT_EQ(print(metadata_library, body, 0), "\t\t\tMetadata library object\n");
  // 70,000 bytes modulo 65,536 are 4,464; the next record is still found.
  EXPECT_EQ(print(metadata_library, body, 1),
            "\t\t\tMetadata library object, Count: 2\n"
            "\t\t\t\tLanguage: 1, Stream: 2, UTF-16{Pic} = Unknown{<0x" +
                hex(picture.v, 4464) +
                ">}\n"
                "\t\t\t\tLanguage: 0, Stream: 0, UTF-16{N} = Encoding: 5{258}\n");
}

TEST(AsfBodies, MetadataPastTheBody) {
  Bytes one = record(0, 1, utf16("A"), 0, utf16("B"));
  const std::string first =
      "\t\t\tMetadata library object, Count: 2\n"
      "\t\t\t\tLanguage: 0, Stream: 1, UTF-16{A} = UTF-16{B}\n";
  Bytes big;
  big.le16(2).append(one).append(record(0, 1, utf16("A"), 1, Bytes{1, 2}, 0xFFFFFFFF));
  EXPECT_EQ(print(metadata_library, big, 1), first + kError);
  Bytes part;
  part.le16(2).append(one).add({0, 0, 0, 0, 0, 0});
  EXPECT_EQ(print(metadata_library, part, 1), first + kError);
}

// --- every printer on hostile bodies ---------------------------------------

struct Named {
  const char* name;
  Printer f;
};

const Named kPrinters[] = {
    {"stream properties", stream_properties},
    {"codec list", codec_list},
    {"content description", content_description},
    {"extended content description", extended_content_description},
    {"stream bitrate properties", stream_bitrate_properties},
    {"language list", language_list},
    {"metadata", metadata},
    {"metadata library", metadata_library},
};

TEST(AsfBodies, EmptyBodies) {
  struct Case {
    Printer f;
    std::string quiet, loud;
  } cases[] = {
      {stream_properties, "", kError},
      {codec_list, "\t\tCodec list object\n" + kError, "\t\tCodec list object\n" + kError},
      {content_description, kError, kError},
      {extended_content_description, "\t\tExtended content description object\n" + kError,
       "\t\tExtended content description object\n" + kError},
      {stream_bitrate_properties, "\t\tStream bitrate properties object\n",
       "\t\tStream bitrate properties object\n" + kError},
      {language_list, "\t\t\tLanguage list object\n", "\t\t\tLanguage list object\n" + kError},
      {metadata, "\t\t\tMetadata object\n", "\t\t\tMetadata object\n" + kError},
      {metadata_library, "\t\t\tMetadata library object\n",
       "\t\t\tMetadata library object\n" + kError},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(print(c.f, Bytes{}, 0), c.quiet);
    EXPECT_EQ(print(c.f, Bytes{}, 1), c.loud);
  }
}

// Bodies of random bytes, and of random lengths with large counts, must
// never make a printer read outside them (AddressSanitizer watches) or run
// for long: every printer ends in bounded time.
TEST(AsfBodies, RandomBodiesStayInside) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 400; ++round) {
    Bytes body;
    size_t n = rng() % 200;
    for (size_t i = 0; i < n; ++i) body.add({static_cast<int>(rng() % 256)});
    if (round % 2 && n >= 2) body.v[0] = body.v[1] = 0xFF;
    for (const Named& p : kPrinters)
      for (int v = 0; v <= 2; ++v) {
        std::string text = print(p.f, body, v);
        EXPECT_LT(text.size(), 100000u) << p.name;
      }
  }
}

}  // namespace
