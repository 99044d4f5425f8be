// Archives past 4 GiB, held as sparse files: sizes and offsets are 64-bit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "support/bytes.h"
#include "support/run.h"
#include "support/tar.h"

namespace {

using test::Bytes;

TEST(TarHuge, MemberOfFiveGibibytes) {
  const long long five_gib = 5LL << 30;
  std::string dir = test::temp_dir();
  std::string path = dir + "/huge.tar";
  test::TarHeader big;
  big.name = "zeros.bin";
  big.size = five_gib;
  test::TarHeader mp3;
  mp3.name = "after.mp3";
  // Two MPEG-1 layer III frames, 128 kbit/s at 44100 Hz: 417 bytes each.
  Bytes frames = Bytes().add({0xFF, 0xFB, 0x90, 0x64}).fill(413, 0).add({0xFF, 0xFB, 0x90, 0x64}).fill(413, 0);
  Bytes tail = test::tar_member(mp3, frames).append(test::tar_end());
  {
    Bytes head = test::tar_header(big);
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(head.data()), 512);
    f.seekp(static_cast<std::streamoff>(512 + five_gib));  // a hole: no blocks on disk
    f.write(reinterpret_cast<const char*>(tail.data()), static_cast<std::streamsize>(tail.size()));
    if (!f.good()) {
      std::system(("rm -rf " + test::shell_quote(dir)).c_str());
      GTEST_SKIP() << "no room for a sparse 5 GiB file here";
    }
  }
  test::RunResult r = test::run_tool({"-v", "-v", path});
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
  EXPECT_EQ(r.status, 0);
  const char* const pieces[] = {
      "File name: zeros.bin\n",
      "\tStated size: 50000000000,",
      "\tSize: 5368709120, Type: Normal\n",
      "\tStored size: 5368709120\n"
      "\tFile type bin not supported, skipped over zeros.bin\n"
      "\ttar section padding 0 bytes\n"
      "Offset 5368709632, File header block\n"
      "File name: after.mp3\n",
      "\tMPEG (MP3) file start\n"
      "\tOffset 0, Frame header <0xfffb9064>\n",
      "\tOffset 417, Frame header <0xfffb9064>\n",
      "\t\tData frames: 2\n",
      "\t\tFile length: 834bytes\n"
      "\tMPEG (MP3) file end\n"
      "\ttar section padding 190 bytes\n"
      "Offset 5368711168, Null block\n"
      "Offset 5368711680, Null block\n"
      "TAR file end\n",
  };
  for (const char* p : pieces) EXPECT_NE(r.out.find(p), std::string::npos) << p << "\n---\n" << r.out.substr(0, 4000);
}

}  // namespace
