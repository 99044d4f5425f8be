// The report of a JPEG must not depend on where the reads end. Every case of
// tests/cases/jpeg, walked from memory and through read buffers that end
// inside, at and just after the 64-byte blocks the entropy-coded data is
// looked over in, gives its reference report at verbosity 0.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/capture.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;

TEST(JpegBuffers, ReportDoesNotDependOnTheReadBuffer) {
  const fs::path root = TAGDELVE_ROOT;
  for (const fs::directory_entry& e : fs::directory_iterator(root / "tests/cases/jpeg")) {
    const std::string name = e.path().filename().string(), data = test::slurp(e.path().string());
    std::string want = test::slurp((root / "tests/ref/cases/jpeg" / (name + ".v0")).string());
    want.erase(0, want.find('\n') + 1);  // the "Processing" line
    for (size_t buffer : {0, 3, 64, 65, 100, 129})
      EXPECT_EQ(test::walk_as(name, {data.begin(), data.end()}, 0, buffer, test::MemStream::kFile), want)
          << name << ", read buffer " << buffer;
  }
}

}  // namespace
