// Inputs that the fuzzers once found faults with, replayed through the same
// driver (fuzz/regressions/<target>/); each must simply run to its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../fuzz/fuzz_common.h"
#include "support/run.h"

namespace {

TEST(FuzzRegressions, EveryRecordedInputRuns) {
  const std::pair<const char*, const char*> targets[] = {
      {"aiff", "aif"}, {"asf", "wma"}, {"flac", "flac"}, {"jpeg", "jpg"}, {"mp3", "mp3"},
      {"mp4", "m4a"},  {"ogg", "ogg"},  {"png", "png"},   {"tar", "tar"},  {"tiff", "tif"},
      {"wav", "wav"},
  };
  int count = 0;
  for (const auto& [name, ext] : targets) {
    std::string dir = std::string(TAGDELVE_ROOT) + "/fuzz/regressions/" + name;
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      std::string data = test::slurp(entry.path().string());
      fuzz::run(ext, reinterpret_cast<const uint8_t*>(data.data()), data.size());
      ++count;
    }
  }
  EXPECT_GT(count, 0);
}

}  // namespace
