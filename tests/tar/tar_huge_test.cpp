// A member of 5 GiB, held as a sparse file: its size and the offset of the
// header after it need 64 bits. Every other archive case is a committed
// input with its reference report (tests/cases/make_tar.py).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/run.h"

namespace {

// An old-style header block: the name, the size in octal, type flag '0'.
std::string header(const std::string& name, const std::string& octal_size) {
  std::string h(512, '\0');
  h.replace(0, name.size(), name);
  h.replace(124, octal_size.size(), octal_size);
  h[156] = '0';
  return h;
}

TEST(TarHuge, MemberOfFiveGibibytes) {
  const std::string dir = test::temp_dir(), path = dir + "/huge.tar";
  // An MPEG-1 layer III frame, 128 kbit/s at 44100 Hz: 417 bytes.
  const std::string frame = std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');
  bool written;
  {
    std::ofstream f(path, std::ios::binary);
    f << header("zeros.bin", "50000000000");  // 5 GiB of data, a whole number of blocks
    f.seekp(512 + (5LL << 30));               // a hole: no blocks on disk
    // Two frames (834 bytes, octal 1502), padding to the block's end, the end blocks.
    f << header("after.mp3", "1502") << frame << frame << std::string(190 + 1024, '\0');
    written = f.good();
  }
  const test::RunResult r = written ? test::run_tool({"-v", "-v", path}) : test::RunResult{};
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
  if (!written) GTEST_SKIP() << "no room for a sparse 5 GiB file here";
  EXPECT_EQ(r.status, 0);
  for (const char* piece : {"\tSize: 5368709120, Type: Normal\n\tMagic: , Version: \\00\\00\n\tStored size: 5368709120\n"
                            "\tFile type bin not supported, skipped over zeros.bin\n\ttar section padding 0 bytes\n"
                            "Offset 5368709632, File header block\nFile name: after.mp3\n",
                            "\t\tData frames: 2\n", "\t\tFile length: 834bytes\n\tMPEG (MP3) file end\n"})
    EXPECT_NE(r.out.find(piece), std::string::npos) << piece << "\n---\n" << r.out;
}

}  // namespace
