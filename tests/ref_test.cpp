// The reference reports: every file under tests/data/ and samples/, walked
// by the built tool at verbosity 0, 1 and 2, must give exactly the report
// committed under tests/ref/ (written by tests/ref/make_refs.sh).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run.h"

namespace {

namespace fs = std::filesystem;

struct Ref {
  std::string input;  // relative to the project root, as the tool is given it
  int verbose;
  std::string report;  // path of the reference report
};

std::vector<Ref> refs() {
  std::vector<Ref> all;
  for (const char* dir : {"tests/data", "samples"}) {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(TAGDELVE_ROOT) / dir))
      if (e.is_regular_file()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string folder = fs::path(dir).filename().string();
    for (const std::string& name : names)
      for (int v = 0; v <= 2; ++v)
        all.push_back({std::string(dir) + "/" + name, v,
                       std::string(TAGDELVE_ROOT) + "/tests/ref/" + folder + "/" + name + ".v" +
                           std::to_string(v)});
  }
  return all;
}

void PrintTo(const Ref& r, std::ostream* os) { *os << r.input << " -v x" << r.verbose; }

class Reference : public ::testing::TestWithParam<Ref> {};

TEST_P(Reference, ReportIsUnchanged) {
  const Ref& r = GetParam();
  ASSERT_TRUE(fs::exists(r.report)) << "no reference report " << r.report
                                    << " (tests/ref/make_refs.sh writes it)";
  std::vector<std::string> args(static_cast<size_t>(r.verbose), "-v");
  args.push_back(r.input);
  test::RunResult run = test::run_tool(args, "", TAGDELVE_ROOT);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, test::slurp(r.report)) << r.input << " at verbosity " << r.verbose;
}

std::string name_of(const ::testing::TestParamInfo<Ref>& info) {
  std::string n = info.param.input + "_v" + std::to_string(info.param.verbose);
  for (char& c : n)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Files, Reference, ::testing::ValuesIn(refs()), name_of);

}  // namespace
