// The reference reports: every file under tests/data/, samples/ and the
// folders of tests/cases/, walked by the built tool at verbosity 0, 1 and 2,
// must give exactly the report committed under tests/ref/ (written by
// tests/ref/make_refs.sh). The files of a folder tests/cases/<name>-<option>
// are walked with --<option>. The same walk in this process, through a read
// buffer of a few bytes so that every item crosses refills, must give the
// same lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/printers.h"
#include "front/dispatch.h"
#include "support/capture.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;

struct Ref {
  std::string input;  // relative to the project root, as the tool is given it
  int verbose;
  std::string report;  // path of the reference report
  std::string option;  // "--detect", "--utf8" or none
};

std::vector<Ref> refs() {
  const fs::path root = TAGDELVE_ROOT;
  std::vector<std::string> dirs = {"tests/data", "samples"};
  std::vector<std::string> cases;
  for (const fs::directory_entry& e : fs::directory_iterator(root / "tests/cases"))
    if (e.is_directory()) cases.push_back("tests/cases/" + e.path().filename().string());
  std::sort(cases.begin(), cases.end());
  dirs.insert(dirs.end(), cases.begin(), cases.end());
  std::vector<Ref> all;
  for (const std::string& dir : dirs) {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::directory_iterator(root / dir))
      if (e.is_regular_file()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    const std::string folder = dir.compare(0, 6, "tests/") == 0 ? dir.substr(6) : dir;
    const std::string base = fs::path(dir).filename().string();
    const size_t dash = base.rfind('-');
    const std::string option = dash == std::string::npos ? "" : "--" + base.substr(dash + 1);
    for (const std::string& name : names)
      for (int v = 0; v <= 2; ++v)
        all.push_back({dir + "/" + name, v,
                       (root / "tests/ref" / folder / (name + ".v" + std::to_string(v))).string(), option});
  }
  return all;
}

void PrintTo(const Ref& r, std::ostream* os) { *os << r.input << " -v x" << r.verbose; }

class Reference : public ::testing::TestWithParam<Ref> {};

TEST_P(Reference, ReportIsUnchanged) {
  const Ref& r = GetParam();
  ASSERT_TRUE(fs::exists(r.report)) << "no reference report " << r.report
                                    << " (tests/ref/make_refs.sh writes it)";
  const std::string want = test::slurp(r.report);
  std::vector<std::string> args(static_cast<size_t>(r.verbose), "-v");
  if (!r.option.empty()) args.insert(args.begin(), r.option);
  args.push_back(r.input);
  test::RunResult run = test::run_tool(args, "", TAGDELVE_ROOT);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, want) << r.input << " at verbosity " << r.verbose;

  // In this process, read 7 bytes at a time: the walk's lines, without the
  // banner, the "Processing" line and the end-of-job line.
  const std::string data = test::slurp(std::string(TAGDELVE_ROOT) + "/" + r.input);
  tagdelve::detect_content = r.option == "--detect";
  tagdelve::utf8_text = r.option == "--utf8";
  const std::string walk =
      test::walk_as(r.input, std::vector<uint8_t>(data.begin(), data.end()), r.verbose, 7, test::MemStream::kFile);
  tagdelve::detect_content = tagdelve::utf8_text = false;
  std::string body = want.substr(want.find('\n', r.verbose > 0 ? want.find('\n') + 1 : 0) + 1);
  if (r.verbose > 0) body.resize(body.size() - std::string("tagdelve end of job\n").size());
  EXPECT_EQ(walk, body) << r.input << " at verbosity " << r.verbose << ", read 7 bytes at a time";
}

std::string name_of(const ::testing::TestParamInfo<Ref>& info) {
  std::string n = info.param.input + "_v" + std::to_string(info.param.verbose);
  for (char& c : n)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Files, Reference, ::testing::ValuesIn(refs()), name_of);

}  // namespace
