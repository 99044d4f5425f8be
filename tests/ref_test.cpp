// The reference reports: every file under tests/data/, samples/ and the
// folders of tests/cases/, walked by the built tool at verbosity 0, 1 and 2,
// must give exactly the report committed under tests/ref/ (written by
// tests/ref/make_refs.sh). The files of a folder tests/cases/<name>-<option>
// are walked with --<option> (the option is all that follows the first '-':
// jpeg-all-ifds is walked with --all-ifds). The same walk in this process,
// through a read buffer of a few bytes so that every item crosses refills,
// must give the same lines (of the text).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "front/dispatch.h"
#include "support/capture.h"
#include "support/run.h"

namespace {

namespace fs = std::filesystem;

// A folder of inputs, walked with its option ("--detect", "--utf8" or none).
struct Folder {
  std::string dir;     // relative to the project root, as the tool is given it
  std::string refs;    // where its reference reports stand
  std::string option;
};

std::vector<Folder> folders() {
  const fs::path root = TAGDELVE_ROOT;
  std::vector<std::string> dirs;
  for (const fs::directory_entry& e : fs::directory_iterator(root / "tests/cases"))
    if (e.is_directory()) dirs.push_back("tests/cases/" + e.path().filename().string());
  std::sort(dirs.begin(), dirs.end());
  dirs.insert(dirs.begin(), {"tests/data", "samples"});
  std::vector<Folder> all;
  for (const std::string& dir : dirs) {
    const std::string folder = dir.compare(0, 6, "tests/") == 0 ? dir.substr(6) : dir;
    const std::string base = fs::path(dir).filename().string();
    const size_t dash = base.find('-');
    all.push_back({dir, (root / "tests/ref" / folder).string(),
                   dash == std::string::npos ? "" : "--" + base.substr(dash + 1)});
  }
  return all;
}

void PrintTo(const Folder& f, std::ostream* os) { *os << f.dir; }

class Reference : public ::testing::TestWithParam<Folder> {};

// One file at one verbosity: the tool's report, and the walk in this process.
void check(const Folder& f, const std::string& name, int verbose) {
  const std::string input = f.dir + "/" + name, report = f.refs + "/" + name + ".v" + std::to_string(verbose);
  SCOPED_TRACE(input + " at verbosity " + std::to_string(verbose));
  ASSERT_TRUE(fs::exists(report)) << "no reference report " << report << " (tests/ref/make_refs.sh writes it)";
  const std::string want = test::slurp(report);
  std::vector<std::string> args(static_cast<size_t>(verbose), "-v");
  if (!f.option.empty()) args.insert(args.begin(), f.option);
  args.push_back(input);
  test::RunResult run = test::run_tool(args, "", TAGDELVE_ROOT);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, want);
  if (f.option == "--json") return;  // the object around a JSON walk is the driver's

  // In this process, read 7 bytes at a time from a file in memory (from a
  // pipe at verbosity 1, whose end is not known ahead): the walk's lines,
  // without the banner, the "Processing" line and the end-of-job line.
  const std::string data = test::slurp(std::string(TAGDELVE_ROOT) + "/" + input);
  tagdelve::Settings options;
  options.detect = f.option == "--detect";
  options.utf8 = f.option == "--utf8";
  options.all_ifds = f.option == "--all-ifds";
  const std::string walk =
      test::walk_as(input, std::vector<uint8_t>(data.begin(), data.end()), verbose, 7,
                    verbose == 1 ? test::MemStream::kPipe : test::MemStream::kFile, options);
  std::string body = want.substr(want.find('\n', verbose > 0 ? want.find('\n') + 1 : 0) + 1);
  if (verbose > 0) body.resize(body.size() - std::string("tagdelve end of job\n").size());
  EXPECT_EQ(walk, body) << "read 7 bytes at a time" << (verbose == 1 ? " from a pipe" : "");
}

TEST_P(Reference, ReportsAreUnchanged) {
  const Folder& f = GetParam();
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(fs::path(TAGDELVE_ROOT) / f.dir))
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names)
    for (int verbose = 0; verbose <= 2; ++verbose) check(f, name, verbose);
}

std::string name_of(const ::testing::TestParamInfo<Folder>& info) {
  std::string n = info.param.dir;
  for (char& c : n)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Folders, Reference, ::testing::ValuesIn(folders()), name_of);

}  // namespace
