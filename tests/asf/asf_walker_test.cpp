#include "asf/asf.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "asf/asf_test_bytes.h"
#include "front/dispatch.h"
#include "support/capture.h"
#include "support/run.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::Capture;
using test::Levels;
using test::MemStream;
using test::object;
using test::object_sized;

// Walks a memory block of exactly the bytes given.
std::string walk(const Bytes& b, int32_t v, int32_t depth = 0) {
  std::vector<uint8_t> buf(b.v);
  Levels lv(v, depth);
  Capture cap;
  asf_file(nullptr, buf.data(), static_cast<int64_t>(buf.size()));
  return cap.text();
}

// Walks a stream over the bytes, with the given limit (0 = none).
std::string walk_stream(const Bytes& b, int32_t v, int64_t limit = 0, size_t buffer = kStreamBuffer,
                        long* position = nullptr) {
  MemStream ms(b.v, buffer);
  Levels lv(v, 0);
  Capture cap;
  asf_file(ms.get(), nullptr, limit);
  if (position) *position = ms.position();
  return cap.text();
}

const std::string kStart = "ASF (WMA) file start\n";
const std::string kEnd = "ASF (WMA) file end\n";
const std::string kOtherGuid = "01020304-0506-0708-090A-0B0C0D0E0F10";
const std::string kOther = "{01020304-0506-0708-090a-0b0c0d0e0f10}";

Bytes header_object(uint64_t size, uint32_t count) {
  return object_sized(test::kHeaderGuid, size, Bytes{}.le32(count).add({1, 2}));
}

Bytes data_object(uint64_t packets, const Bytes& payload) {
  Bytes fixed = test::guid(kOtherGuid);
  fixed.le64(packets).add({1, 1}).append(payload);
  return object(test::kDataGuid, fixed);
}

Bytes file_properties_object(uint64_t file_size) {
  Bytes b;
  b.fill(16, 0)
      .le64(file_size)
      .le64(test::filetime(998578502))
      .le64(1)
      .le64(10000000)
      .le64(0)
      .le64(3000)
      .le32(2)
      .le32(3200)
      .le32(3200)
      .le32(32000);
  return object(test::kFilePropertiesGuid, b);
}

Bytes header_extension_object(const Bytes& children) {
  Bytes b = test::guid("ABD3D211-A9BA-11CF-8EE6-00C00C205365");
  b.le16(6).le32(static_cast<uint32_t>(children.size())).append(children);
  return object(test::kHeaderExtensionGuid, b);
}

// A small file: header (file properties, header extension with a padding
// object), data object with 10 bytes of packets, simple index with 8 bytes
// of entries. Objects start at 0, 30, 134, 180, 212 and 272; 336 bytes.
Bytes small_file() {
  Bytes padding = object(test::kPaddingGuid, Bytes{}.fill(8, 0));
  Bytes body;
  body.append(file_properties_object(336)).append(header_extension_object(padding));
  Bytes f = header_object(30 + body.size(), 3);
  f.append(body);
  f.append(data_object(1234, Bytes{}.fill(10, 0xEE)));
  f.append(object(test::kSimpleIndexGuid, Bytes{}.fill(32, 0x11).fill(8, 0x22)));
  return f;
}

std::string small_file_report(int v) {
  std::string s = "\t" + kStart;
  if (v > 1) s += "\tOffset 0, GUID: {75b22630-668e-11cf-a6d9-00aa0062ce6c}, Length: 212\n";
  s += v > 0 ? "\tHeader object, Objects: 3, Reserved: <0x0102>\n" : "\tHeader object\n";
  if (v > 1) s += "\tOffset 30, GUID: {8cabdca1-a947-11cf-8ee4-00c00c205365}, Length: 104\n";
  s += "\t\tFile properties object\n"
       "\t\t\tFile GUID (unique): {00000000-0000-0000-0000-000000000000}\n"
       "\t\t\tFile size: 336 bytes\n"
       "\t\t\tFile creation date: 08/23/01 14:55:02 + 0ns\n"
       "\t\t\tData packet count: 1\n"
       "\t\t\tPlay duration: 1.000 seconds\n"
       "\t\t\tSend duration: 0.000 seconds\n"
       "\t\t\tPreroll: 3.000 seconds\n";
  if (v > 0) s += "\t\t\tFlags: <0x00000002>\n\t\t\tPacket size: 3200/3200\n";
  s += "\t\t\tMaximum bitrate: 32000 bps\n";
  if (v > 1) s += "\tOffset 134, GUID: {5fbf03b5-a92e-11cf-8ee3-00c00c205365}, Length: 78\n";
  s += "\t\tHeader extension object\n";
  if (v > 0)
    s += "\t\t\tReserved GUID: {abd3d211-a9ba-11cf-8ee6-00c00c205365}\n"
         "\t\t\tReserved: 6\n"
         "\t\t\tExtension size: 32\n";
  if (v > 1) s += "\tOffset 180, GUID: {1806d474-cadf-4509-a4ba-9aabcb96aae8}, Length: 32\n";
  s += v > 0 ? "\t\t\tPadding object, Length 8\n" : "\t\t\tPadding object\n";
  if (v > 1) s += "\tOffset 212, GUID: {75b22636-668e-11cf-a6d9-00aa0062ce6c}, Length: 60\n";
  s += "\tData object\n\t\tFile GUID (unique): " + kOther + "\n";
  if (v > 0) s += "\t\tReserved: <0x0101>\n";
  s += "\t\t\t1234 data packets here\n";
  if (v > 1) s += "\tOffset 272, GUID: {33000890-e5b1-11cf-89f4-00a0c90349cb}, Length: 64\n";
  s += v > 0 ? "\tSimple index object, Length 40\n" : "\tSimple index object\n";
  return s + "\t" + kEnd;
}

TEST(AsfWalker, SmallFileAtEachLevel) {
  Bytes f = small_file();
  ASSERT_EQ(f.size(), 336u);
  for (int v = 0; v <= 2; ++v) EXPECT_EQ(walk(f, v, 1), small_file_report(v)) << v;
}

// A stream, whatever its buffer size, gives the report of the memory block;
// so does a stream under a limit with more bytes after it, which the walk
// does not touch.
TEST(AsfWalker, StreamsAndLimits) {
  Bytes f = small_file();
  std::string want = small_file_report(2);
  // At depth 0 the report has one TAB less on every line.
  std::string flat;
  for (size_t i = 0; i < want.size(); ++i)
    if (!(want[i] == '\t' && (i == 0 || want[i - 1] == '\n'))) flat += want[i];
  for (size_t buffer : {size_t{1}, size_t{7}, kStreamBuffer}) {
    long pos = 0;
    EXPECT_EQ(walk_stream(f, 2, 0, buffer, &pos), flat) << buffer;
    EXPECT_EQ(pos, 336);
    Bytes longer = f;
    longer.append(object(kOtherGuid, Bytes{}.fill(50, 0)));
    EXPECT_EQ(walk_stream(longer, 2, 336, buffer, &pos), flat) << buffer;
    EXPECT_EQ(pos, 336);
  }
}

TEST(AsfWalker, EmptyAndShortSources) {
  EXPECT_EQ(walk(Bytes{}, 2), kStart + kEnd);
  EXPECT_EQ(walk_stream(Bytes{}, 2), kStart + kEnd);
  Bytes short_one = header_object(30, 1);
  short_one.v.resize(23);
  EXPECT_EQ(walk(short_one, 2), kStart + kEnd);
  EXPECT_EQ(walk_stream(short_one, 2), kStart + kEnd);
}

TEST(AsfWalker, RecognisedByTheFirstGroupAlone) {
  Bytes f = object_sized("75B22630-0000-0000-0000-000000000000", 30, Bytes{}.le32(0).add({0, 0}));
  EXPECT_EQ(walk(f, 1), kStart + "Header object, Objects: 0, Reserved: <0x0000>\n" + kEnd);
  Bytes pad = object("1806D474-FFFF-FFFF-FFFF-FFFFFFFFFFFF", Bytes{});
  EXPECT_EQ(walk(pad, 0), kStart + "\t\tPadding object\n" + kEnd);
}

TEST(AsfWalker, PaddingDirectlyInTheHeader) {
  Bytes f = header_object(30 + 30, 1);
  f.append(object(test::kPaddingGuid, Bytes{}.fill(6, 0)));
  EXPECT_EQ(walk(f, 0), kStart + "Header object\n\t\tPadding object\n" + kEnd);
}

TEST(AsfWalker, UnknownObject) {
  Bytes f = object(kOtherGuid, Bytes{}.fill(6, 0xAB));
  f.append(object(test::kPaddingGuid, Bytes{}));
  EXPECT_EQ(walk(f, 0), kStart + "Unknown object type, GUID=" + kOther + "\n\t\tPadding object\n" + kEnd);
  // The full size, header included, after ", Length: ".
  EXPECT_EQ(walk(f, 1), kStart + "Unknown object type, GUID=" + kOther +
                            ", Length: 30\n\t\tPadding object, Length 0\n" + kEnd);
}

// Each object that is only named is skipped by its size; the object after it
// is found.
TEST(AsfWalker, SkippedObjects) {
  struct Case {
    const std::string& guid;
    std::string heading;
  } cases[] = {
      {test::kIndexGuid, "Index object"},
      {test::kExtStreamGuid, "\t\tExtended stream properties object"},
      {test::kIndexParametersGuid, "\t\tIndex parameters object"},
      {test::kPaddingGuid, "\t\tPadding object"},
      {test::kCompatibilityGuid, "\t\tCompatability object"},
  };
  for (const Case& c : cases) {
    Bytes f = object(c.guid, Bytes{}.fill(5, 0x75));
    f.append(object(kOtherGuid, Bytes{}));
    EXPECT_EQ(walk(f, 0), kStart + c.heading + "\nUnknown object type, GUID=" + kOther + "\n" + kEnd);
    EXPECT_EQ(walk(f, 1), kStart + c.heading + ", Length 5\nUnknown object type, GUID=" + kOther +
                              ", Length: 24\n" + kEnd);
  }
}

TEST(AsfWalker, DataObjectPacketCountIsTheStoredOne) {
  // Two packets stored, 7 claimed.
  Bytes f = data_object(7, Bytes{}.fill(2 * 100, 0x82));
  f.append(object(kOtherGuid, Bytes{}));
  EXPECT_EQ(walk(f, 0), kStart + "Data object\n\tFile GUID (unique): " + kOther +
                            "\n\t\t7 data packets here\nUnknown object type, GUID=" + kOther +
                            "\n" + kEnd);
}

TEST(AsfWalker, SimpleIndexSkipsItsEntries) {
  Bytes f = object(test::kSimpleIndexGuid, Bytes{}.fill(32, 0).fill(6 * 3, 0x99));
  f.append(object(test::kPaddingGuid, Bytes{}));
  EXPECT_EQ(walk(f, 2), kStart +
                            "Offset 0, GUID: {33000890-e5b1-11cf-89f4-00a0c90349cb}, Length: 74\n"
                            "Simple index object, Length 50\n"
                            "Offset 74, GUID: {1806d474-cadf-4509-a4ba-9aabcb96aae8}, Length: 24\n"
                            "\t\tPadding object, Length 0\n" +
                            kEnd);
}

// A member of an archive: the stream has bytes before and after the member,
// the walk sees only the member, and its offsets count from the member's start.
TEST(AsfWalker, ArchiveMemberStyleLimit) {
  Bytes member = header_object(30, 0);
  member.append(object(test::kPaddingGuid, Bytes{}.fill(2, 0)));
  Bytes archive;
  archive.fill(512, 0x55).append(member).fill(100, 0x30);
  MemStream ms(archive.v, 7);
  ASSERT_EQ(vfdump(512, ms.get(), nullptr, 0, 0), 512);
  Levels lv(2, 0);
  Capture cap;
  asf_file(ms.get(), nullptr, static_cast<int64_t>(member.size()));
  EXPECT_EQ(cap.text(), kStart +
                            "Offset 0, GUID: {75b22630-668e-11cf-a6d9-00aa0062ce6c}, Length: 30\n"
                            "Header object, Objects: 0, Reserved: <0x0102>\n"
                            "Offset 30, GUID: {1806d474-cadf-4509-a4ba-9aabcb96aae8}, Length: 26\n"
                            "\t\tPadding object, Length 2\n" +
                            kEnd);
  EXPECT_EQ(ms.position(), 512 + 56);
}

TEST(AsfWalker, SkipPastTheLimitOrTheEnd) {
  Bytes f = object_sized(kOtherGuid, 100, Bytes{}.fill(26, 0));
  const std::string unknown = "Unknown object type, GUID=" + kOther + "\n";
  EXPECT_EQ(walk(f, 0), kStart + unknown + "Error: Premature end of file(1)\n" + kEnd);
  long pos = 0;
  EXPECT_EQ(walk_stream(f, 0, 50, 7, &pos),
            kStart + unknown + "Error: Premature end of file(1)\n" + kEnd);
  EXPECT_EQ(pos, 24);  // nothing skipped
  EXPECT_EQ(walk_stream(f, 0, 0, 7, &pos),
            kStart + unknown + "Error: Premature end of file(2)\n" + kEnd);
  EXPECT_EQ(pos, 50);
}

// Sizes that do not cover the object's header and the fixed part that is
// read of it end the walk with an error, whatever follows.
TEST(AsfWalker, SizeSmallerThanWhatIsRead) {
  struct Case {
    const std::string& guid;
    uint64_t size;
    int minimum;
    std::string shown;
  } cases[] = {
      {kOtherGuid, 0, 24, kOther},
      {kOtherGuid, 23, 24, kOther},
      {test::kPaddingGuid, 10, 24, "{1806d474-cadf-4509-a4ba-9aabcb96aae8}"},
      {test::kCodecListGuid, 23, 24, "{86d15240-311d-11d0-a3a4-00a0c90348f6}"},
      {test::kHeaderGuid, 29, 30, "{75b22630-668e-11cf-a6d9-00aa0062ce6c}"},
      {test::kHeaderExtensionGuid, 45, 46, "{5fbf03b5-a92e-11cf-8ee3-00c00c205365}"},
      {test::kDataGuid, 49, 50, "{75b22636-668e-11cf-a6d9-00aa0062ce6c}"},
      {test::kSimpleIndexGuid, 55, 56, "{33000890-e5b1-11cf-89f4-00a0c90349cb}"},
      {test::kFilePropertiesGuid, 103, 104, "{8cabdca1-a947-11cf-8ee4-00c00c205365}"},
  };
  for (const Case& c : cases) {
    Bytes f = object_sized(c.guid, c.size, Bytes{}.fill(120, 0));
    f.append(object(kOtherGuid, Bytes{}));
    std::string error = "Error: Object size " + std::to_string(c.size) + " is less than " +
                        std::to_string(c.minimum) + " bytes, GUID=" + c.shown + "\n";
    EXPECT_EQ(walk(f, 0), kStart + error + kEnd) << c.size;
    EXPECT_EQ(walk_stream(f, 0), kStart + error + kEnd) << c.size;
  }
}

// A fixed part or body that the source cannot supply ends the walk; the
// headings printed before the read stand, on a line of their own.
TEST(AsfWalker, SourceEndsInsideAnObject) {
  struct Case {
    const std::string& guid;
    std::string printed;
  } cases[] = {
      {test::kHeaderGuid, "Header object\n"},
      {test::kHeaderExtensionGuid, "\tHeader extension object\n"},
      {test::kDataGuid, "Data object\n"},
      {test::kSimpleIndexGuid, "Simple index object\n"},
      {test::kFilePropertiesGuid, "\tFile properties object\n"},
      {test::kStreamPropertiesGuid, "\tStream properties object\n"},
      {test::kContentDescriptionGuid, "\tContent description object\n"},
      {test::kCodecListGuid, ""},
      {test::kExtendedContentGuid, ""},
      {test::kBitrateGuid, ""},
      {test::kLanguageListGuid, ""},
      {test::kMetadataGuid, ""},
      {test::kMetadataLibraryGuid, ""},
  };
  for (const Case& c : cases) {
    // Three bytes of a body that claims 100.
    Bytes f = object_sized(c.guid, 124, Bytes{1, 2, 3});
    EXPECT_EQ(walk(f, 0), kStart + c.printed + kEnd);
    EXPECT_EQ(walk_stream(f, 0, 0, 2), kStart + c.printed + kEnd);
    EXPECT_EQ(walk_stream(f, 0, 200), kStart + c.printed + kEnd);
  }
}

// Sizes no source can hold: nothing is allocated for them, no offset
// overflows, the walk ends.
TEST(AsfWalker, HugeSizes) {
  const uint64_t sizes[] = {0xFFFFFFFFFFFFFFFFULL, 0x8000000000000018ULL, 0x7FFFFFFFFFFFFFFFULL,
                            1ULL << 40};
  for (uint64_t size : sizes) {
    Bytes unknown = object_sized(kOtherGuid, size, Bytes{}.fill(10, 0));
    std::string line = "Unknown object type, GUID=" + kOther + "\n";
    EXPECT_EQ(walk(unknown, 0), kStart + line + "Error: Premature end of file(1)\n" + kEnd);
    EXPECT_EQ(walk_stream(unknown, 0), kStart + line + "Error: Premature end of file(2)\n" + kEnd);
    EXPECT_EQ(walk_stream(unknown, 0, 1000),
              kStart + line + "Error: Premature end of file(1)\n" + kEnd);
    Bytes body = object_sized(test::kMetadataLibraryGuid, size, Bytes{}.le16(1).fill(10, 0));
    EXPECT_EQ(walk(body, 1), kStart + kEnd);
    EXPECT_EQ(walk_stream(body, 1), kStart + kEnd);
    Bytes heading_first = object_sized(test::kContentDescriptionGuid, size, Bytes{}.fill(10, 0));
    EXPECT_EQ(walk_stream(heading_first, 1), kStart + "\tContent description object\n" + kEnd);
  }
}

// An object of 4 GiB or more is skipped by its whole size: a sparse file
// holds a data object of 4 GiB + 56 bytes, then a padding object.
TEST(AsfWalker, ObjectOf4GiBOrMore) {
  const uint64_t big = (1ULL << 32) + 56;
  Bytes head = object_sized(test::kDataGuid, big, test::guid(kOtherGuid).le64(3).add({1, 1}));
  Bytes tail = object(test::kPaddingGuid, Bytes{}.fill(4, 0));
  std::string dir = test::temp_dir();
  std::string path = dir + "/big.wma";
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    f.seekp(static_cast<std::streamoff>(big));
    f.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    ASSERT_TRUE(f.good());
  }
  FILE* fp = fopen(path.c_str(), "rb");
  ASSERT_NE(fp, nullptr);
  Stream s;
  stream_init(s, fp);
  std::string text;
  {
    Levels lv(2, 0);
    Capture cap;
    asf_file(&s, nullptr, 0);
    text = cap.text();
  }
  EXPECT_EQ(stream_tell(s), static_cast<int64_t>(big + tail.size()));
  fclose(fp);
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
  EXPECT_EQ(text, kStart +
                      "Offset 0, GUID: {75b22636-668e-11cf-a6d9-00aa0062ce6c}, Length: 4294967352\n"
                      "Data object\n"
                      "\tFile GUID (unique): " + kOther + "\n"
                      "\tReserved: <0x0101>\n"
                      "\t\t3 data packets here\n"
                      "Offset 4294967352, GUID: {1806d474-cadf-4509-a4ba-9aabcb96aae8}, Length: 28\n"
                      "\t\tPadding object, Length 4\n" +
                      kEnd);
}

// The same skip, under a limit, in a stream that is far shorter: the offset
// moves past the limit and the walk ends.
TEST(AsfWalker, LimitBeyond4GiB) {
  Bytes f = object_sized(kOtherGuid, (1ULL << 32) + 24, Bytes{});
  f.append(object(test::kPaddingGuid, Bytes{}));
  long pos = 0;
  EXPECT_EQ(walk_stream(f, 0, (1LL << 32) + 48, 7, &pos),
            kStart + "Unknown object type, GUID=" + kOther + "\nError: Premature end of file(2)\n" + kEnd);
  EXPECT_EQ(pos, 48);
}

// Real files with random bytes of their header objects changed: whatever
// the sizes, counts and lengths then say, the walk stays inside its buffers
// (AddressSanitizer watches) and ends.
TEST(AsfWalker, DamagedRealFilesEnd) {
  for (const char* name : {"asf_wmav2_tags.wma", "asf_wmav1_cover.wma"}) {
    std::string text = test::slurp(std::string(TAGDELVE_DATA) + "/" + name);
    ASSERT_GT(text.size(), 1000u) << name;
    std::mt19937 rng(2024);
    for (int round = 0; round < 300; ++round) {
      Bytes f;
      f.str(text);
      int changes = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < changes; ++i) f.v[rng() % 900] = static_cast<uint8_t>(rng());
      std::string out = walk(f, 2);
      EXPECT_EQ(out.substr(out.size() - kEnd.size()), kEnd) << name << " " << round;
      if (round % 10 == 0) {
        std::string via_stream = walk_stream(f, 2, 0, 64);
        EXPECT_EQ(via_stream.substr(via_stream.size() - kEnd.size()), kEnd);
      }
    }
  }
}

TEST(AsfWalker, DispatchedByTheWmaExtension) {
  Bytes f = object(test::kPaddingGuid, Bytes{});
  MemStream ms(f.v);
  Levels lv(1, -1);
  Capture cap;
  EXPECT_EQ(process_file("dir/song.wma", ms.get(), nullptr, 0), 1);
  EXPECT_EQ(process_file("song.WMA", nullptr, nullptr, 0), 0);
  EXPECT_EQ(cap.text(), kStart + "\t\tPadding object, Length 0\n" + kEnd +
                            "File type WMA not supported, skipped over song.WMA\n");
  EXPECT_EQ(indent, -1);
}

}  // namespace
