// End-to-end runs of the built binary on WMA files made by ffmpeg (see
// tests/data/make_asf.sh), at verbose 0, 1 and 2. The expected values were
// taken from the files by exiftool -v3 and ffprobe: object sizes, creation
// dates, durations, tags. Only distinctive lines are checked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run.h"

namespace {

TEST(AsfFiles, KeyLinesInOrder) {
  const struct {
    const char* file;
    std::vector<std::string> opts;
    std::vector<std::string> lines;  // each one or more whole lines, in order
  } cases[] = {
      {"asf_wmav2_tags.wma", {},
       {"ASF (WMA) file start\nHeader object\n\tFile properties object",
        "\t\tFile creation date: 08/23/01 14:55:02 + 0ns",
        "\t\tPlay duration: 6.118 seconds\n\t\tSend duration: 3.018 seconds\n"
        "\t\tPreroll: 3.100 seconds\n\t\tMaximum bitrate: 32000 bps",
        "\tContent description object\n\t\tTitle: {Test Tone}\n\t\tAuthor: {The Sines}",
        "\tExtended content description object\n\t\t{Description} = {caf\\00e9}",
        "\t\t{WM/TrackNumber} = {7}",
        "\tStream properties object\n\tCodec list object",  // no stream fields at verbose 0
        "\t\tCodec type: 2, name: {Windows Media Audio V8}\n\t\t\tdescription: {}\n",
        "\t\t5 data packets here\nASF (WMA) file end"}},
      {"asf_wmav2_tags.wma", {"-v"},
       {"Header object, Objects: 6, Reserved: <0x0102>",
        "\t\tFlags: <0x00000002>\n\t\tPacket size: 3200/3200",
        "\tExtended content description object, Count: 7",
        "\t\tStream type: {f8699e40-5b4d-11cf-a8fd-00805f5c442b}",
        "\tCodec list object, Reserved: {86d15241-311d-11d0-a3a4-00a0c90348f6}, Count: 1\n",
        "\t\t\tinformation: <0x6101 |a |>"}},
      // Every object has its offset line, in file order.
      {"asf_wmav1_cover.wma", {"-v", "-v"},
       {"Offset 0, GUID: {75b22630-668e-11cf-a6d9-00aa0062ce6c}, Length: 885",
        "Offset 30, GUID: {8cabdca1-a947-11cf-8ee4-00c00c205365}, Length: 104",
        "\t\tFile creation date: 08/23/01 14:55:02 + 500000000ns",
        "Offset 134, GUID: {5fbf03b5-a92e-11cf-8ee3-00c00c205365}, Length: 156",
        "Offset 180, GUID: {c5f8cbea-5baf-4877-8467-aa8c44fa4cca}, Length: 110",
        "\t\t\tReserved: 0, Stream: 2, UTF-16{AspectRatioX} = {1}",
        "Offset 290, GUID: {75b22633-668e-11cf-a6d9-00aa0062ce6c}, Length: 56",
        "\t\tTitle: UTF-16{Tone}\n\t\tAuthor: UTF-16{Sines}",
        "Offset 346, GUID: {d2d0a440-e307-11d2-97f0-00a0c95ea850}, Length: 212",
        "\t\tUTF-16{WM/AlbumTitle} = UTF-16{Pictures}",
        "Offset 558, GUID: {b7dc0791-a9b7-11cf-8ee6-00c00c205365}, Length: 108",
        "Offset 666, GUID: {b7dc0791-a9b7-11cf-8ee6-00c00c205365}, Length: 129",
        "\t\tStream type: {bc19efc0-5b4d-11cf-a8fd-00805f5c442b}",
        "Offset 795, GUID: {86d15240-311d-11d0-a3a4-00a0c90348f6}, Length: 90",
        "\t\tCodec type: 1, name: UTF-16{mjpeg}",
        "Offset 885, GUID: {75b22636-668e-11cf-a6d9-00aa0062ce6c}, Length: 16050",
        "\t\t5 data packets here",
        "Offset 16935, GUID: {33000890-e5b1-11cf-89f4-00a0c90349cb}, Length: 104\n"
        "Simple index object, Length 80\nASF (WMA) file end"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.opts;
    args.push_back(std::string(TAGDELVE_DATA) + "/" + c.file);
    test::RunResult r = test::run_tool(args);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    size_t at = 0;
    for (const std::string& l : c.lines) {
      size_t found = r.out.find("\n" + l + "\n", at);
      EXPECT_NE(found, std::string::npos) << c.file << " at " << c.opts.size() << ": " << l;
      if (found != std::string::npos) at = found + 1;
    }
  }
}

}  // namespace
