// End-to-end runs of the built binary on JPEG files made by ImageMagick,
// cjpeg and exiftool (tests/data/make_jpeg.sh). Marker offsets, lengths and
// scan sizes were taken from exiftool -v3 and a separate marker count; the
// Exif values from exiftool's listing of the same files.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/run.h"

namespace {

using test::run_tool;

const std::string kData = TAGDELVE_DATA;

std::string run(const std::vector<std::string>& args) {
  test::RunResult r = run_tool(args);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  return r.out;
}

// The report without the lines of the hex dumps of table segments.
std::string without_dumps(const std::string& text) {
  std::istringstream in(text);
  std::string line, kept;
  while (std::getline(in, line)) {
    // A continuation row: lower-case hex digits, then the character column.
    bool row = line.rfind("\t\t\t", 0) == 0 && line.find(" |") != std::string::npos &&
               line.find_first_not_of("0123456789abcdef", 3) == line.find(" |");
    bool dump = line.rfind("\t\tBinary: <0x", 0) == 0 || row;
    if (!dump) kept += line + "\n";
  }
  return kept;
}

TEST(JpegFiles, BaselineImage) {
  const std::string name = kData + "/jpeg_baseline.jpg";
  EXPECT_EQ(run({name}), "Processing " + name +
                             "\n"
                             "JPEG file start\n"
                             "SOI marker\n"
                             "\tAPP0 marker\n"
                             "\t\tJFIF header\n"
                             "\t\tVersion: 1.1, Units: 0, Density: 1x1, Thumbnail: 0x0\n"
                             "\tDQT marker\n"
                             "\tDQT marker\n"
                             "\tSOF0 marker\n"
                             "\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
                             "\tDHT marker\n"
                             "\tDHT marker\n"
                             "\tDHT marker\n"
                             "\tDHT marker\n"
                             "\tSOS marker\n"
                             "\t\t43 bytes entropy data (the image)\n"
                             "EOI marker\n"
                             "JPEG file end\n");
}

TEST(JpegFiles, ProgressiveImage) {
  const std::string name = kData + "/jpeg_progressive.jpg";
  const int scans[] = {10, 6, 5, 5, 1, 3, 3, 3, 3, 8};
  const bool dht_before[] = {false, true, true, true, true, true, false, true, true, true};
  std::string want = "Processing " + name +
                     "\n"
                     "JPEG file start\n"
                     "SOI marker [Start of Image]\n"
                     "\tAPP0 marker [Application 0]\n"
                     "\t\tJFIF header\n"
                     "\t\tVersion: 1.1, Units: 0, Density: 1x1, Thumbnail: 0x0\n"
                     "\tDQT marker [Define Quantization Table], Length: 67\n"
                     "\tDQT marker [Define Quantization Table], Length: 67\n"
                     "\tSOF2 marker [Start of Frame (Progressive)], Length: 17\n"
                     "\tDHT marker [Define Huffman table], Length: 22\n"
                     "\tDHT marker [Define Huffman table], Length: 22\n";
  const int dht_lengths[] = {0, 21, 23, 23, 20, 20, 0, 22, 22, 21};
  const int sos_lengths[] = {12, 8, 8, 8, 8, 8, 12, 8, 8, 8};
  for (int i = 0; i < 10; ++i) {
    if (dht_before[i])
      want +=
          "\tDHT marker [Define Huffman table], Length: " + std::to_string(dht_lengths[i]) + "\n";
    want += "\tSOS marker [Start of Scan], Length: " + std::to_string(sos_lengths[i]) + "\n";
    want += "\t\t" + std::to_string(scans[i]) + " bytes entropy data (the image)\n";
  }
  want += "EOI marker [End of Image]\nJPEG file end\n";
  std::string out = run({"-v", name});
  EXPECT_EQ(out, "tagdelve v1.5\n" + want + "tagdelve end of job\n");
}

TEST(JpegFiles, RestartMarkersAreScanData) {
  const std::string name = kData + "/jpeg_restart.jpg";
  std::string out = without_dumps(run({"-v", "-v", name}));
  EXPECT_NE(out.find("Offset 609, JPEG marker: 0xffdd\n"
                     "\tDRI marker [Define Restart Interval], Length: 4\n"
                     "Offset 615, JPEG marker: 0xffda\n"
                     "\tSOS marker [Start of Scan], Length: 12, Binary: <0x03010002110311003f00>\n"
                     "\t\t270 bytes entropy data (the image)\n"
                     "EOI marker [End of Image]\n"
                     "JPEG file end\n"),
            std::string::npos)
      << out;
  // The DRI's value sits on its own line, which the filter above dropped.
  EXPECT_NE(run({"-v", "-v", name}).find("\t\tBinary: <0x0001>\n"), std::string::npos);
}

const char* const kIfdLines =
    "\t\tOffset: 8, IFD0 (main image)\n"
    "\t\t\tTag: 0x010e, Length: 10 [ImageDescription] = ASCII{two\\12lines}\n"
    "\t\t\tTag: 0x010f, Length: 5 [Make] = ASCII{Acme}\n"
    "\t\t\tTag: 0x0110, Length: 11 [Model] = ASCII{Acme Cam 2}\n"
    "\t\t\tTag: 0x0112, Length: 1 [Orientation] = UINT16{1 }\n"
    "\t\t\tTag: 0x011a, Length: 1 [XResolution] = URATIONAL{72.000000 }\n"
    "\t\t\tTag: 0x011b, Length: 1 [YResolution] = URATIONAL{72.000000 }\n"
    "\t\t\tTag: 0x0128, Length: 1 [ResolutionUnit] = UINT16{2 }\n"
    "\t\t\tTag: 0x0131, Length: 15 [Software] = ASCII{tagdelve-tests}\n"
    "\t\t\tTag: 0x0132, Length: 20 [DateTime] = ASCII{2024:01:02 03:04:05}\n"
    "\t\t\tTag: 0x0213, Length: 1 [YCbCrPositioning] = UINT16{1 }\n"
    "\t\t\tTag: 0x8769, Length: 1 [ExifOffset] = UNIT32{226 }\n"
    "\t\tOffset: 226, IFD (Exif)\n"
    "\t\t\tTag: 0x829a, Length: 1 [ExposureTime] = URATIONAL{0.008000 }\n"
    "\t\t\tTag: 0x829d, Length: 1 [FNumber] = URATIONAL{2.800000 }\n"
    "\t\t\tTag: 0x8827, Length: 1 [ISOSpeedratings] = UINT16{100 }\n"
    "\t\t\tTag: 0x9000, Length: 4 [ExifVersion] = UNDEFINED{30323332}\n"
    "\t\t\tTag: 0x9003, Length: 20 [DateTimeOriginal] = ASCII{2024:01:02 03:04:05}\n"
    "\t\t\tTag: 0x9101, Length: 4 [ComponentConfiguration] = UNDEFINED{01020300}\n"
    "\t\t\tTag: 0x9204, Length: 1 [ExposureBiasValue] = SRATIONAL{-0.700000 }\n"
    "\t\t\tTag: 0xa000, Length: 4 [FlashPixVersion] = UNDEFINED{30313030}\n"
    "\t\t\tTag: 0xa001, Length: 1 [ColourSpace] = UINT16{1 }\n"
    "\t\t\tTag: 0xa002, Length: 1 [ExifImageWidth] = UINT16{32 }\n"
    "\t\t\tTag: 0xa003, Length: 1 [ExifImageHeight] = UINT16{24 }\n"
    "\t\tOffset: 408, IFD1 (thumbnail image)\n"
    "\t\t\tTag: 0x0103, Length: 1 [Compression] = UINT16{6 }\n"
    "\t\t\tTag: 0x011a, Length: 1 [XResolution] = URATIONAL{72.000000 }\n"
    "\t\t\tTag: 0x011b, Length: 1 [YResolution] = URATIONAL{72.000000 }\n"
    "\t\t\tTag: 0x0128, Length: 1 [ResolutionUnit] = UINT16{2 }\n"
    "\t\t\tTag: 0x0201, Length: 1 [JpegIFOffset] = UNIT32{502 }\n"
    "\t\t\tTag: 0x0202, Length: 1 [JpegIFByteCount] = UNIT32{159 }\n";

std::string exif_report(const std::string& name, const char* order) {
  return "tagdelve v1.5\n"
         "Processing " +
         name +
         "\n"
         "JPEG file start\n"
         "Offset 0, JPEG marker: 0xffd8\n"
         "SOI marker [Start of Image]\n"
         "Offset 2, JPEG marker: 0xffe0\n"
         "\tAPP0 marker [Application 0], Length: 16\n"
         "\t\tJFIF header\n"
         "\t\tVersion: 1.1, Units: 1, Density: 72x72, Thumbnail: 0x0\n"
         "Offset 20, JPEG marker: 0xffe1\n"
         "\tAPP1 marker [Application 1], Length: 670\n"
         "\t\tExif header\n"
         "\t\tByte order: " +
         order + ", Length marker: 002a\n" + kIfdLines +
         "Offset 692, JPEG marker: 0xffdb\n"
         "\tDQT marker [Define Quantization Table], Length: 67\n"
         "Offset 761, JPEG marker: 0xffdb\n"
         "\tDQT marker [Define Quantization Table], Length: 67\n"
         "Offset 830, JPEG marker: 0xffc0\n"
         "\tSOF0 marker [Start of Frame (Baseline)], Length: 17\n"
         "\t\tDepth: 8, Height: 24, Width: 32, Components: 3\n"
         "\t\t\tComponent: 1, Sampling: 0x22, Quantization table: 0\n"
         "\t\t\tComponent: 2, Sampling: 0x11, Quantization table: 1\n"
         "\t\t\tComponent: 3, Sampling: 0x11, Quantization table: 1\n"
         "Offset 849, JPEG marker: 0xffc4\n"
         "\tDHT marker [Define Huffman table], Length: 22\n"
         "Offset 873, JPEG marker: 0xffc4\n"
         "\tDHT marker [Define Huffman table], Length: 22\n"
         "Offset 897, JPEG marker: 0xffc4\n"
         "\tDHT marker [Define Huffman table], Length: 22\n"
         "Offset 921, JPEG marker: 0xffc4\n"
         "\tDHT marker [Define Huffman table], Length: 25\n"
         "Offset 948, JPEG marker: 0xffda\n"
         "\tSOS marker [Start of Scan], Length: 12, Binary: <0x03010002110311003f00>\n"
         "\t\t43 bytes entropy data (the image)\n"
         "EOI marker [End of Image]\n"
         "JPEG file end\n"
         "tagdelve end of job\n";
}

TEST(JpegFiles, ExifLittleEndian) {
  const std::string name = kData + "/exif_ii.jpg";
  EXPECT_EQ(without_dumps(run({"-v", "-v", name})), exif_report(name, "II"));
}

TEST(JpegFiles, ExifBigEndian) {
  const std::string name = kData + "/exif_mm.jpg";
  EXPECT_EQ(without_dumps(run({"-v", "-v", name})), exif_report(name, "MM"));
}

TEST(JpegFiles, QuantisationTableDump) {
  // The second table of exif_ii.jpg, 65 bytes, as exiftool lists them.
  std::string out = run({"-v", "-v", kData + "/exif_ii.jpg"});
  std::string row1 =
      "01090909"
      "0c0b0c18"
      "0d0d1832"
      "211c2132";
  for (int i = 0; i < 16; ++i) row1 += "32";
  std::string row2;
  for (int i = 0; i < 32; ++i) row2 += "32";
  EXPECT_NE(out.find("Offset 761, JPEG marker: 0xffdb\n"
                     "\tDQT marker [Define Quantization Table], Length: 67\n"
                     "\t\tBinary: <0x" +
                     row1 + " |           2! !22222222222222222|\n\t\t\t" + row2 + " |" +
                     std::string(32, '2') +
                     "|\n\t\t\t32 |2|>\n"
                     "Offset 830, "),
            std::string::npos)
      << out;
}

TEST(JpegFiles, SampleWithExif) {
  std::string out = run({kData + "/../../samples/photo.jpg"});
  EXPECT_NE(out.find("\t\tExif header\n\t\tIFD0 (main image)\n\t\t\t[Make] = {Acme}\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\t\tIFD (Exif)\n\t\t\t[ExposureTime] = {0.016667 }\n"), std::string::npos);
  EXPECT_NE(out.find("\t\tIFD1 (thumbnail image)\n"), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 25), "EOI marker\nJPEG file end\n");
}

TEST(JpegFiles, BothExtensionsAreWalked) {
  std::string dir = test::temp_dir();
  std::string data = test::slurp(kData + "/jpeg_baseline.jpg");
  std::vector<uint8_t> bytes(data.begin(), data.end());
  test::write_file(dir + "/a.jpeg", bytes);
  test::write_file(dir + "/b.JPG", bytes);
  test::RunResult r = run_tool({"-v", "a.jpeg", "b.JPG"}, "", dir);
  EXPECT_NE(r.out.find("Processing a.jpeg\nJPEG file start\n"), std::string::npos);
  EXPECT_NE(r.out.find("Processing b.JPG\nFile type JPG not supported, skipped over b.JPG\n"),
            std::string::npos);
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

}  // namespace
