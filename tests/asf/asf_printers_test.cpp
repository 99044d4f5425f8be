// The ASF value printers (GUIDs, typed values, timestamps, durations) and the
// object body printers. Each runs over an exactly sized copy of its input at
// depth 1, so that AddressSanitizer sees any read past the end and the value
// printers show that they print no TABs.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "asf/asf_bodies.h"
#include "support/formats.h"
#include "asf/asf_values.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::utf16;

std::string print(const std::function<void(const uint8_t*, size_t)>& f, const Bytes& b,
                  int32_t v) {
  std::vector<uint8_t> buf(b.v);
  test::Levels lv(v, 1);
  test::Capture cap;
  f(buf.data(), buf.size());
  return cap.text();
}

TEST(AsfValues, PutGuid) {
  Bytes header{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  EXPECT_EQ(print([](const uint8_t* p, size_t) { put_guid(p); }, header, 0),
            "{75b22630-668e-11cf-a6d9-00aa0062ce6c}");
}

// A string of odd length shows its last byte alone; a BOOL, DWORD, QWORD or
// WORD shorter than its width is decoded from the bytes that are there (these
// values end their buffer). A DWORD or WORD followed by more bytes is read
// from its own width.
TEST(AsfValues, PutEnc2) {
  const struct {
    int type;
    Bytes bytes;
    uint16_t len;
    std::string quiet, loud;  // at verbose 0 and 1
  } cases[] = {
      {0, {}, 0, "{}", "UTF-16{}"},
      {3, {0x80, 0, 0, 0}, 0, "{}", "{}"},
      {0, utf16("Jazz"), 10, "{Jazz}", "UTF-16{Jazz}"},
      {0, utf16("Jazz", false), 8, "{Jazz}", "UTF-16{Jazz}"},
      {0, utf16("AB").le16(0), 8, "{AB\\0000}", "UTF-16{AB\\0000}"},
      {0, Bytes{}.le16('c').le16(0xE9).le16(0), 6, "{c\\00e9}", "UTF-16{c\\00e9}"},
      {0, {0x41, 0, 0x42}, 3, "{A\\0042}", "UTF-16{A\\0042}"},
      {0, {0x41}, 1, "{\\0041}", "UTF-16{\\0041}"},
      {2, {1, 0, 0, 0}, 4, "{00000001}", "UINT32{00000001}"},
      {2, {1, 2}, 2, "{00000201}", "UINT32{00000201}"},
      {3, {0x80, 0, 0, 0, 0xFF}, 4, "{128}", "{128}"},
      {3, {0x80, 0x01, 0x00}, 3, "{384}", "{384}"},
      {4, Bytes{}.le64(test::filetime(998578502) + 1234567), 8,
       "{08/23/01 14:55:02 + 123456700ns}", "DATETIME{08/23/01 14:55:02 + 123456700ns}"},
      {4, {1, 0, 0, 0, 0}, 5, "{01/01/01 00:00:00 + 100ns}",
       "DATETIME{01/01/01 00:00:00 + 100ns}"},
      {5, {0x34, 0x12, 0xFF, 0xFF}, 2, "{4660}", "Encoding: 5{4660}"},
      {5, {0x07}, 1, "{7}", "Encoding: 5{7}"},
      {6, test::guid("75B22630-668E-11CF-A6D9-00AA0062CE6C"), 16,
       "{<0x3026b2758e66cf11a6d900aa0062ce6c>}",
       "Encoding: 6{<0x3026b2758e66cf11a6d900aa0062ce6c>}"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    auto f = [&](const uint8_t* p, size_t n) { put_enc2(cases[i].type, cases[i].len, p, n); };
    EXPECT_EQ(print(f, cases[i].bytes, 0), cases[i].quiet) << i;
    EXPECT_EQ(print(f, cases[i].bytes, 1), cases[i].loud) << i;
  }
}

// Every 64-bit timestamp prints a real date with the year's last two digits.
TEST(AsfValues, PutMsTime) {
  const uint64_t epoch = 116444736000000000ULL;  // 1970-01-01
  const struct {
    uint64_t t;
    const char* text;
  } cases[] = {
      {epoch, "01/01/70 00:00:00 + 0ns"},
      {epoch + 5000000, "01/01/70 00:00:00 + 500000000ns"},
      {epoch - 1, "12/31/69 23:59:59 + 999999900ns"},
      {0, "01/01/01 00:00:00 + 0ns"},                                 // 1601-01-01
      {test::filetime(2147483648LL), "01/19/38 03:14:08 + 0ns"},     // 2^31 seconds
      {test::filetime(4107542400LL), "03/01/00 00:00:00 + 0ns"},     // 2100: no 29 February
      {18446744073709551615ULL, "05/28/56 05:36:10 + 955161500ns"},  // in the year 60056
  };
  for (const auto& c : cases)
    EXPECT_EQ(print([&](const uint8_t*, size_t) { put_ms_time(c.t); }, {}, 0), c.text) << c.t;
}

// As the file properties printer shows them: 3,000 ms, 2,345,670,000 steps
// of 100 ns, and the largest count (unsigned, not negative).
TEST(AsfValues, Durations) {
  char s[80];
  snprintf(s, sizeof s, "%.3f %.3f %.3f", asf_seconds(3000, 1000.0),
           asf_seconds(2345670000ULL, 1e7), asf_seconds(~0ULL, 1e7));
  EXPECT_STREQ(s, "3.000 234.567 1844674407370.955");
}

const std::string kError = "\tError: Object fields run past the end of the object\n";

// Name and description lengths are in characters, the information length in bytes.
Bytes codec_entry(int type, const Bytes& name, const Bytes& desc, const Bytes& info) {
  Bytes b;
  b.le16(type).le16(static_cast<uint32_t>(name.size() / 2)).append(name);
  b.le16(static_cast<uint32_t>(desc.size() / 2)).append(desc);
  return b.le16(static_cast<uint32_t>(info.size())).append(info);
}

Bytes descriptor(const Bytes& name, int type, const Bytes& value) {
  Bytes b;
  b.le16(static_cast<uint32_t>(name.size())).append(name).le16(type);
  return b.le16(static_cast<uint32_t>(value.size())).append(value);
}

Bytes record(int first, const Bytes& name, int type, const Bytes& value, uint32_t value_len) {
  Bytes b;
  b.le16(first).le16(2).le16(static_cast<uint32_t>(name.size())).le16(type);
  return b.le32(value_len).append(name).append(value);
}

// Each body printer at verbose 0 or 1. A count or length that passes the end
// of the body stops the object's lines with an error line.
TEST(AsfBodies, Printers) {
  Bytes stream = test::guid("F8699E40-5B4D-11CF-A8FD-00805F5C442B");
  stream.append(test::guid("BFC3CD50-618F-11CF-8BB2-00AA00B4E220")).le64(15000000);
  Bytes stream_past = Bytes(stream).le32(2).le32(0xFFFFFFFF).le16(0x0101);
  stream.le32(3).le32(2).le16(0x0101).add({1, 2, 3, 4}).add({0xAA, 0xBB, 0xCC, 0x11, 0x22});
  stream_past.add({1, 2, 3, 4, 0xAA, 0xBB, 0xCC});
  const std::string stream_fixed =
      "\t\t\tStream type: {f8699e40-5b4d-11cf-a8fd-00805f5c442b}\n"
      "\t\t\tError correction type: {bfc3cd50-618f-11cf-8bb2-00aa00b4e220}\n"
      "\t\t\tTime offset: 1.500 seconds\n\t\t\tFlags: <0x0101>\n\t\t\tReserved: <0x01020304>\n";
  // The second codec entry starts at 20 + 8 + N + D + I; a name of 3
  // characters is printed from 6 bytes.
  const Bytes reserved = test::guid("86D15241-311D-11D0-A3A4-00A0C90348F6");
  Bytes codecs = Bytes(reserved).le32(2);
  codecs.append(codec_entry(2, utf16("WMA", false), utf16("64 kbps"), Bytes{0x61, 0x01}));
  EXPECT_EQ(codecs.size(), 20u + 8 + 6 + 16 + 2);
  codecs.append(codec_entry(1, utf16("mjpeg"), Bytes{}, Bytes{}.str("MJPG")));
  Bytes codec = codec_entry(2, utf16("A", false), Bytes{}, Bytes{});
  const std::string codec_first =
      "\t\tCodec list object\n\t\t\tCodec type: 2, name: {A}\n\t\t\t\tdescription: {}\n\n";
  Bytes ext = Bytes{}.le16(2).append(descriptor(utf16("Genre"), 0, utf16("Jazz")));
  ext.append(descriptor(utf16("Track"), 3, Bytes{}.le32(7)));
  // The reserved bits of a bitrate record's flags are part of the stream
  // number. A 2-byte BOOL inside the body is read from 4 bytes, the high half
  // from the next record (9).
  Bytes rates = Bytes{}.le16(3).le16(0x8003).le32(128000).le16(1).le32(32000).le16(2);
  Bytes meta = Bytes{}.le16(3).append(record(0, utf16("IsVBR"), 2, Bytes{1, 0}, 2));
  meta.append(record(9, utf16("W"), 3, Bytes{}.le32(640), 4));
  meta.append(record(0, utf16("A"), 1, Bytes{1, 2}, 0xFFFFFFFF));
  // Of a value of 70,000 bytes, 70,000 modulo 65,536 = 4,464 are shown; the
  // next record is still found.
  Bytes library = Bytes{}.le16(2).append(record(1, utf16("P"), 1, Bytes{}.fill(70000, 0), 70000));
  library.append(record(0, utf16("N"), 5, Bytes{}.le16(258), 2));
  const struct {
    void (*f)(const uint8_t*, size_t);
    int v;
    Bytes body;
    std::string text;
  } cases[] = {
      {stream_properties, 0, stream, ""},
      {stream_properties, 1, stream,
       stream_fixed + "\t\t\tType specific data: <0xaabbcc>\n"
                      "\t\t\tError correction data: <0x1122>\n"},
      {stream_properties, 1, stream_past,
       stream_fixed + "\t\t\tType specific data: <0xaabb>\n" + kError},
      {codec_list, 0, codecs,
       "\t\tCodec list object\n\t\t\tCodec type: 2, name: {WMA}\n\t\t\t\tdescription: {64 kbps}\n"
       "\n\t\t\tCodec type: 1, name: {mjpeg}\n\t\t\t\tdescription: {}\n\n"},
      {codec_list, 1, codecs,
       "\t\tCodec list object, Reserved: {86d15241-311d-11d0-a3a4-00a0c90348f6}, Count: 2\n\n"
       "\t\t\tCodec type: 2, name: UTF-16{WMA}\n\t\t\t\tdescription: UTF-16{64 kbps}\n"
       "\t\t\t\tinformation: <0x6101 |a |>\n"
       "\t\t\tCodec type: 1, name: UTF-16{mjpeg}\n\t\t\t\tdescription: UTF-16{}\n"
       "\t\t\t\tinformation: <0x4d4a5047 |MJPG|>\n"},
      {codec_list, 0, Bytes(reserved).le32(0xFFFFFFFF).append(codec), codec_first + kError},
      {codec_list, 0, Bytes(reserved).le32(2).append(codec).le16(2).le32(0).le16(5).add({1, 2}),
       codec_first + kError},
      // Empty fields print their label and {}.
      {content_description, 0,
       Bytes{}.le16(10).le16(0).le16(2).le16(0).le16(0).append(utf16("Tone")).add({0x63, 0}),
       "\t\t\tTitle: {Tone}\n\t\t\tAuthor: {}\n\t\t\tCopyright: {c}\n\t\t\tDescription: {}\n"
       "\t\t\tRating: {}\n"},
      {content_description, 0, Bytes{}.le16(2).le16(2).le16(0xFFFF).le32(0).add({0x41, 0, 0x42, 0}),
       "\t\t\tTitle: {A}\n\t\t\tAuthor: {B}\n" + kError},
      {extended_content_description, 0, ext,
       "\t\tExtended content description object\n\t\t\t{Genre} = {Jazz}\n\t\t\t{Track} = {7}\n"},
      {extended_content_description, 1, ext,
       "\t\tExtended content description object, Count: 2\n"
       "\t\t\tUTF-16{Genre} = UTF-16{Jazz}\n\t\t\tUTF-16{Track} = {7}\n"},
      {extended_content_description, 0,
       Bytes{}.le16(2).append(descriptor(utf16("G"), 0, utf16("J"))).le16(0).le16(0).le16(9),
       "\t\tExtended content description object\n\t\t\t{G} = {J}\n" + kError},
      // Lists print their entries at verbose 1 only.
      {stream_bitrate_properties, 0, rates, "\t\tStream bitrate properties object\n"},
      {stream_bitrate_properties, 1, rates,
       "\t\tStream bitrate properties object, Count: 3\n"
       "\t\t\tStream: 32771, Bitrate: 128000 bps\n\t\t\tStream: 1, Bitrate: 32000 bps\n" + kError},
      {language_list, 1,
       Bytes{}.le16(3).add({12}).append(utf16("en-us")).add({6}).append(utf16("de")).add({200, 0}),
       "\t\t\tLanguage list object, Count: 3\n\t\t\t\tUTF-16{en-us}\n\t\t\t\tUTF-16{de}\n" +
           kError},
      {metadata, 0, meta, "\t\t\tMetadata object\n"},
      {metadata, 1, meta,
       "\t\t\tMetadata object, Count: 3\n"
       "\t\t\t\tReserved: 0, Stream: 2, UTF-16{IsVBR} = UINT32{00090001}\n"
       "\t\t\t\tReserved: 9, Stream: 2, UTF-16{W} = {640}\n" + kError},
      {metadata_library, 1, library,
       "\t\t\tMetadata library object, Count: 2\n"
       "\t\t\t\tLanguage: 1, Stream: 2, UTF-16{P} = Unknown{<0x" + std::string(2 * 4464, '0') + ">}\n"
       "\t\t\t\tLanguage: 0, Stream: 2, UTF-16{N} = Encoding: 5{258}\n"},
  };
  // On an empty body every printer stops with an error line at verbose 1.
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(print(cases[i].f, cases[i].body, cases[i].v), cases[i].text) << i;
    EXPECT_NE(print(cases[i].f, Bytes{}, 1).find(kError), std::string::npos) << i;
  }
}

}  // namespace
