// A TIFF file read from a pipe, which cannot be read at positions: its first
// 64 MiB are held and walked, and a directory past them is not. From a file
// the same directory is read where it stands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bytes.h"
#include "support/capture.h"
#include "tiff/tiff_file.h"

namespace {

TEST(TiffPipe, HeldUpTo64MiB) {
  const uint32_t ifd0 = static_cast<uint32_t>(tagdelve::kPipeHeld) + 8;
  test::Bytes tiff;
  tiff.str("II").le16(42).le32(ifd0).fill(ifd0 - 8, 0);
  tiff.le16(1).le16(0x0100).le16(3).le32(1).le32(7).le32(0);  // ImageWidth 7
  const std::string piped = test::walk_as("big.tif", tiff.v, 0, tagdelve::kStreamBuffer, test::MemStream::kPipe);
  EXPECT_NE(piped.find("Error: TIFF data read from a pipe is held up to 67108864 bytes: what lies beyond is not walked"),
            std::string::npos) << piped;
  EXPECT_NE(piped.find("Error: Directory at offset 67108872 lies outside the TIFF data"), std::string::npos);
  const std::string file = test::walk_as("big.tif", tiff.v, 0, tagdelve::kStreamBuffer, test::MemStream::kFile);
  EXPECT_EQ(file, "TIFF file start\nIFD0\n\t[ImageWidth] = {7 }\nTIFF file end\n");
}

}  // namespace
