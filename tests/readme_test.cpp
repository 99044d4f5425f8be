// The README's commands and examples, run as a new user would run them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run.h"

namespace {

const std::string kRoot = TAGDELVE_ROOT;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

struct Example {
  std::vector<std::string> args;
  std::string pipeline;             // the command line, when it pipes the report on (to jq)
  std::vector<std::string> chunks;  // runs of consecutive report lines
};

// Code blocks whose first line is "$ ./build/tagdelve ARGS".
std::vector<Example> examples(const std::string& readme) {
  std::vector<Example> found;
  std::vector<std::string> lines = lines_of(readme);
  const std::string prompt = "$ ./build/tagdelve ";
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] != "```" || lines[i + 1].compare(0, prompt.size(), prompt) != 0) continue;
    Example e;
    std::istringstream words(lines[i + 1].substr(prompt.size()));
    for (std::string w; words >> w;) e.args.push_back(w);
    if (lines[i + 1].find(" | ") != std::string::npos) e.pipeline = lines[i + 1].substr(prompt.size());
    std::string chunk;
    for (i += 2; i < lines.size() && lines[i] != "```"; ++i) {
      if (lines[i] == "...") {
        if (!chunk.empty()) e.chunks.push_back(chunk);
        chunk.clear();
      } else {
        chunk += lines[i] + "\n";
      }
    }
    if (!chunk.empty()) e.chunks.push_back(chunk);
    found.push_back(e);
  }
  return found;
}

TEST(Readme, OpensWithTheTwoSetUpCommands) {
  std::vector<std::string> lines = lines_of(test::slurp(kRoot + "/README.md"));
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(lines[4],
            "    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build -j2 && "
            "./build/tagdelve -v samples/*");
  EXPECT_EQ(lines[8],
            "    cmake -S . -B build && cmake --build build -j2 && ctest --test-dir build --output-on-failure");
}

TEST(Readme, FirstCommandReportsEverySample) {
  std::vector<std::string> args = {"-v"};
  for (const auto& entry : std::filesystem::directory_iterator(kRoot + "/samples"))
    args.push_back("samples/" + entry.path().filename().string());
  std::sort(args.begin() + 1, args.end());  // as the shell expands samples/*
  test::RunResult r = test::run_tool(args, "", kRoot);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  for (const char* walk :
       {"MPEG (MP3) file", "FLAC file", "ASF (WMA) file", "JPEG file", "TAR file", "PNG file", "TIFF file"}) {
    EXPECT_NE(r.out.find(std::string(walk) + " start\n"), std::string::npos) << walk;
    EXPECT_NE(r.out.find(std::string(walk) + " end\n"), std::string::npos) << walk;
  }
  EXPECT_EQ(r.out.find("Error: "), std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(r.out.size() - 20), "tagdelve end of job\n");
}

TEST(Readme, EveryExampleIsWhatTheToolPrints) {
  std::vector<Example> all = examples(test::slurp(kRoot + "/README.md"));
  EXPECT_GE(all.size(), 10u);
  for (const Example& e : all) {
    test::RunResult r = e.pipeline.empty() ? test::run_tool(e.args, "", kRoot) : test::run_shell(e.pipeline, kRoot);
    std::string shown;
    for (const std::string& a : e.args) shown += a + " ";
    const bool check = std::find(e.args.begin(), e.args.end(), "--check") != e.args.end();
    EXPECT_EQ(r.status, check ? 3 : 0) << shown;  // a check finds damaged files
    size_t at = 0;
    for (const std::string& chunk : e.chunks) {
      size_t found = r.out.find(chunk, at);
      EXPECT_NE(found, std::string::npos) << shown << "\n" << chunk;
      if (found != std::string::npos) at = found + chunk.size();
    }
  }
}

}  // namespace
