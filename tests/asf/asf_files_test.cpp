// End-to-end runs of the built binary on WMA files made by ffmpeg (see
// tests/data/make_asf.sh). The expected values were taken from the files by
// exiftool -v3 and ffprobe: object sizes, creation dates, durations, tags.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"

namespace {

using test::run_tool;

const std::string kData = TAGDELVE_DATA;

std::string report(const std::string& name, const std::vector<std::string>& opts) {
  std::vector<std::string> args = opts;
  args.push_back(kData + "/" + name);
  test::RunResult r = run_tool(args);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  return r.out;
}

bool has_line(const std::string& text, const std::string& line) {
  return text.find("\n" + line + "\n") != std::string::npos;
}

TEST(AsfFiles, Wmav2WithTagsQuiet) {
  EXPECT_EQ(report("asf_wmav2_tags.wma", {}),
            "Processing " + kData + "/asf_wmav2_tags.wma\n"
            "ASF (WMA) file start\n"
            "Header object\n"
            "\tFile properties object\n"
            "\t\tFile GUID (unique): {00000000-0000-0000-0000-000000000000}\n"
            "\t\tFile size: 16872 bytes\n"
            "\t\tFile creation date: 08/23/01 14:55:02 + 0ns\n"
            "\t\tData packet count: 5\n"
            "\t\tPlay duration: 6.118 seconds\n"
            "\t\tSend duration: 3.018 seconds\n"
            "\t\tPreroll: 3.100 seconds\n"
            "\t\tMaximum bitrate: 32000 bps\n"
            "\tHeader extension object\n"
            "\tContent description object\n"
            "\t\tTitle: {Test Tone}\n"
            "\t\tAuthor: {The Sines}\n"
            "\t\tCopyright: {(c) nobody}\n"
            "\t\tDescription: {}\n"
            "\t\tRating: {}\n"
            "\tExtended content description object\n"
            "\t\t{Description} = {caf\\00e9}\n"
            "\t\t{title} = {Test Tone}\n"
            "\t\t{Author} = {The Sines}\n"
            "\t\t{WM/AlbumTitle} = {Waveforms}\n"
            "\t\t{WM/Genre} = {Electronic}\n"
            "\t\t{WM/TrackNumber} = {7}\n"
            "\t\t{copyright} = {(c) nobody}\n"
            "\tStream properties object\n"
            "\tCodec list object\n"
            "\t\tCodec type: 2, name: {Windows Media Audio V8}\n"
            "\t\t\tdescription: {}\n"
            "\n"
            "Data object\n"
            "\tFile GUID (unique): {00000000-0000-0000-0000-000000000000}\n"
            "\t\t5 data packets here\n"
            "ASF (WMA) file end\n");
}

TEST(AsfFiles, Wmav2WithTagsVerbose) {
  std::string out = report("asf_wmav2_tags.wma", {"-v"});
  const char* lines[] = {
      "Header object, Objects: 6, Reserved: <0x0102>",
      "\t\tFlags: <0x00000002>",
      "\t\tPacket size: 3200/3200",
      "\t\tReserved GUID: {abd3d211-a9ba-11cf-8ee6-00c00c205365}",
      "\t\tReserved: 6",
      "\t\tExtension size: 0",
      "\t\tTitle: UTF-16{Test Tone}",
      "\tExtended content description object, Count: 7",
      "\t\tUTF-16{WM/TrackNumber} = UTF-16{7}",
      "\t\tStream type: {f8699e40-5b4d-11cf-a8fd-00805f5c442b}",
      "\t\tError correction type: {bfc3cd50-618f-11cf-8bb2-00aa00b4e220}",
      "\t\tTime offset: 0.000 seconds",
      "\tCodec list object, Reserved: {86d15241-311d-11d0-a3a4-00a0c90348f6}, Count: 1",
      "\t\tCodec type: 2, name: UTF-16{Windows Media Audio V8}",
      "\t\t\tinformation: <0x6101 |a |>",
      "\tReserved: <0x0101>",
      "ASF (WMA) file end",
  };
  for (const char* l : lines) EXPECT_TRUE(has_line(out, l)) << l;
  EXPECT_EQ(out.substr(0, 14), "tagdelve v1.5\n");
}

// At -v -v every object has its offset line, before its heading.
TEST(AsfFiles, Wmav1WithCoverEveryObject) {
  std::string out = report("asf_wmav1_cover.wma", {"-v", "-v"});
  struct Obj {
    const char* offset_line;
    const char* heading;
  } objects[] = {
      {"Offset 0, GUID: {75b22630-668e-11cf-a6d9-00aa0062ce6c}, Length: 885",
       "Header object, Objects: 7, Reserved: <0x0102>"},
      {"Offset 30, GUID: {8cabdca1-a947-11cf-8ee4-00c00c205365}, Length: 104",
       "\tFile properties object"},
      {"Offset 134, GUID: {5fbf03b5-a92e-11cf-8ee3-00c00c205365}, Length: 156",
       "\tHeader extension object"},
      {"Offset 180, GUID: {c5f8cbea-5baf-4877-8467-aa8c44fa4cca}, Length: 110",
       "\t\tMetadata object, Count: 2"},
      {"Offset 290, GUID: {75b22633-668e-11cf-a6d9-00aa0062ce6c}, Length: 56",
       "\tContent description object"},
      {"Offset 346, GUID: {d2d0a440-e307-11d2-97f0-00a0c95ea850}, Length: 212",
       "\tExtended content description object, Count: 5"},
      {"Offset 558, GUID: {b7dc0791-a9b7-11cf-8ee6-00c00c205365}, Length: 108",
       "\tStream properties object"},
      {"Offset 666, GUID: {b7dc0791-a9b7-11cf-8ee6-00c00c205365}, Length: 129",
       "\tStream properties object"},
      {"Offset 795, GUID: {86d15240-311d-11d0-a3a4-00a0c90348f6}, Length: 90",
       "\tCodec list object, Reserved: {86d15241-311d-11d0-a3a4-00a0c90348f6}, Count: 2"},
      {"Offset 885, GUID: {75b22636-668e-11cf-a6d9-00aa0062ce6c}, Length: 16050",
       "Data object"},
      {"Offset 16935, GUID: {33000890-e5b1-11cf-89f4-00a0c90349cb}, Length: 104",
       "Simple index object, Length 80"},
  };
  size_t at = 0;
  for (const Obj& o : objects) {
    std::string pair = std::string("\n") + o.offset_line + "\n" + o.heading + "\n";
    size_t found = out.find(pair, at);
    EXPECT_NE(found, std::string::npos) << o.offset_line;
    if (found != std::string::npos) at = found + 1;
  }
  const char* lines[] = {
      "\t\tFile size: 17039 bytes",
      "\t\tFile creation date: 08/23/01 14:55:02 + 500000000ns",
      "\t\tPlay duration: 6.118 seconds",
      "\t\tExtension size: 110",
      "\t\t\tReserved: 0, Stream: 2, UTF-16{AspectRatioX} = {1}",
      "\t\t\tReserved: 0, Stream: 2, UTF-16{AspectRatioY} = {1}",
      "\t\tTitle: UTF-16{Tone}",
      "\t\tAuthor: UTF-16{Sines}",
      "\t\tUTF-16{WM/AlbumTitle} = UTF-16{Pictures}",
      "\t\tUTF-16{WM/Genre} = UTF-16{Test}",
      "\t\tUTF-16{WM/TrackNumber} = UTF-16{2}",
      "\t\tStream type: {bc19efc0-5b4d-11cf-a8fd-00805f5c442b}",
      "\t\tCodec type: 2, name: UTF-16{wmav1}",
      "\t\t\tinformation: <0x6001 |` |>",
      "\t\tCodec type: 1, name: UTF-16{mjpeg}",
      "\t\t\tinformation: <0x4d4a5047 |MJPG|>",
      "\t\t5 data packets here",
      "ASF (WMA) file end",
      "tagdelve end of job",
  };
  for (const char* l : lines) EXPECT_TRUE(has_line(out, l)) << l;
}

TEST(AsfFiles, UpperCaseExtensionIsNotWalked) {
  std::string dir = test::temp_dir();
  std::string name = dir + "/X.WMA";
  test::write_file(name, std::vector<uint8_t>(30, 0));
  test::RunResult r = run_tool({name});
  EXPECT_EQ(r.out, "Processing " + name + "\n");
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

}  // namespace
