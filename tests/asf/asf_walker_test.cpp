#include "asf/asf.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/formats.h"
#include "support/capture.h"
#include "support/run.h"

namespace {

using namespace tagdelve;
using test::Bytes;
using test::object;

const std::string kHeader = "75B22630-668E-11CF-A6D9-00AA0062CE6C";
const std::string kData = "75B22636-668E-11CF-A6D9-00AA0062CE6C";
const std::string kPadding = "1806D474-CADF-4509-A4BA-9AABCB96AAE8";
const std::string kOther = "01020304-0506-0708-090A-0B0C0D0E0F10";  // no ASF object
const std::string kUnknown = "Unknown object type, GUID={01020304-0506-0708-090a-0b0c0d0e0f10}";
const std::string kStart = "ASF (WMA) file start\n";
const std::string kEnd = "ASF (WMA) file end\n";

// The report of a walk over the bytes at the given depth: as a memory block,
// or (buffer > 0) as a stream with that buffer size under the limit (0 = none).
std::string walk(const Bytes& b, int32_t v, size_t buffer = 0, int64_t limit = 0,
                 int32_t depth = 0) {
  std::vector<uint8_t> block(b.v);
  test::MemStream ms(b.v, buffer ? buffer : 1);
  test::Levels lv(v, depth);
  test::Capture cap;
  tagdelve::Source src = !buffer ? tagdelve::Source::of_memory(block.data(), static_cast<int64_t>(block.size()))
                        : limit ? ms.source(limit) : ms.source();
  asf_file(src);
  return cap.text();
}

// A header (a padding object directly in it, then a header extension holding
// an extended stream properties object), a data object with 10 bytes of
// packets, a simple index with 8 bytes of entries and an index object:
// objects at 0, 30, 56, 102, 130, 190 and 254; 282 bytes.
Bytes small_file() {
  Bytes f = object(kHeader, Bytes{}.le32(2).add({1, 2}), 130);
  f.append(object(kPadding, Bytes{0, 0}));
  Bytes ext = test::guid("ABD3D211-A9BA-11CF-8EE6-00C00C205365").le16(6).le32(28);
  ext.append(object("14E6A5CB-C672-4332-8399-A96952065B5A", Bytes{}.fill(4, 0)));
  f.append(object("5FBF03B5-A92E-11CF-8EE3-00C00C205365", ext));
  f.append(object(kData, test::guid(kOther).le64(1234).add({1, 1}).fill(10, 0xEE)));
  f.append(object("33000890-E5B1-11CF-89F4-00A0C90349CB", Bytes{}.fill(32, 1).fill(8, 2)));
  return f.append(object("D6E229D3-35DA-11D1-9034-00A0C90349BE", Bytes{}.fill(4, 3)));
}

// The report of the small file at depth 1. Each line is shown from a verbose
// level on; the rest of a heading from verbose 1 on.
std::string small_report(int v) {
  const struct {
    int from;
    const char* line;
    const char* loud = "";
  } lines[] = {
      {0, "ASF (WMA) file start"},
      {2, "Offset 0, GUID: {75b22630-668e-11cf-a6d9-00aa0062ce6c}, Length: 130"},
      {0, "Header object", ", Objects: 2, Reserved: <0x0102>"},
      {2, "Offset 30, GUID: {1806d474-cadf-4509-a4ba-9aabcb96aae8}, Length: 26"},
      {0, "\t\tPadding object", ", Length 2"},
      {2, "Offset 56, GUID: {5fbf03b5-a92e-11cf-8ee3-00c00c205365}, Length: 74"},
      {0, "\tHeader extension object"},
      {1, "\t\tReserved GUID: {abd3d211-a9ba-11cf-8ee6-00c00c205365}"},
      {1, "\t\tReserved: 6"},
      {1, "\t\tExtension size: 28"},
      {2, "Offset 102, GUID: {14e6a5cb-c672-4332-8399-a96952065b5a}, Length: 28"},
      {0, "\t\tExtended stream properties object", ", Length 4"},
      {2, "Offset 130, GUID: {75b22636-668e-11cf-a6d9-00aa0062ce6c}, Length: 60"},
      {0, "Data object"},
      {0, "\tFile GUID (unique): {01020304-0506-0708-090a-0b0c0d0e0f10}"},
      {1, "\tReserved: <0x0101>"},
      {0, "\t\t1234 data packets here"},
      {2, "Offset 190, GUID: {33000890-e5b1-11cf-89f4-00a0c90349cb}, Length: 64"},
      {0, "Simple index object", ", Length 40"},
      {2, "Offset 254, GUID: {d6e229d3-35da-11d1-9034-00a0c90349be}, Length: 28"},
      {0, "Index object", ", Length 4"},
      {0, "ASF (WMA) file end"},
  };
  std::string s;
  for (const auto& l : lines)
    if (v >= l.from) s += "\t" + std::string(l.line) + (v > 0 ? l.loud : "") + "\n";
  return s;
}

// The small file at each level, as a memory block; then as a member of an
// archive, the way the TAR walker hands it over: a stream already past the
// bytes before it, a limit at its end and more bytes after it. The offsets
// count from the member's start, and nothing past the limit is read.
TEST(AsfWalker, SmallFile) {
  Bytes f = small_file();
  for (int v = 0; v <= 2; ++v) EXPECT_EQ(walk(f, v, 0, 0, 1), small_report(v)) << v;
  Bytes archive = Bytes{}.fill(512, 0x55).append(f).append(object(kOther, Bytes{}));
  test::MemStream ms(archive.v, 7);
  ASSERT_TRUE(ms.source().skip(512));
  test::Levels lv(2, 1);
  test::Capture cap;
  tagdelve::Source src = ms.source(static_cast<int64_t>(f.size()));
  asf_file(src);
  EXPECT_EQ(cap.text(), small_report(2));
  EXPECT_EQ(ms.position(), 512 + 282);
}

// Inputs of one or two objects, walked as a memory block and as a stream
// under a limit beyond its end: the report between the start and end lines.
TEST(AsfWalker, EdgeInputs) {
  Bytes unknown = object(kOther, Bytes{}.fill(6, 0xAB)).append(object(kPadding, Bytes{}));
  Bytes huge = object(kOther, Bytes{}.fill(10, 0), ~0ULL);
  const struct {
    Bytes in;
    int v;
    std::string text;
    std::string limited = "";  // under the limit, when it differs
  } cases[] = {
      {Bytes{}, 2, ""},
      {Bytes{}.fill(23, 0x30), 2,  // shorter than an object header
       "Error: File ends inside the object header at offset 23: 1 more byte expected\n"},
      // Recognised by the first group of the GUID alone.
      {object("75B22630-0000-0000-0000-000000000000", Bytes{}.le32(0).add({0, 0}))
           .append(object("1806D474-FFFF-FFFF-FFFF-FFFFFFFFFFFF", Bytes{})),
       1, "Header object, Objects: 0, Reserved: <0x0000>\n\t\tPadding object, Length 0\n"},
      // At verbose 1 the full size, header included.
      {unknown, 0, kUnknown + "\n\t\tPadding object\n"},
      {unknown, 1, kUnknown + ", Length: 30\n\t\tPadding object, Length 0\n"},
      // A size smaller than the header and the fixed part read ends the walk.
      {object(kOther, Bytes{}, 23).append(unknown), 0,
       "Error: Object size 23 is less than 24 bytes, GUID={01020304-0506-0708-090a-0b0c0d0e0f10}\n"},
      {object("33000890-E5B1-11CF-89F4-00A0C90349CB", Bytes{}.fill(40, 0), 55).append(unknown), 0,
       "Error: Object size 55 is less than 56 bytes, GUID={33000890-e5b1-11cf-89f4-00a0c90349cb}\n"},
      // A fixed part or body that the source cannot supply ends the walk,
      // with where and by how much; a heading printed before the read stands.
      {object("8CABDCA1-A947-11CF-8EE4-00C00C205365", Bytes{1, 2, 3}, 124), 0,
       "\tFile properties object\n"
       "Error: File ends inside the File properties object at offset 27: 77 more bytes expected\n"},
      {object("86D15240-311D-11D0-A3A4-00A0C90348F6", Bytes{1, 2, 3}, 124), 0,  // codec list
       "Error: File ends inside the Codec list object at offset 27: 97 more bytes expected\n"},
      // Sizes no source can hold: nothing is allocated, no offset overflows.
      {huge, 0, kUnknown + "\nError: Premature end of file(1)\n"},
      {object("44231C94-9498-49D1-A141-1D134E457054", Bytes{}.le16(1), ~0ULL), 1,
       "Error: File ends inside the Metadata library object at offset 26: 18446744073709551589 more bytes "
       "expected\n",
       // From a pipe, the claim is not read against the pipe's end.
       "Error: Member ends inside the Metadata library object at offset 1026: 18446744073709550589 more "
       "bytes expected\n"},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const int64_t limit = static_cast<int64_t>(cases[i].in.size()) + 1000;
    const std::string& limited = cases[i].limited.empty() ? cases[i].text : cases[i].limited;
    EXPECT_EQ(walk(cases[i].in, cases[i].v), kStart + cases[i].text + kEnd) << i;
    EXPECT_EQ(walk(cases[i].in, cases[i].v, 7, limit), kStart + limited + kEnd) << i;
  }
  // Without a limit, a stream reaches its end.
  EXPECT_EQ(walk(huge, 0, 7), kStart + kUnknown + "\nError: Premature end of file(2)\n" + kEnd);
}

// An object of 4 GiB or more is skipped by its whole size: a sparse file
// holds a data object of 4 GiB + 56 bytes, then a padding object.
TEST(AsfWalker, ObjectOf4GiBOrMore) {
  const uint64_t big = (1ULL << 32) + 56;
  Bytes head = object(kData, test::guid(kOther).le64(3).add({1, 1}), big);
  Bytes tail = object(kPadding, Bytes{}.fill(4, 0));
  const std::string dir = test::temp_dir(), path = dir + "/big.wma";
  bool written;
  {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    f.seekp(static_cast<std::streamoff>(big));  // a hole: no blocks on disk
    f.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    written = f.good();
  }
  test::RunResult r = test::run_tool({"-v", "-v", path});
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
  if (!written) GTEST_SKIP() << "no room for a sparse 4 GiB file here";
  EXPECT_NE(r.out.find("\n\t\t3 data packets here\n"
                       "Offset 4294967352, GUID: {1806d474-cadf-4509-a4ba-9aabcb96aae8}, Length: 28\n"
                       "\t\tPadding object, Length 4\n" + kEnd),
            std::string::npos);
}

}  // namespace
