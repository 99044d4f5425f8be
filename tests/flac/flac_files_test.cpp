// End-to-end runs on FLAC files made by the reference encoder (see
// tests/data/make_flac.sh); expected values follow `metaflac --list`.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"

namespace {

const std::string kData = TAGDELVE_DATA;

TEST(FlacFiles, TaggedFileWithPicturesAtVerbose2) {
  test::RunResult r = test::run_tool({"-v", "-v", kData + "/flac_tagged.flac"});
  ASSERT_EQ(r.status, 0);
  const std::string& out = r.out;
  const char* const pieces[] = {
      "FLAC file start\n"
      "Offset 4, Type: 0, Last=0\n"
      "Streaminfo metadata block, Length: 34\n"
      "\tMin blk: 4096, Max blk: 4096, Min frm: 593, Max frm: 593\n"
      "\tSample rate: 8000Hz, 1 Channels, 16 Bits\n"
      "\tTotal samples: 2000, MD5: <0x1bb93ec713a999aafba38a6344023711>\n"
      "Offset 42, Type: 3, Last=0\n"
      "Seektable metadata block, Length: 18\n"
      "\tLength: 18\n"
      "Offset 64, Type: 4, Last=0\n"
      "Vorbis_Comment metadata block, Length: 73\n"
      "\tVendor: UTF-8{reference libFLAC 1.4.2 20221022}\n"
      "\tUTF-8{TITLE=Tone}\n"
      "\tUTF-8{ARTIST=tagdelve}\n"
      "Offset 141, Type: 6, Last=0\n"
      "Picture metadata block, Length: 333\n"
      "\tType: 3 [Cover (front)]\n"
      "\tMIME: ISO-8859-1{image/jpeg}, Description: UTF-8{front}\n"
      "\tWidth: 8, Height: 8, Depth: 24, Colours: 0, Binary: 286 bytes\n"
      "\t\tJPEG content, Length: 286\n"
      "\tJPEG file start\n"
      "\tOffset 0, JPEG marker: 0xffd8\n"
      "\tSOI marker [Start of Image]\n",
      // The picture's last two bytes are its EOI: no padding line.
      "\tEOI marker [End of Image]\n"
      "\tJPEG file end\n"
      "Offset 478, Type: 6, Last=0\n"
      "Picture metadata block, Length: 128\n"
      "\tType: 4 [Cover (back)]\n"
      "\tMIME: ISO-8859-1{image/png}, Description: UTF-8{back}\n"
      "\tWidth: 4, Height: 4, Depth: 24, Colours: 0, Binary: 83 bytes\n"
      "Offset 610, Type: 1, Last=1\n"
      "Padding metadata block, Length: 64\n"
      "FLAC audio data\n"
      "FLAC file end\n"
      "tagdelve end of job\n",
  };
  for (const char* p : pieces) EXPECT_NE(out.find(p), std::string::npos) << p << "\n---\n" << out;
}

TEST(FlacFiles, CuesheetFileAtEachLevel) {
  std::string file = kData + "/flac_cuesheet.flac";
  test::RunResult r0 = test::run_tool({file});
  EXPECT_EQ(r0.out,
            "Processing " + file +
                "\n"
                "FLAC file start\n"
                "Streaminfo metadata block\n"
                "\tSample rate: 8000Hz, 1 Channels, 16 Bits\n"
                "Seektable metadata block\n"
                "Cuesheet metadata block\n"
                "\tCatalogue number: 1234567890123\n"
                "Vorbis_Comment metadata block\n"
                "\tVendor: {reference libFLAC 1.4.2 20221022}\n"
                "FLAC audio data\n"
                "FLAC file end\n");
  test::RunResult r1 = test::run_tool({"-v", file});
  EXPECT_NE(r1.out.find("Cuesheet metadata block\n"
                        "\tCatalogue number: 1234567890123, Data: 352 bytes\n"),
            std::string::npos)
      << r1.out;
}

}  // namespace
