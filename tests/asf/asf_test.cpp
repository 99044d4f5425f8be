// What the reference reports of tests/cases/asf cannot hold: an object of
// 4 GiB or more (in a sparse file), and an archive member read from a pipe.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "asf/asf.h"
#include "support/capture.h"
#include "support/formats.h"
#include "support/run.h"

namespace {

using test::Bytes;

// A data object of 4 GiB + 56 bytes, held as a hole, is skipped by its whole
// size: the padding object after it is found at offset 2^32 + 56.
TEST(Asf, ObjectOf4GiBOrMore) {
  const uint64_t big = (1ULL << 32) + 56;
  const Bytes head = test::object("75B22636-668E-11CF-A6D9-00AA0062CE6C", Bytes{}.fill(16, 0).le64(3).add({1, 1}), big);
  const Bytes tail = test::object("1806D474-CADF-4509-A4BA-9AABCB96AAE8", Bytes{}.fill(4, 0));
  const std::string dir = test::temp_dir(), path = dir + "/big.wma";
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  f.seekp(static_cast<std::streamoff>(big)).write(reinterpret_cast<const char*>(tail.data()), 24 + 4);
  f.close();
  const bool written = f.good();
  const test::RunResult r = test::run_tool({"-v", "-v", path});
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
  if (!written) GTEST_SKIP() << "no room for a sparse 4 GiB file here";
  EXPECT_NE(r.out.find("\t\t3 data packets here\n"
                       "Offset 4294967352, GUID: {1806d474-cadf-4509-a4ba-9aabcb96aae8}, Length: 28\n"
                       "\t\tPadding object, Length 4\nASF (WMA) file end\n"),
            std::string::npos) << r.out;
}

// A member of 1,026 bytes read from a pipe, whose end is not known ahead:
// an object claiming 2^64 - 1 bytes ends inside the member, not the file.
TEST(Asf, HugeClaimInAMemberFromAPipe) {
  const Bytes in = test::object("44231C94-9498-49D1-A141-1D134E457054", Bytes{}.le16(1), ~0ULL);
  test::MemStream ms(in.v, 7);
  test::Captured cap(0, 0);
  tagdelve::Source src = ms.source(1026, cap.r.get());
  tagdelve::asf_file(*cap.r, src);
  EXPECT_EQ(cap.text(),
            "ASF (WMA) file start\nError: Member ends inside the Metadata library object at offset 1026: "
            "18446744073709550589 more bytes expected\nASF (WMA) file end\n");
}

}  // namespace
