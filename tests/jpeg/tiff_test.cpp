// The TIFF/Exif directory walker.
#include "jpeg/tiff.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/bytes.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::Levels;

// TIFF data in either byte order.
struct Tiff {
  bool le;
  Bytes b;

  explicit Tiff(bool little) : le(little) {}
  Tiff& u16(uint32_t x) {
    le ? b.le16(x) : b.be16(x);
    return *this;
  }
  Tiff& u32(uint32_t x) {
    le ? b.le32(x) : b.be32(x);
    return *this;
  }
  Tiff& raw(std::initializer_list<int> bytes) {
    b.add(bytes);
    return *this;
  }
  Tiff& strz(const std::string& s) {
    b.strz(s);
    return *this;
  }
  // The 8-byte header.
  Tiff& header(uint32_t ifd0) {
    return raw(le ? std::initializer_list<int>{'I', 'I'} : std::initializer_list<int>{'M', 'M'})
        .u16(42)
        .u32(ifd0);
  }
  // An entry whose value field holds an offset or a 32-bit value.
  Tiff& entry(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
    return u16(tag).u16(type).u32(count).u32(value);
  }
  // An entry with one 16-bit value, left-aligned in the value field.
  Tiff& entry16(uint32_t tag, uint32_t type, uint32_t value) {
    return u16(tag).u16(type).u32(1).u16(value).u16(0);
  }
  // An entry with up to 4 bytes of values in the value field.
  Tiff& entry_bytes(uint32_t tag, uint32_t type, uint32_t count, std::initializer_list<int> bytes) {
    u16(tag).u16(type).u32(count).raw(bytes);
    for (size_t i = bytes.size(); i < 4; ++i) raw({0});
    return *this;
  }
  size_t size() const { return b.size(); }
};

std::string walk(const Bytes& b, int v, int64_t length = -1) {
  Levels lv(v, 0);
  Capture cap;
  tiff_header(b.data(), length < 0 ? static_cast<int64_t>(b.size()) : length);
  return cap.text();
}

// IFD0 with values inline and by offset, an unknown tag and the Exif offset;
// the Exif directory; IFD1 with the thumbnail's offset and length.
Bytes camera(bool le) {
  Tiff t(le);
  t.header(8).u16(7);
  t.entry_bytes(0x010f, 2, 4, {'a', 'b', 'c', 0});  // Make, inline
  t.entry(0x0110, 2, 7, 98);                        // Model, by offset
  t.entry16(0x0112, 3, 1);                          // Orientation
  t.entry(0x011a, 5, 1, 106);                       // XResolution 72/1
  t.entry_bytes(0x1234, 1, 3, {1, 2, 3});           // not in the table
  t.entry(0x9204, 10, 1, 114);                      // ExposureBiasValue -7/10
  t.entry(0x8769, 4, 1, 122);                       // ExifOffset
  t.u32(180);                                       // IFD1
  EXPECT_EQ(t.size(), 98u);
  t.strz("Camera").raw({0});
  t.u32(72).u32(1);
  t.u32(static_cast<uint32_t>(-7)).u32(10);
  EXPECT_EQ(t.size(), 122u);
  t.u16(3);
  t.entry_bytes(0x9000, 7, 4, {'0', '2', '3', '0'});  // ExifVersion
  t.entry(0x829a, 5, 1, 164);                         // ExposureTime 1/125
  t.entry(0xa20e, 11, 2, 172);                        // FLOAT, two of them
  t.u32(0);
  EXPECT_EQ(t.size(), 164u);
  t.u32(1).u32(125);
  t.raw({0x42, 0x90, 0, 0, 0x3f, 0x80, 0, 0});
  EXPECT_EQ(t.size(), 180u);
  t.u16(2);
  t.entry(0x0201, 4, 1, 1000);  // JpegIFOffset
  t.entry(0x0202, 4, 1, 2000);  // JpegIFByteCount
  t.u32(0);
  return t.b;
}

const char* const kCameraEntries[] = {
    "\t\t\t[Make] = {abc}\n",
    "\t\t\t[Model] = {Camera}\n",
    "\t\t\t[Orientation] = {1 }\n",
    "\t\t\t[XResolution] = {72.000000 }\n",
    "\t\t\t[Unknown tag 0x1234] = {1 2 3 }\n",
    "\t\t\t[ExposureBiasValue] = {-0.700000 }\n",
    "\t\t\t[ExifOffset] = {122 }\n",
    "\t\tIFD (Exif)\n",
    "\t\t\t[ExifVersion] = {30323330}\n",
    "\t\t\t[ExposureTime] = {0.008000 }\n",
    "\t\t\t[FocalPlaneXResolution] = {Fl Fl }\n",
    "\t\tIFD1 (thumbnail image)\n",
    "\t\t\t[JpegIFOffset] = {1000 }\n",
    "\t\t\t[JpegIFByteCount] = {2000 }\n",
};

TEST(Tiff, CameraDataAtVerbosityZeroInBothByteOrders) {
  std::string want = "\t\tIFD0 (main image)\n";
  for (const char* line : kCameraEntries) want += line;
  EXPECT_EQ(walk(camera(true), 0), want);
  EXPECT_EQ(walk(camera(false), 0), want);
}

TEST(Tiff, CameraDataAtVerbosityTwo) {
  const std::string entries =
      "\t\tOffset: 8, IFD0 (main image)\n"
      "\t\t\tTag: 0x010f, Length: 4 [Make] = ASCII{abc}\n"
      "\t\t\tTag: 0x0110, Length: 7 [Model] = ASCII{Camera}\n"
      "\t\t\tTag: 0x0112, Length: 1 [Orientation] = UINT16{1 }\n"
      "\t\t\tTag: 0x011a, Length: 1 [XResolution] = URATIONAL{72.000000 }\n"
      "\t\t\tTag: 0x1234, Length: 3 [Unknown tag 0x1234] = UINT8{1 2 3 }\n"
      "\t\t\tTag: 0x9204, Length: 1 [ExposureBiasValue] = SRATIONAL{-0.700000 }\n"
      "\t\t\tTag: 0x8769, Length: 1 [ExifOffset] = UNIT32{122 }\n"
      "\t\tOffset: 122, IFD (Exif)\n"
      "\t\t\tTag: 0x9000, Length: 4 [ExifVersion] = UNDEFINED{30323330}\n"
      "\t\t\tTag: 0x829a, Length: 1 [ExposureTime] = URATIONAL{0.008000 }\n"
      "\t\t\tTag: 0xa20e, Length: 2 [FocalPlaneXResolution] = FLOAT{Fl Fl }\n"
      "\t\tOffset: 180, IFD1 (thumbnail image)\n"
      "\t\t\tTag: 0x0201, Length: 1 [JpegIFOffset] = UNIT32{1000 }\n"
      "\t\t\tTag: 0x0202, Length: 1 [JpegIFByteCount] = UNIT32{2000 }\n";
  EXPECT_EQ(walk(camera(true), 2), "\t\tByte order: II, Length marker: 002a\n" + entries);
  EXPECT_EQ(walk(camera(false), 2), "\t\tByte order: MM, Length marker: 002a\n" + entries);
}

TEST(Tiff, VerbosityOneShowsTagsAndTypeNames) {
  std::string text = walk(camera(false), 1);
  EXPECT_EQ(text.rfind("\t\tByte order: MM, Length marker: 002a\n"
                       "\t\tIFD0 (main image)\n"
                       "\t\t\tTag: 0x010f [Make] = ASCII{abc}\n",
                       0),
            0u);
  EXPECT_NE(text.find("\t\t\tTag: 0x0112 [Orientation] = UINT16{1 }\n"), std::string::npos);
  EXPECT_NE(text.find("\t\tIFD (Exif)\n"), std::string::npos);
}

TEST(Tiff, AnyOtherByteOrderMarkIsBigEndianAndTheMarkerIsNotChecked) {
  Tiff t(false);
  t.raw({'X', 'Y'}).u16(0x1234).u32(8).u16(1).entry16(0x0112, 3, 6).u32(0);
  EXPECT_EQ(walk(t.b, 1),
            "\t\tByte order: XY, Length marker: 1234\n"
            "\t\tIFD0 (main image)\n"
            "\t\t\tTag: 0x0112 [Orientation] = UINT16{6 }\n");
}

// One IFD0 entry, its values in the data area after the directory.
std::string one_entry(uint32_t tag, uint32_t type, uint32_t count,
                      std::initializer_list<int> values, int v = 0) {
  Tiff t(true);
  t.header(8).u16(1);
  size_t bytes = values.size();
  if (bytes <= 4) {
    t.entry_bytes(tag, type, count, values);
  } else {
    t.entry(tag, type, count, 26);
  }
  t.u32(0);
  if (bytes > 4) t.raw(values);
  // What follows the IFD0 heading.
  std::string text = walk(t.b, v);
  const std::string head = "IFD0 (main image)\n";
  size_t at = text.find(head);
  EXPECT_NE(at, std::string::npos);
  return at == std::string::npos ? text : text.substr(at + head.size());
}

struct ValueCase {
  const char* name;
  uint32_t tag, type, count;
  std::initializer_list<int> values;  // little-endian
  const char* line;
};

TEST(Tiff, ValuesByFieldType) {
  const ValueCase cases[] = {
      {"ASCII inline", 0x010f, 2, 4, {'a', 'b', 'c', 0}, "\t\t\t[Make] = {abc}\n"},
      {"ASCII inline without zero", 0x010f, 2, 3, {'a', 'b', 'c'}, "\t\t\t[Make] = {abc}\n"},
      {"ASCII by offset", 0x0110, 2, 6, {'C', 'a', 'm', 'e', 'r', 0}, "\t\t\t[Model] = {Camer}\n"},
      {"ASCII line feed",
       0x010e,
       2,
       4,
       {'a', '\n', 'b', 0},
       "\t\t\t[ImageDescription] = {a\\12b}\n"},
      {"ASCII inner zero", 0x010e, 2, 4, {'a', 0, 'b', 0}, "\t\t\t[ImageDescription] = {a\\0b}\n"},
      {"ASCII empty", 0x010e, 2, 0, {}, "\t\t\t[ImageDescription] = {}\n"},
      {"ASCII high byte", 0x013b, 2, 3, {0xE9, 'x', 0}, "\t\t\t[Artist] = {\xe9x}\n"},
      {"UINT8", 0x1001, 1, 2, {0, 255}, "\t\t\t[Unknown tag 0x1001] = {0 255 }\n"},
      {"UINT16 pair", 0x0102, 3, 2, {8, 0, 0xFF, 0xFF}, "\t\t\t[BitsPerSample] = {8 65535 }\n"},
      {"UNIT32", 0x0201, 4, 1, {0x00, 0x28, 0x6B, 0xEE}, "\t\t\t[JpegIFOffset] = {4000000000 }\n"},
      {"URATIONAL 72/1",
       0x011a,
       5,
       1,
       {72, 0, 0, 0, 1, 0, 0, 0},
       "\t\t\t[XResolution] = {72.000000 }\n"},
      {"URATIONAL past 2^24",
       0x011a,
       5,
       1,
       {1, 0, 0, 1, 1, 0, 0, 0},
       "\t\t\t[XResolution] = {16777216.000000 }\n"},
      {"URATIONAL in single precision",
       0x829d,
       5,
       1,
       {1, 0, 0, 0, 3, 0, 0, 0},
       "\t\t\t[FNumber] = {0.333333 }\n"},
      {"SINT8", 0x1002, 6, 2, {0xFF, 0x7F}, "\t\t\t[Unknown tag 0x1002] = {-1 127 }\n"},
      {"UNDEFINED", 0x9000, 7, 4, {'0', '2', '2', '0'}, "\t\t\t[ExifVersion] = {30323230}\n"},
      {"SINT16", 0x1003, 8, 2, {0xFE, 0xFF, 5, 0}, "\t\t\t[Unknown tag 0x1003] = {-2 5 }\n"},
      {"SINT32", 0x1004, 9, 1, {0xFD, 0xFF, 0xFF, 0xFF}, "\t\t\t[Unknown tag 0x1004] = {-3 }\n"},
      {"SRATIONAL -7/10",
       0x9204,
       10,
       1,
       {0xF9, 0xFF, 0xFF, 0xFF, 10, 0, 0, 0},
       "\t\t\t[ExposureBiasValue] = {-0.700000 }\n"},
      {"SRATIONAL 7/-10",
       0x9204,
       10,
       1,
       {7, 0, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF},
       "\t\t\t[ExposureBiasValue] = {-0.700000 }\n"},
      {"FLOAT", 0xa20e, 11, 1, {0, 0, 0x80, 0x3F}, "\t\t\t[FocalPlaneXResolution] = {Fl }\n"},
      {"DFLOAT",
       0xa20f,
       12,
       1,
       {0, 0, 0, 0, 0, 0, 0xF0, 0x3F},
       "\t\t\t[FocalPlaneYResolution] = {DFl }\n"},
      {"type 0", 0x1005, 0, 3, {1, 2, 3}, "\t\t\t[Unknown tag 0x1005] = {}\n"},
      {"tag 0", 0x0000, 3, 1, {1, 0}, "\t\t\t[Unknown tag 0x0000] = {1 }\n"},
      {"tag 0x0201 is never JpegQual", 0x0201, 3, 1, {9, 0}, "\t\t\t[JpegIFOffset] = {9 }\n"},
      {"tag 0x0202 is never Macro", 0x0202, 3, 1, {9, 0}, "\t\t\t[JpegIFByteCount] = {9 }\n"},
  };
  for (const ValueCase& c : cases)
    EXPECT_EQ(one_entry(c.tag, c.type, c.count, c.values), c.line) << c.name;
}

TEST(Tiff, ZeroDenominators) {
  const ValueCase cases[] = {
      {"5/0", 0x011a, 5, 1, {5, 0, 0, 0, 0, 0, 0, 0}, "\t\t\t[XResolution] = {inf }\n"},
      {"0/0", 0x011a, 5, 1, {0, 0, 0, 0, 0, 0, 0, 0}, "\t\t\t[XResolution] = {nan }\n"},
      {"signed 5/0",
       0x9204,
       10,
       1,
       {5, 0, 0, 0, 0, 0, 0, 0},
       "\t\t\t[ExposureBiasValue] = {inf }\n"},
      {"signed -5/0",
       0x9204,
       10,
       1,
       {0xFB, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0},
       "\t\t\t[ExposureBiasValue] = {-inf }\n"},
      {"signed 0/0",
       0x9204,
       10,
       1,
       {0, 0, 0, 0, 0, 0, 0, 0},
       "\t\t\t[ExposureBiasValue] = {nan }\n"},
  };
  for (const ValueCase& c : cases)
    EXPECT_EQ(one_entry(c.tag, c.type, c.count, c.values), c.line) << c.name;
}

TEST(Tiff, TypeNamesAtVerbosityOne) {
  EXPECT_EQ(one_entry(0x0112, 4, 1, {1, 0, 0, 0}, 1),
            "\t\t\tTag: 0x0112 [Orientation] = UNIT32{1 }\n");
  EXPECT_EQ(one_entry(0x1005, 0, 3, {1, 2, 3}, 1), "\t\t\tTag: 0x1005 [Unknown tag 0x1005] = {}\n");
  EXPECT_EQ(one_entry(0x0112, 6, 1, {0x80}, 2),
            "\t\t\tTag: 0x0112, Length: 1 [Orientation] = SINT8{-128 }\n");
}

TEST(Tiff, TypesAboveTwelvePrintNoValue) {
  for (uint32_t type : {13u, 200u, 0xFFFFu}) {
    EXPECT_EQ(one_entry(0x010f, type, 4, {'a', 'b', 'c', 0}), "\t\t\t[Make] = {}\n") << type;
    EXPECT_EQ(one_entry(0x010f, type, 4, {'a', 'b', 'c', 0}, 2),
              "\t\t\tTag: 0x010f, Length: 4 [Make] = {}\n")
        << type;
  }
}

TEST(Tiff, HugeCountsOfNothing) {
  // Type 0 has no size: four thousand million values of nothing.
  EXPECT_EQ(one_entry(0x1005, 0, 0xFFFFFFFF, {0, 0, 0, 0}), "\t\t\t[Unknown tag 0x1005] = {}\n");
}

TEST(Tiff, DirectoryWithoutEntriesAndNoIfd1) {
  Tiff t(true);
  t.header(8).u16(0).u32(0);
  EXPECT_EQ(walk(t.b, 2),
            "\t\tByte order: II, Length marker: 002a\n\t\tOffset: 8, IFD0 (main image)\n");
}

TEST(Tiff, Ifd0ElsewhereThanOffsetEight) {
  // IFD0 at 12, after 4 unused bytes; its link to IFD1 follows its own entries.
  Tiff t(false);
  t.header(12).raw({0xEE, 0xEE, 0xEE, 0xEE}).u16(1).entry16(0x0112, 3, 3).u32(30);
  ASSERT_EQ(t.size(), 30u);
  t.u16(1).entry16(0x0103, 3, 6).u32(0);
  EXPECT_EQ(walk(t.b, 2),
            "\t\tByte order: MM, Length marker: 002a\n"
            "\t\tOffset: 12, IFD0 (main image)\n"
            "\t\t\tTag: 0x0112, Length: 1 [Orientation] = UINT16{3 }\n"
            "\t\tOffset: 30, IFD1 (thumbnail image)\n"
            "\t\t\tTag: 0x0103, Length: 1 [Compression] = UINT16{6 }\n");
}

TEST(Tiff, LinkAfterIfd1IsNotFollowed) {
  Tiff t(true);
  t.header(8).u16(1).entry16(0x0112, 3, 1).u32(26);
  t.u16(1).entry16(0x0103, 3, 6).u32(8);  // leads back to IFD0
  EXPECT_EQ(walk(t.b, 0),
            "\t\tIFD0 (main image)\n\t\t\t[Orientation] = {1 }\n"
            "\t\tIFD1 (thumbnail image)\n\t\t\t[Compression] = {6 }\n");
}

TEST(Tiff, LaterExifOffsetInADirectoryWins) {
  Tiff t(true);
  t.header(8).u16(2).entry(0x8769, 4, 1, 100).entry(0x8769, 4, 1, 38).u32(0);
  ASSERT_EQ(t.size(), 38u);
  t.u16(1).entry16(0xa001, 3, 1).u32(0);
  EXPECT_EQ(walk(t.b, 0),
            "\t\tIFD0 (main image)\n"
            "\t\t\t[ExifOffset] = {100 }\n"
            "\t\t\t[ExifOffset] = {38 }\n"
            "\t\tIFD (Exif)\n"
            "\t\t\t[ColourSpace] = {1 }\n");
}

TEST(Tiff, ExifOffsetInIfd1IsFollowed) {
  Tiff t(true);
  t.header(8).u16(0).u32(14);
  t.u16(1).entry(0x8769, 4, 1, 32).u32(0);
  ASSERT_EQ(t.size(), 32u);
  t.u16(1).entry16(0xa001, 3, 1).u32(0);
  EXPECT_EQ(walk(t.b, 0),
            "\t\tIFD0 (main image)\n"
            "\t\tIFD1 (thumbnail image)\n"
            "\t\t\t[ExifOffset] = {32 }\n"
            "\t\tIFD (Exif)\n"
            "\t\t\t[ColourSpace] = {1 }\n");
}

// Hostile directories.

TEST(Tiff, ExifOffsetLeadingBackIsNotWalkedAgain) {
  // IFD0 names itself as its Exif directory.
  Tiff self(true);
  self.header(8).u16(1).entry(0x8769, 4, 1, 8).u32(0);
  EXPECT_EQ(walk(self.b, 2),
            "\t\tByte order: II, Length marker: 002a\n"
            "\t\tOffset: 8, IFD0 (main image)\n"
            "\t\t\tTag: 0x8769, Length: 1 [ExifOffset] = UNIT32{8 }\n"
            "\t\tOffset: 8, IFD (Exif)\n"
            "Error: Directory at offset 8 is already being walked\n");
  // IFD0 -> Exif at 26 -> Exif at 44 -> back to 26 (its parent).
  Tiff loop(false);
  loop.header(8).u16(1).entry(0x8769, 4, 1, 26).u32(0);
  loop.u16(1).entry(0x8769, 4, 1, 44).u32(0);
  loop.u16(1).entry(0x8769, 4, 1, 26).u32(0);
  EXPECT_EQ(walk(loop.b, 0),
            "\t\tIFD0 (main image)\n"
            "\t\t\t[ExifOffset] = {26 }\n"
            "\t\tIFD (Exif)\n"
            "\t\t\t[ExifOffset] = {44 }\n"
            "\t\tIFD (Exif)\n"
            "\t\t\t[ExifOffset] = {26 }\n"
            "\t\tIFD (Exif)\n"
            "Error: Directory at offset 26 is already being walked\n");
}

TEST(Tiff, LongChainOfExifDirectoriesEnds) {
  // Every directory names the next one; the last names the first.
  Tiff t(true);
  t.header(8);
  const int kDirs = 4000;
  for (int i = 0; i < kDirs; ++i) {
    uint32_t next = i + 1 < kDirs ? static_cast<uint32_t>(8 + 18 * (i + 1)) : 8u;
    t.u16(1).entry(0x8769, 4, 1, next).u32(0);
  }
  std::string text = walk(t.b, 0);
  EXPECT_NE(text.find("Error: Directory at offset 8 is already being walked\n"), std::string::npos);
  size_t headings = 0;
  for (size_t at = text.find("IFD (Exif)"); at != std::string::npos;
       at = text.find("IFD (Exif)", at + 1))
    ++headings;
  EXPECT_EQ(headings, static_cast<size_t>(kDirs));
}

TEST(Tiff, OffsetsPastTheData) {
  // IFD0 itself outside.
  Tiff far(true);
  far.header(0x7FFFFFF0).u32(0);
  EXPECT_EQ(walk(far.b, 0),
            "\t\tIFD0 (main image)\n"
            "Error: Directory at offset 2147483632 lies outside the Exif data\n");
  // Its count in the last byte: the count does not fit.
  Tiff edge(true);
  edge.header(8).raw({1});
  EXPECT_EQ(walk(edge.b, 0),
            "\t\tIFD0 (main image)\nError: Directory at offset 8 lies outside the Exif data\n");
  // A count of 3 entries of which only 1 is inside.
  Tiff cut(true);
  cut.header(8).u16(3).entry16(0x0112, 3, 1).raw({1, 2, 3, 4, 5});
  EXPECT_EQ(walk(cut.b, 0),
            "\t\tIFD0 (main image)\n"
            "\t\t\t[Orientation] = {1 }\n"
            "Error: Directory cut short after 1 of 3 entries\n");
  // All entries inside, the link to IFD1 not.
  Tiff nolink(true);
  nolink.header(8).u16(1).entry16(0x0112, 3, 1).raw({0, 0});
  EXPECT_EQ(walk(nolink.b, 0),
            "\t\tIFD0 (main image)\n"
            "\t\t\t[Orientation] = {1 }\n"
            "Error: Link to the next directory lies past the end of the Exif data\n");
  // The Exif directory and IFD1 outside.
  Tiff sub(true);
  sub.header(8).u16(1).entry(0x8769, 4, 1, 5000).u32(0xFFFFFFFF);
  EXPECT_EQ(walk(sub.b, 2),
            "\t\tByte order: II, Length marker: 002a\n"
            "\t\tOffset: 8, IFD0 (main image)\n"
            "\t\t\tTag: 0x8769, Length: 1 [ExifOffset] = UNIT32{5000 }\n"
            "\t\tOffset: 5000, IFD (Exif)\n"
            "Error: Directory at offset 5000 lies outside the Exif data\n"
            "\t\tOffset: -1, IFD1 (thumbnail image)\n"
            "Error: Directory at offset 4294967295 lies outside the Exif data\n");
}

TEST(Tiff, ValuesPastTheData) {
  // A text whose offset is past the end, one that runs past it, a huge count
  // of rationals; the entries after them are still shown.
  Tiff t(true);
  t.header(8).u16(4);
  t.entry(0x010f, 2, 10, 0xFFFFFFF0);
  t.entry(0x0110, 2, 100, 66);
  t.entry(0x011a, 5, 0x40000000, 62);
  t.entry16(0x0112, 3, 1);
  t.u32(0);
  ASSERT_EQ(t.size(), 62u);
  t.raw({'A', 'c', 'm', 'e', 'X', 'Y'});
  EXPECT_EQ(walk(t.b, 2),
            "\t\tByte order: II, Length marker: 002a\n"
            "\t\tOffset: 8, IFD0 (main image)\n"
            "\t\t\tTag: 0x010f, Length: 10 [Make] = ASCII{}\n"
            "Error: Values of tag 0x010f lie past the end of the Exif data\n"
            "\t\t\tTag: 0x0110, Length: 100 [Model] = ASCII{XY}\n"
            "Error: Values of tag 0x0110 lie past the end of the Exif data\n"
            "\t\t\tTag: 0x011a, Length: 1073741824 [XResolution] = URATIONAL{}\n"
            "Error: Values of tag 0x011a lie past the end of the Exif data\n"
            "\t\t\tTag: 0x0112, Length: 1 [Orientation] = UINT16{1 }\n");
}

TEST(Tiff, RationalsPartlyInside) {
  Tiff t(true);
  t.header(8).u16(1).entry(0x011a, 5, 3, 26).u32(0);
  t.u32(72).u32(1).u32(300).u32(1).u32(5);
  EXPECT_EQ(walk(t.b, 0),
            "\t\tIFD0 (main image)\n"
            "\t\t\t[XResolution] = {72.000000 300.000000 }\n"
            "Error: Values of tag 0x011a lie past the end of the Exif data\n");
}

TEST(Tiff, HeaderTooShort) {
  Bytes b = Bytes().str("II").le16(42).le16(8);
  EXPECT_EQ(walk(b, 2), "Error: TIFF header too short\n");
  EXPECT_EQ(walk(camera(true), 2, 7), "Error: TIFF header too short\n");
}

TEST(Tiff, NothingPastTheGivenLengthIsRead) {
  // The same bytes, with the length ending inside the Exif directory.
  std::string text = walk(camera(true), 0, 140);
  EXPECT_NE(text.find("\t\t\t[ExifOffset] = {122 }\n\t\tIFD (Exif)\n"
                      "\t\t\t[ExifVersion] = {30323330}\n"
                      "Error: Directory cut short after 1 of 3 entries\n"
                      "\t\tIFD1 (thumbnail image)\n"
                      "Error: Directory at offset 180 lies outside the Exif data\n"),
            std::string::npos)
      << text;
}

TEST(TiffTags, TableOrderAndLookup) {
  int rows = 0;
  while (tiff_tags[rows].tag != 0) ++rows;
  EXPECT_EQ(rows, 108);
  EXPECT_STREQ(tiff_tags[108].name, "");
  struct Row {
    int index;
    uint16_t tag;
    const char* name;
  };
  const Row rows_checked[] = {
      {0, 0x010e, "ImageDescription"},
      {10, 0x013f, "PrimaryChromacities"},
      {15, 0x8769, "ExifOffset"},
      {19, 0x8827, "ISOSpeedratings"},
      {23, 0x9101, "ComponentConfiguration"},
      {38, 0xa001, "ColourSpace"},
      {41, 0xa004, "relatedSoundFile"},
      {49, 0x0100, "ImageWidth"},
      {59, 0x0201, "JpegIFOffset"},
      {62, 0x00fe, "NewSubfileType"},
      {75, 0x83bb, "IPTC/NAA"},
      {76, 0x8773, "InterColourProfile"},
      {84, 0x920c, "SpacialFrequencyResponse"},
      {91, 0x9216, "TIFF/EPStandardID"},
      {95, 0xa20b, "FlashEnergy"},
      {99, 0xa302, "CFAPattern"},
      {101, 0x0201, "JpegQual"},
      {102, 0x0202, "Macro"},
      {107, 0x0f00, "DataDump"},
  };
  for (const Row& r : rows_checked) {
    EXPECT_EQ(tiff_tags[r.index].tag, r.tag) << r.index;
    EXPECT_STREQ(tiff_tags[r.index].name, r.name) << r.index;
  }
  EXPECT_EQ(find_tiff(0x010e), 0);
  EXPECT_EQ(find_tiff(0x0f00), 107);
  EXPECT_EQ(find_tiff(0x0201), 59);
  EXPECT_EQ(find_tiff(0x0202), 60);
  EXPECT_EQ(find_tiff(0x920b), 83);  // the first FlashEnergy row
  EXPECT_EQ(find_tiff(0), -1);
  EXPECT_EQ(find_tiff(0x1234), -1);
}

TEST(TiffTags, FieldTypes) {
  const char* names[13] = {"",          "UINT8", "ASCII",     "UINT16", "UNIT32",
                           "URATIONAL", "SINT8", "UNDEFINED", "SINT16", "SINT32",
                           "SRATIONAL", "FLOAT", "DFLOAT"};
  const int sizes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  for (int i = 0; i < 13; ++i) {
    EXPECT_STREQ(tiff_field_types[i].name, names[i]) << i;
    EXPECT_EQ(tiff_field_types[i].size, sizes[i]) << i;
  }
}

}  // namespace
