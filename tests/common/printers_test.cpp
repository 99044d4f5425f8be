#include "common/printers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Captured;

// What `f` writes to a report at verbosity `v` and depth `depth`, with
// --utf8 when `utf8` is set.
template <typename F>
std::string report(int32_t v, int32_t depth, F f, bool utf8 = false) {
  Captured cap(v, depth);
  cap.r->utf8 = utf8;
  f(*cap.r);
  return cap.text();
}

TEST(Printers, PutHex) {
  Bytes b{0x49, 0x44, 0x33, 0x03};
  EXPECT_EQ(report(0, 0, [&](Report& r) { put_hex(r, 4, b.data()); }), "<0x49443303>");
  EXPECT_EQ(report(0, 0, [&](Report& r) { put_hex(r, 0, b.data()); }), "<0x>");
  EXPECT_EQ(report(0, 0, [&](Report& r) { put_hex(r, -2, b.data()); }), "<0x>");
  Bytes ab{0xAB, 0x0C};
  EXPECT_EQ(report(2, 3, [&](Report& r) { put_hex(r, 2, ab.data()); }), "<0xab0c>");
}

// Bytes 0x40, 0x41, ... ("@ABC...") of the given count.
Bytes letters(int n) {
  Bytes b;
  for (int i = 0; i < n; ++i) b.add({0x40 + i % 32});
  return b;
}

const std::string kRowHex =
    "404142434445464748494a4b4c4d4e4f505152535455565758595a5b5c5d5e5f";
const std::string kRowChars = "@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";

TEST(Printers, ExtHex) {
  Bytes three{0x41, 0x00, 0x7F};
  EXPECT_EQ(report(0, 0, [&](Report& r) { ext_hex(r, 3, three.data(), 0); }), "<0x41007f |A  |>");
  Bytes none;
  EXPECT_EQ(report(0, 0, [&](Report& r) { ext_hex(r, 0, none.data(), 0); }), "<0x ||>");

  Bytes b32 = letters(32);
  EXPECT_EQ(report(0, 1, [&](Report& r) { ext_hex(r, 32, b32.data(), 0); }),
            "<0x" + kRowHex + " |" + kRowChars + "|\n\t\t ||>");

  Bytes b40 = letters(40);
  EXPECT_EQ(report(0, 1, [&](Report& r) { ext_hex(r, 40, b40.data(), 0); }),
            "<0x" + kRowHex + " |" + kRowChars + "|\n\t\t" + "4041424344454647 |@ABCDEFG|>");

  Bytes b70 = letters(70);
  EXPECT_EQ(report(1, 0, [&](Report& r) { ext_hex(r, 70, b70.data(), 2); }),
            "<0x" + kRowHex + " |" + kRowChars + "|\n\t\t\t" + kRowHex + " |" + kRowChars +
                "|\n\t\t\t" + "404142434445 |@ABCDE|>");

  Bytes high{0x7E, 0x80, 0xFF, 0x1F, 0x20};
  EXPECT_EQ(report(0, 0, [&](Report& r) { ext_hex(r, 5, high.data(), 0); }), "<0x7e80ff1f20 |~    |>");
}

struct EncCase {
  const char* name;
  int enc;
  Bytes bytes;
  std::string quiet;    // at verbose 0
  std::string verbose;  // at verbose 1
};

TEST(Printers, PutEnc) {
  const EncCase cases[] = {
      {"latin-1 terminated", 0, Bytes{0x41, 0x62, 0x63, 0x00}, "{Abc}", "ISO-8859-1{Abc}"},
      {"latin-1 high byte", 0, Bytes{0x41, 0xE9, 0x42}, "{A\\e9B}", "ISO-8859-1{A\\e9B}"},
      {"latin-1 inner zero kept", 0, Bytes{0x41, 0x00, 0x42, 0x00, 0x00}, "{A\\00B\\00}",
       "ISO-8859-1{A\\00B\\00}"},
      {"latin-1 control and DEL", 0, Bytes{0x0A, 0x7F, 0x20}, "{\\0a\\7f }",
       "ISO-8859-1{\\0a\\7f }"},
      {"utf-8 bytes escaped", 3, Bytes{0xC3, 0xA9, 0x00}, "{\\c3\\a9}", "UTF-8{\\c3\\a9}"},
      {"utf-16 FF FE", 1, Bytes{0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00, 0x00, 0x00}, "{AB}",
       "UTF-16(+BOM){AB}"},
      {"utf-16 FE FF", 1, Bytes{0xFE, 0xFF, 0x00, 0x41, 0x00, 0x42, 0x00, 0x00}, "{AB}",
       "UTF-16(+BOM){AB}"},
      {"utf-16 no mark", 1, Bytes{0x41, 0x00, 0x42, 0x00}, "{AB}", "UTF-16(+BOM){AB}"},
      // Control units never reach the report as themselves.
      {"utf-16 control units", 2, Bytes{0x00, 0x1B, 0x00, '[', 0x00, 0x07, 0x00, 0x7F, 0x00, 0x9B}, "{\\001b[\\0007\\007f\\009b}",
       "UTF-16{\\001b[\\0007\\007f\\009b}"},
      {"utf-16 wide unit", 1, Bytes{0xFF, 0xFE, 0xAC, 0x20}, "{\\20ac}", "UTF-16(+BOM){\\20ac}"},
      {"utf-16 only a mark", 1, Bytes{0xFF, 0xFE}, "{}", "UTF-16(+BOM){}"},
      {"utf-16 odd byte", 1, Bytes{0xFF, 0xFE, 0x41, 0x00, 0x42}, "{A\\0042}",
       "UTF-16(+BOM){A\\0042}"},
      {"utf-16 single byte", 1, Bytes{0x41}, "{\\0041}", "UTF-16(+BOM){\\0041}"},
      {"utf-16BE", 2, Bytes{0x00, 0x41, 0x00, 0xE9}, "{A\\00e9}", "UTF-16{A\\00e9}"},
      {"utf-16BE zero unit inside", 2, Bytes{0x00, 0x00, 0x00, 0x41, 0x00, 0x00}, "{\\0000A}",
       "UTF-16{\\0000A}"},
      {"encoding 4", 4, Bytes{0x41, 0x00}, "{<0x4100>}", "Encoding: 4{<0x4100>}"},
      {"encoding 7", 7, Bytes{0xFF}, "{<0xff>}", "Encoding: 7{<0xff>}"},
      {"empty", 0, Bytes{}, "{}", "ISO-8859-1{}"},
  };
  for (const EncCase& c : cases) {
    int64_t n = static_cast<int64_t>(c.bytes.size());
    EXPECT_EQ(report(0, 0, [&](Report& r) { put_enc(r, c.enc, n, c.bytes.data()); }), c.quiet) << c.name;
    EXPECT_EQ(report(1, 0, [&](Report& r) { put_enc(r, c.enc, n, c.bytes.data()); }), c.verbose) << c.name;
  }
  Bytes some{0x41};
  EXPECT_EQ(report(1, 2, [&](Report& r) { put_enc(r, 0, -5, some.data()); }), "ISO-8859-1{}");
}

// --utf8: texts as UTF-8; what cannot be shown as a character keeps the
// escape it has without the option.
TEST(Printers, TextsAsUtf8) {
  const struct {
    const char* name;
    int enc;
    Bytes bytes;
    std::string want;
  } cases[] = {
      {"latin-1 converted", 0, Bytes{0xDC, 'n', 0xEF, 'c', 'o', 'd', 'e', 0}, "{Ünïcode}"},
      {"latin-1 controls and C1", 0, Bytes{'a', 0x1B, 0x7F, 0x85, 0xA0}, "{a\\1b\\7f\\85\u00a0}"},
      {"utf-8 passed", 3, Bytes{}.str("Ärtist € 🎵").add({0}), "{Ärtist € 🎵}"},
      {"utf-8 controls", 3, Bytes{'a', 0x1B, 0xC2, 0x85, 'b'}, "{a\\1b\\c2\\85b}"},
      {"utf-8 ill-formed", 3, Bytes{0xC3, 'x', 0xE2, 0x82, 0xC0, 0xAF, 0xED, 0xA0, 0x80, 0xF5, 0x80},
       "{\\c3x\\e2\\82\\c0\\af\\ed\\a0\\80\\f5\\80}"},
      {"utf-16 with mark, pair", 1, Bytes{0xFF, 0xFE, 0xDC, 0x00, 'n', 0, 0x3C, 0xD8, 0xB5, 0xDF, 0, 0},
       "{Ün🎵}"},
      {"utf-16 big-endian", 2, Bytes{0x20, 0xAC, 0x00, 'A'}, "{€A}"},
      {"utf-16 controls", 2, Bytes{0x00, 0x1B, 0x00, 0x85, 0x00, 'x'}, "{\\001b\\0085x}"},
      {"utf-16 unpaired halves", 2, Bytes{0xD8, 0x3C, 0x00, 'a', 0xDF, 0xB5}, "{\\d83ca\\dfb5}"},
      {"utf-16 odd last byte", 1, Bytes{0xFF, 0xFE, 'a', 0, 'b'}, "{a\\0062}"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(report(0, 0, [&](Report& r) { put_enc(r, c.enc, static_cast<int64_t>(c.bytes.size()), c.bytes.data()); }, true),
              c.want)
        << c.name;
  // Fields printed raw hold UTF-8 (a name in an archive), or ISO-8859-1 (an
  // ID3v1 field); Exif ASCII keeps its octal escapes.
  const Bytes name = Bytes{}.str("Ä \xc3").add({0x1B});
  EXPECT_EQ(report(0, 0, [&](Report& r) { put_raw(r, name.data(), name.size()); }, true), "Ä \\c3\\1b");
  EXPECT_EQ(report(0, 0, [&](Report& r) { put_latin1_field(r, name.data(), name.size()); }, true), "Ã\\84 Ã\\1b");
  EXPECT_EQ(report(0, 0, [&](Report& r) { put_utf8(r, name.data(), name.size(), Escape::octal); }, true),
            "Ä \\303\\33");
}

struct LenCase {
  const char* name;
  int enc;
  Bytes bytes;
  int64_t want;
  int width;
};

TEST(Printers, StrlenEnc) {
  const LenCase cases[] = {
      {"latin-1", 0, Bytes{0x41, 0x62, 0x63, 0x00}, 3, 1},
      {"utf-8 empty", 3, Bytes{0x00, 0x41}, 0, 1},
      {"utf-16 with mark", 1, Bytes{0xFF, 0xFE, 0x41, 0x00, 0x00, 0x00}, 4, 2},
      {"utf-16BE", 2, Bytes{0x00, 0x41, 0x00, 0x42, 0x00, 0x00}, 4, 2},
      {"utf-16 zero pair across units not a terminator", 2, Bytes{0x41, 0x00, 0x00, 0x42, 0x00, 0x00},
       4, 2},
      {"no terminator", 0, Bytes{0x41, 0x42}, 2, 0},
      {"utf-16 no terminator odd", 1, Bytes{0x41, 0x00, 0x42}, 3, 0},
      {"nothing available", 0, Bytes{}, 0, 0},
  };
  for (const LenCase& c : cases) {
    int width = -1;
    EXPECT_EQ(strlen_enc(c.enc, c.bytes.data(), static_cast<int64_t>(c.bytes.size()), &width), c.want)
        << c.name;
    EXPECT_EQ(width, c.width) << c.name;
  }
  // Never scans past what it is given.
  Bytes b{0x41, 0x42, 0x00};
  int width;
  EXPECT_EQ(strlen_enc(0, b.data(), 2, &width), 2);
  EXPECT_EQ(width, 0);
}

}  // namespace
