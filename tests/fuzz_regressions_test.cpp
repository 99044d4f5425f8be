// Inputs that the fuzzers once found faults with, replayed through the same
// driver (fuzz/regressions/<target>/); each must simply run to its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../fuzz/fuzz_common.h"
#include "asf/asf.h"
#include "flac/flac.h"
#include "jpeg/jpeg.h"
#include "mp3/mpeg.h"
#include "support/run.h"
#include "tar/tar.h"

namespace {

TEST(FuzzRegressions, EveryRecordedInputRuns) {
  const std::pair<const char*, fuzz::Walker> targets[] = {
      {"asf", tagdelve::asf_file},   {"flac", tagdelve::flac_file}, {"jpeg", tagdelve::jpeg_file},
      {"mp3", tagdelve::mpeg_file},  {"tar", tagdelve::tar_file},
  };
  FILE* saved_out = tagdelve::out;
  FILE* saved_err = tagdelve::err_out;
  int count = 0;
  for (const auto& [name, walker] : targets) {
    std::string dir = std::string(TAGDELVE_ROOT) + "/fuzz/regressions/" + name;
    if (!std::filesystem::is_directory(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      std::string data = test::slurp(entry.path().string());
      fuzz::run(walker, reinterpret_cast<const uint8_t*>(data.data()), data.size());
      ++count;
    }
  }
  tagdelve::out = saved_out;
  tagdelve::err_out = saved_err;
  tagdelve::indent = -1;
  EXPECT_GT(count, 0);
}

}  // namespace
