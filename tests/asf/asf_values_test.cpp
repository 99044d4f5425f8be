#include "asf/asf_values.h"

#include <gtest/gtest.h>

#include <string>

#include "asf/asf_test_bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::Levels;

template <typename F>
std::string report(int32_t v, F f) {
  Levels lv(v, 2);  // the depth must not show: these printers print no TABs
  Capture cap;
  f();
  return cap.text();
}

TEST(AsfValues, PutGuid) {
  Bytes header{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
               0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  EXPECT_EQ(report(0, [&] { put_guid(header.data()); }),
            "{75b22630-668e-11cf-a6d9-00aa0062ce6c}");
  Bytes high = test::guid("FFFFFFFE-8001-0A0B-C0D0-0102030405F0");
  EXPECT_EQ(report(1, [&] { put_guid(high.data()); }), "{fffffffe-8001-0a0b-c0d0-0102030405f0}");
}

struct Enc2Case {
  const char* name;
  int type;
  Bytes bytes;        // the value, followed by whatever else the buffer holds
  uint16_t len;       // the value's stated length
  std::string quiet;  // at verbose 0
  std::string loud;   // at verbose 1
};

TEST(AsfValues, PutEnc2) {
  const Enc2Case cases[] = {
      {"empty string", 0, Bytes{}, 0, "{}", "UTF-16{}"},
      {"empty DWORD", 3, Bytes{0x80, 0, 0, 0}, 0, "{}", "{}"},
      {"empty GUID", 6, Bytes{1, 2}, 0, "{}", "Encoding: 6{}"},
      {"string with terminator", 0, test::utf16("Jazz"), 10, "{Jazz}", "UTF-16{Jazz}"},
      {"string without terminator", 0, test::utf16("Jazz", false), 8, "{Jazz}",
       "UTF-16{Jazz}"},
      {"two zero characters keep one", 0, test::utf16("AB").le16(0), 8, "{AB\\0000}",
       "UTF-16{AB\\0000}"},
      {"U+00E9", 0, Bytes{}.le16('c').le16(0xE9).le16(0), 6, "{c\\00e9}", "UTF-16{c\\00e9}"},
      {"control and surrogate units", 0, Bytes{}.le16(0x0A).le16(0xD83D).le16(0x7F), 6,
       "{\n\\d83d\x7f}", "UTF-16{\n\\d83d\x7f}"},
      {"odd length: lone last byte", 0, Bytes{0x41, 0x00, 0x42, 0x43}, 3, "{A\\0042}",
       "UTF-16{A\\0042}"},
      {"length 1", 0, Bytes{0x00, 0x00}, 1, "{\\0000}", "UTF-16{\\0000}"},
      {"byte array", 1, Bytes{0xDE, 0xAD, 0x01}, 3, "{<0xdead01>}", "Unknown{<0xdead01>}"},
      {"BOOL", 2, Bytes{1, 0, 0, 0}, 4, "{00000001}", "UINT32{00000001}"},
      {"BOOL of two bytes is read from four", 2, Bytes{1, 0, 0x10, 0}, 2, "{00100001}",
       "UINT32{00100001}"},
      {"DWORD 128", 3, Bytes{0x80, 0, 0, 0}, 4, "{128}", "{128}"},
      {"DWORD of all ones", 3, Bytes{0xFF, 0xFF, 0xFF, 0xFF}, 4, "{4294967295}",
       "{4294967295}"},
      {"QWORD date", 4, Bytes{}.le64(test::filetime(998578502) + 1234567), 8,
       "{08/23/01 14:55:02 + 123456700ns}", "DATETIME{08/23/01 14:55:02 + 123456700ns}"},
      {"WORD", 5, Bytes{0x34, 0x12}, 2, "{4660}", "Encoding: 5{4660}"},
      {"GUID as bytes", 6, test::guid(test::kHeaderGuid), 16,
       "{<0x3026b2758e66cf11a6d900aa0062ce6c>}",
       "Encoding: 6{<0x3026b2758e66cf11a6d900aa0062ce6c>}"},
      {"unknown code", 9, Bytes{0x01, 0x02}, 2, "{<0x0102>}", "Encoding: 9{<0x0102>}"},
      {"code 65535", 65535, Bytes{0xAB}, 1, "{<0xab>}", "Encoding: 65535{<0xab>}"},
  };
  for (const Enc2Case& c : cases) {
    // The value stands at the end of its buffer, which ASan guards.
    std::vector<uint8_t> buf(c.bytes.v);
    EXPECT_EQ(report(0, [&] { put_enc2(c.type, c.len, buf.data(), buf.size()); }), c.quiet)
        << c.name;
    EXPECT_EQ(report(1, [&] { put_enc2(c.type, c.len, buf.data(), buf.size()); }), c.loud)
        << c.name;
  }
}

// A value of a fixed-width type that is shorter than its width and ends the
// buffer is decoded from the bytes that are there.
TEST(AsfValues, PutEnc2NeverReadsPastTheBuffer) {
  struct Case {
    int type;
    Bytes bytes;
    std::string text;
  } cases[] = {
      {2, Bytes{0x01, 0x02}, "{00000201}"},
      {3, Bytes{0x80, 0x01, 0x00}, "{384}"},
      {4, Bytes{0x01, 0x00, 0x00, 0x00, 0x00}, "{01/01/01 00:00:00 + 100ns}"},
      {5, Bytes{0x07}, "{7}"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> buf(c.bytes.v);
    EXPECT_EQ(report(0, [&] {
                put_enc2(c.type, static_cast<uint16_t>(buf.size()), buf.data(), buf.size());
              }),
              c.text)
        << c.type;
  }
}

struct TimeCase {
  uint64_t t;
  std::string text;
};

TEST(AsfValues, PutMsTime) {
  const TimeCase cases[] = {
      {116444736000000000ULL, "01/01/70 00:00:00 + 0ns"},
      {116444736000000000ULL + 5000000, "01/01/70 00:00:00 + 500000000ns"},
      {test::filetime(998578502), "08/23/01 14:55:02 + 0ns"},
      {test::filetime(998578502) + 9999999, "08/23/01 14:55:02 + 999999900ns"},
      // Before 1970.
      {116444736000000000ULL - 10000000, "12/31/69 23:59:59 + 0ns"},
      {116444736000000000ULL - 1, "12/31/69 23:59:59 + 999999900ns"},
      {test::filetime(-2203891200), "03/01/00 00:00:00 + 0ns"},  // 1900-03-01
      {0, "01/01/01 00:00:00 + 0ns"},                            // 1601-01-01
      // After 2038.
      {test::filetime(2147483648LL), "01/19/38 03:14:08 + 0ns"},
      {test::filetime(951827696), "02/29/00 12:34:56 + 0ns"},    // 2000-02-29
      {test::filetime(4107542399LL), "02/28/00 23:59:59 + 0ns"}, // 2100-02-28
      {test::filetime(4107542400LL), "03/01/00 00:00:00 + 0ns"}, // 2100 has no 29 February
      {18446744073709551615ULL, "05/28/56 05:36:10 + 955161500ns"},  // in the year 60056
  };
  for (const TimeCase& c : cases)
    EXPECT_EQ(report(0, [&] { put_ms_time(c.t); }), c.text) << c.t;
}

TEST(AsfValues, Durations) {
  auto fmt = [](double d) {
    char s[64];
    snprintf(s, sizeof s, "%.3f", d);
    return std::string(s);
  };
  EXPECT_EQ(fmt(asf_seconds(3000, 1000.0)), "3.000");
  EXPECT_EQ(fmt(asf_seconds(2345670000ULL, 10000000.0)), "234.567");
  EXPECT_EQ(fmt(asf_seconds(2400000000ULL, 10000000.0)), "240.000");
  // Counts of 2^63 and above are unsigned, not negative.
  EXPECT_EQ(fmt(asf_seconds(18446744073709551615ULL, 10000000.0)), "1844674407370.955");
  // 2^63 ms: the quotient is the nearest double.
  EXPECT_EQ(fmt(asf_seconds(9223372036854775808ULL, 1000.0)), "9223372036854776.000");
}

}  // namespace
