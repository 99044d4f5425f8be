// End-to-end runs of the built binary on JPEG files made by ImageMagick,
// cjpeg and exiftool (tests/data/make_jpeg.sh). Marker offsets, lengths and
// scan sizes were taken from exiftool -v3 and a separate marker count; the
// Exif values from exiftool's listing of the same files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/run.h"

namespace {

using namespace std::string_literals;
using test::run_tool;

const std::string kData = TAGDELVE_DATA;

std::string run(const std::vector<std::string>& args) {
  test::RunResult r = run_tool(args);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  return r.out;
}

// The lines of the report that contain `needle`.
std::string grep(const std::string& text, const std::string& needle) {
  std::istringstream in(text);
  std::string line, kept;
  while (std::getline(in, line))
    if (line.find(needle) != std::string::npos) kept += line + "\n";
  return kept;
}

#define EXPECT_HAS(text, part) EXPECT_NE((text).find(part), std::string::npos) << (text)

TEST(JpegFiles, BaselineImage) {
  // At verbose 0: no names, lengths or components.
  const std::string out = run({kData + "/jpeg_baseline.jpg"});
  EXPECT_HAS(out,
             "JPEG file start\nSOI marker\n\tAPP0 marker\n\t\tJFIF header\n"
             "\t\tVersion: 1.1, Units: 0, Density: 1x1, Thumbnail: 0x0\n\tDQT marker\n");
  EXPECT_HAS(out,
             "\tSOF0 marker\n\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n\tDHT marker\n");
  EXPECT_HAS(out,
             "\tDHT marker\n\tSOS marker\n\t\t43 bytes entropy data (the image)\n"
             "EOI marker\nJPEG file end\n");
}

TEST(JpegFiles, ProgressiveImageHasOneCountPerScan) {
  const std::string out = run({"-v", kData + "/jpeg_progressive.jpg"});
  std::string counts;
  for (int n : {10, 6, 5, 5, 1, 3, 3, 3, 3, 8})
    counts += "\t\t" + std::to_string(n) + " bytes entropy data (the image)\n";
  EXPECT_EQ(grep(out, "entropy data"), counts);
  EXPECT_HAS(run({"-v", "-v", kData + "/jpeg_progressive.jpg"}),
             "\tSOF2 marker [Start of Frame (Progressive)], Length: 17, "
             "Binary: <0x080018002003012200021101031101>\n");
  EXPECT_HAS(
      out,
      "\t\t10 bytes entropy data (the image)\n\tDHT marker [Define Huffman table], Length: 21\n"
      "\tSOS marker [Start of Scan], Length: 8\n\t\t6 bytes entropy data (the image)\n");
}

TEST(JpegFiles, RestartMarkersAreScanData) {
  EXPECT_HAS(run({"-v", "-v", kData + "/jpeg_restart.jpg"}),
             "Offset 609, JPEG marker: 0xffdd\n\tDRI marker [Define Restart Interval], Length: 4\n"
             "\t\tBinary: <0x0001>\nOffset 615, JPEG marker: 0xffda\n"
             "\tSOS marker [Start of Scan], Length: 12, Binary: <0x03010002110311003f00>\n"
             "\t\t270 bytes entropy data (the image)\nEOI marker [End of Image]\nJPEG file end\n");
}

// The same camera-like Exif data written by exiftool in both byte orders.
TEST(JpegFiles, ExifInBothByteOrders) {
  std::string directories[2];
  for (int i = 0; i < 2; ++i) {
    const std::string out = run({"-v", "-v", kData + (i ? "/exif_mm.jpg" : "/exif_ii.jpg")});
    EXPECT_HAS(out,
               "Offset 20, JPEG marker: 0xffe1\n\tAPP1 marker [Application 1], Length: 670\n"
               "\t\tExif header\n\t\tByte order: "s +
                   (i ? "MM" : "II") + ", Length marker: 002a\n\t\tOffset: 8, IFD0");
    const size_t from = out.find("\t\tOffset: 8, IFD0"), to = out.find("Offset 692, ");
    ASSERT_LT(from, to);
    directories[i] = out.substr(from, to - from);
    // The start of the second quantisation table and of the last Huffman table.
    EXPECT_HAS(
        out,
        "Offset 761, JPEG marker: 0xffdb\n\tDQT marker [Define Quantization Table], Length: 67\n"
        "\t\tBinary: <0x010909090c0b0c180d0d1832211c213232323232323232323232323232323232 |");
    EXPECT_HAS(out, "\tDHT marker [Define Huffman table], Length: 25\n\t\tBinary: <0x11000105");
    EXPECT_HAS(out,
               "\t\t43 bytes entropy data (the image)\n"
               "EOI marker [End of Image]\nJPEG file end\ntagdelve end of job\n");
  }
  EXPECT_EQ(directories[0], directories[1]);
  const std::string& d = directories[0];
  EXPECT_HAS(d,
             "\t\t\tTag: 0x010e, Length: 10 [ImageDescription] = ASCII{two\\12lines}\n"
             "\t\t\tTag: 0x010f, Length: 5 [Make] = ASCII{Acme}\n");
  EXPECT_HAS(d,
             "\t\t\tTag: 0x8769, Length: 1 [ExifOffset] = UNIT32{226 }\n"
             "\t\tOffset: 226, IFD (Exif)\n"
             "\t\t\tTag: 0x829a, Length: 1 [ExposureTime] = URATIONAL{0.008000 }\n");
  EXPECT_HAS(d, "\t\tOffset: 408, IFD1 (thumbnail image)\n");
  EXPECT_HAS(d,
             "\t\t\tTag: 0x0201, Length: 1 [JpegIFOffset] = UNIT32{502 }\n"
             "\t\t\tTag: 0x0202, Length: 1 [JpegIFByteCount] = UNIT32{159 }\n");
}

// Files named *.jpeg are walked as well as *.jpg.
TEST(JpegFiles, JpegExtension) {
  const std::string dir = test::temp_dir(), data = test::slurp(kData + "/jpeg_baseline.jpg");
  test::write_file(dir + "/a.jpeg", std::vector<uint8_t>(data.begin(), data.end()));
  EXPECT_HAS(run_tool({"a.jpeg"}, "", dir).out, "Processing a.jpeg\nJPEG file start\nSOI marker\n");
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

}  // namespace
