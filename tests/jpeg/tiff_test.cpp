// The TIFF/Exif directory walker.
#include "jpeg/tiff.h"

#include <gtest/gtest.h>

#include <string>

#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using namespace std::string_literals;
using test::Bytes;
using test::Capture;
using test::Levels;

// TIFF data in either byte order.
struct Tiff {
  bool le;
  Bytes b;

  explicit Tiff(bool little) : le(little) {}
  Tiff& num(uint32_t x, int n) {  // n bytes in the data's byte order
    for (int i = 0; i < n; ++i) b.add({int(x >> 8 * (le ? i : n - 1 - i) & 255)});
    return *this;
  }
  Tiff& u16(uint32_t x) { return num(x, 2); }
  Tiff& u32(uint32_t x) { return num(x, 4); }
  Tiff& str(const std::string& s) {
    b.str(s);
    return *this;
  }
  // The 8-byte header.
  Tiff& header(uint32_t ifd0) { return str(le ? "II" : "MM").u16(42).u32(ifd0); }
  // An entry whose value field holds an offset or a 32-bit value.
  Tiff& entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
    return u16(tag).u16(type).u32(count).u32(value);
  }
  // An entry with one UINT16 value, left-aligned in the value field.
  Tiff& short_entry(uint32_t tag, uint32_t v) { return entry(tag, 3, 1, le ? v : v << 16); }
  // A directory with only an Exif offset, and no IFD1.
  Tiff& exif_dir(uint32_t to) { return u16(1).entry(0x8769, 4, 1, to).u32(0); }
  // An entry with up to 4 bytes of values in the value field.
  Tiff& inline_entry(uint32_t tag, uint32_t type, uint32_t count, const std::string& bytes) {
    return u16(tag).u16(type).u32(count).str(bytes + std::string(4 - bytes.size(), '\0'));
  }
};

std::string walk(const Bytes& b, int v, int64_t length = -1) {
  Levels lv(v, 0);
  Capture cap;
  tiff_header(b.data(), length < 0 ? static_cast<int64_t>(b.size()) : length);
  return cap.text();
}

// IFD0 after 4 unused bytes, with values inline and by offset, an unknown
// tag and the Exif offset; the Exif directory; IFD1 with the thumbnail's
// offset and length, and a link back to IFD0 that is not followed.
Bytes camera(bool le) {
  Tiff t{le};
  t.header(12).u32(0xEEEEEEEE).u16(7);
  t.inline_entry(0x010f, 2, 4, "abc\0"s);  // Make
  t.entry(0x0110, 2, 7, 102);              // Model, by offset
  t.short_entry(0x0112, 1);                // Orientation
  t.entry(0x011a, 5, 1, 110);              // XResolution 72/1
  t.inline_entry(0x1234, 1, 3, "\1\2\3");  // not in the table
  t.entry(0x9204, 10, 1, 118);             // ExposureBiasValue -7/10
  t.entry(0x8769, 4, 1, 126);              // ExifOffset
  t.u32(184);                              // IFD1
  t.str("Camera\0\0"s).u32(72).u32(1).u32(static_cast<uint32_t>(-7)).u32(10);
  EXPECT_EQ(t.b.size(), 126u);
  t.u16(3).inline_entry(0x9000, 7, 4, "0230");  // ExifVersion
  t.entry(0x829a, 5, 1, 168);                   // ExposureTime 1/125
  t.entry(0xa20e, 11, 2, 176).u32(0);           // FLOAT, two of them
  t.u32(1).u32(125).str("\x42\x90\0\0\x3f\x80\0\0"s);
  EXPECT_EQ(t.b.size(), 184u);
  t.u16(2).entry(0x0201, 4, 1, 1000).entry(0x0202, 4, 1, 2000).u32(12);  // JpegIF...
  return t.b;
}

TEST(Tiff, CameraDataInBothByteOrders) {
  const std::string entries =
      "\t\tOffset: 12, IFD0 (main image)\n"
      "\t\t\tTag: 0x010f, Length: 4 [Make] = ASCII{abc}\n"
      "\t\t\tTag: 0x0110, Length: 7 [Model] = ASCII{Camera}\n"
      "\t\t\tTag: 0x0112, Length: 1 [Orientation] = UINT16{1 }\n"
      "\t\t\tTag: 0x011a, Length: 1 [XResolution] = URATIONAL{72.000000 }\n"
      "\t\t\tTag: 0x1234, Length: 3 [Unknown tag 0x1234] = UINT8{1 2 3 }\n"
      "\t\t\tTag: 0x9204, Length: 1 [ExposureBiasValue] = SRATIONAL{-0.700000 }\n"
      "\t\t\tTag: 0x8769, Length: 1 [ExifOffset] = UNIT32{126 }\n"
      "\t\tOffset: 126, IFD (Exif)\n"
      "\t\t\tTag: 0x9000, Length: 4 [ExifVersion] = UNDEFINED{30323330}\n"
      "\t\t\tTag: 0x829a, Length: 1 [ExposureTime] = URATIONAL{0.008000 }\n"
      "\t\t\tTag: 0xa20e, Length: 2 [FocalPlaneXResolution] = FLOAT{Fl Fl }\n"
      "\t\tOffset: 184, IFD1 (thumbnail image)\n"
      "\t\t\tTag: 0x0201, Length: 1 [JpegIFOffset] = UNIT32{1000 }\n"
      "\t\t\tTag: 0x0202, Length: 1 [JpegIFByteCount] = UNIT32{2000 }\n";
  EXPECT_EQ(walk(camera(true), 2), "\t\tByte order: II, Length marker: 002a\n" + entries);
  EXPECT_EQ(walk(camera(false), 2), "\t\tByte order: MM, Length marker: 002a\n" + entries);
}

// The line of one little-endian IFD0 entry; its values follow the directory
// when they take more than 4 bytes.
std::string one_entry(uint32_t tag, uint32_t type, uint32_t count, const std::string& values,
                      int v = 0) {
  Tiff t{true};
  t.header(8).u16(1);
  if (values.size() <= 4)
    t.inline_entry(tag, type, count, values).u32(0);
  else
    t.entry(tag, type, count, 26).u32(0).str(values);
  const std::string text = walk(t.b, v), head = "IFD0 (main image)\n";
  return text.substr(text.find(head) + head.size());
}

TEST(Tiff, ValuesByFieldType) {
  const struct {
    uint32_t tag, type, count;
    std::string values;
    const char* line;
  } cases[] = {
      {0x010f, 2, 4, "abc\0"s, "[Make] = {abc}"},
      {0x010f, 2, 3, "abc", "[Make] = {abc}"},  // without its zero
      {0x010e, 2, 4, "a\nb\0"s, "[ImageDescription] = {a\\12b}"},
      {0x010e, 2, 0, "", "[ImageDescription] = {}"},
      {0x013b, 2, 3, "\xE9x\0"s, "[Artist] = {\xE9x}"},
      {0x0102, 3, 2, "\x08\0\xFF\xFF"s, "[BitsPerSample] = {8 65535 }"},
      {0x0201, 4, 1, "\0\x28\x6B\xEE"s, "[JpegIFOffset] = {4000000000 }"},
      // Rationals are divided in single precision: 1000000 / 3 is 333333.34375.
      {0x011a, 5, 1, "\x40\x42\x0F\0\3\0\0\0"s, "[XResolution] = {333333.343750 }"},
      {0x1002, 6, 2, "\xFF\x7F", "[Unknown tag 0x1002] = {-1 127 }"},
      {0x1003, 8, 2, "\xFE\xFF\5\0"s, "[Unknown tag 0x1003] = {-2 5 }"},
      {0x1004, 9, 1, "\xFD\xFF\xFF\xFF", "[Unknown tag 0x1004] = {-3 }"},
      {0x9204, 10, 1, "\7\0\0\0\xF6\xFF\xFF\xFF"s, "[ExposureBiasValue] = {-0.700000 }"},
      {0xa20f, 12, 1, "\0\0\0\0\0\0\xF0\x3F"s, "[FocalPlaneYResolution] = {DFl }"},
      {0x1005, 0, 0xFFFFFFFF, "", "[Unknown tag 0x1005] = {}"},
      {0x010f, 13, 4, "abc\0"s, "[Make] = {}"},
      {0x0000, 3, 1, "\1\0"s, "[Unknown tag 0x0000] = {1 }"},
      // Zero denominators print what the C library prints for the quotient.
      {0x011a, 5, 1, "\5\0\0\0\0\0\0\0"s, "[XResolution] = {inf }"},
      {0x011a, 5, 1, std::string(8, '\0'), "[XResolution] = {nan }"},
      {0x9204, 10, 1, "\xFB\xFF\xFF\xFF\0\0\0\0"s, "[ExposureBiasValue] = {-inf }"},
      {0x9204, 10, 1, std::string(8, '\0'), "[ExposureBiasValue] = {nan }"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(one_entry(c.tag, c.type, c.count, c.values), "\t\t\t" + std::string(c.line) + "\n");
}

TEST(Tiff, EntryLinesAtVerbosityOneAndTwo) {
  // Any byte order mark other than "II" means big-endian; the marker after it
  // is not checked.
  Tiff t{false};
  t.str("XY").u16(0x1234).u32(8).u16(1).short_entry(0x0112, 6).u32(0);
  EXPECT_EQ(walk(t.b, 1),
            "\t\tByte order: XY, Length marker: 1234\n"
            "\t\tIFD0 (main image)\n"
            "\t\t\tTag: 0x0112 [Orientation] = UINT16{6 }\n");
  EXPECT_EQ(one_entry(0x0112, 6, 1, "\x80", 2),
            "\t\t\tTag: 0x0112, Length: 1 [Orientation] = SINT8{-128 }\n");
  EXPECT_EQ(one_entry(0x010f, 200, 4, "abc", 2), "\t\t\tTag: 0x010f, Length: 4 [Make] = {}\n");
}

// Hostile, cut and empty directories, at verbose 0: each prints what lies
// inside the data, an "Error: " line where something is cut off, and ends.
TEST(Tiff, HostileDirectories) {
  const std::string ifd0 = "\t\tIFD0 (main image)\n", exif = "\t\tIFD (Exif)\n";
  const std::string orientation = "\t\t\t[Orientation] = {1 }\n";
  const std::string past = " lie past the end of the Exif data\n";
  Tiff outside{true};  // the Exif directory and IFD1 outside the data
  outside.header(8).u16(1).entry(0x8769, 4, 1, 5000).u32(0xFFFFFFFF);
  // Values at an offset past the end, running past it, a huge count of
  // rationals; the entry after them is still shown.
  Tiff values{true};
  values.header(8).u16(4).entry(0x010f, 2, 10, 0xFFFFFFF0).entry(0x0110, 2, 100, 66);
  values.entry(0x011a, 5, 0x40000000, 62).short_entry(0x0112, 1).u32(0).str("AcmeXY");
  const struct {
    Bytes data;
    int64_t length;  // -1: all of it
    std::string text;
  } cases[] = {
      {Tiff{true}.header(8).u16(0).u32(0).b, -1, ifd0},  // no entries, no IFD1
      // Two Exif offsets: the later one, to IFD0 itself, is followed.
      {Tiff{true}.header(8).u16(2).entry(0x8769, 4, 1, 5000).entry(0x8769, 4, 1, 8).u32(0).b, -1,
       ifd0 + "\t\t\t[ExifOffset] = {5000 }\n\t\t\t[ExifOffset] = {8 }\n" + exif +
           "Error: Directory at offset 8 is already being walked\n"},
      // IFD0 -> Exif at 26 -> Exif at 44 -> back to 26.
      {Tiff{false}.header(8).exif_dir(26).exif_dir(44).exif_dir(26).b, -1,
       ifd0 + "\t\t\t[ExifOffset] = {26 }\n" + exif + "\t\t\t[ExifOffset] = {44 }\n" + exif +
           "\t\t\t[ExifOffset] = {26 }\n" + exif +
           "Error: Directory at offset 26 is already being walked\n"},
      {Tiff{true}.header(0x7FFFFFF0).u32(0).b, -1,
       ifd0 + "Error: Directory at offset 2147483632 lies outside the Exif data\n"},
      {Tiff{true}.header(8).str("\1").b, -1,  // the entry count in the last byte
       ifd0 + "Error: Directory at offset 8 lies outside the Exif data\n"},
      {Tiff{true}.header(8).u16(3).short_entry(0x0112, 1).str("12345").b, -1,
       ifd0 + orientation + "Error: Directory cut short after 1 of 3 entries\n"},
      {Tiff{true}.header(8).u16(1).short_entry(0x0112, 1).u32(0).b, 20,  // a shorter length
       ifd0 + "Error: Directory cut short after 0 of 1 entries\n"},
      {Tiff{true}.header(8).u16(1).short_entry(0x0112, 1).b, -1,  // no link
       ifd0 + orientation +
           "Error: Link to the next directory lies past the end of the Exif data\n"},
      {outside.b, -1,
       ifd0 + "\t\t\t[ExifOffset] = {5000 }\n" + exif +
           "Error: Directory at offset 5000 lies outside the Exif data\n"
           "\t\tIFD1 (thumbnail image)\n"
           "Error: Directory at offset 4294967295 lies outside the Exif data\n"},
      {values.b, -1,
       ifd0 + "\t\t\t[Make] = {}\nError: Values of tag 0x010f" + past + "\t\t\t[Model] = {XY}\n" +
           "Error: Values of tag 0x0110" + past + "\t\t\t[XResolution] = {}\n" +
           "Error: Values of tag 0x011a" + past + orientation},
  };
  for (const auto& c : cases) EXPECT_EQ(walk(c.data, 0, c.length), c.text);
  // A directory offset outside the data is shown as a signed number.
  EXPECT_NE(walk(outside.b, 2).find("\t\tOffset: -1, IFD1 (thumbnail image)\n"), std::string::npos);
}

}  // namespace
