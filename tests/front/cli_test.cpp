// End-to-end runs of the built binary.
#include <gtest/gtest.h>

#include <string>

#include "support/run.h"

namespace {

using test::run_tool;

const std::string kUsage =
    "Usage (v1.5): tagdelve [-h|-?] [-v] [-v] <filename>\n"
    "\th|?=HELP (this note)\n"
    "\tv=VERBOSE (repeat for more detail)\n";

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::temp_dir();
    test::write_file(dir_ + "/some.txt", {'h', 'i', '\n'});
  }
  void TearDown() override { std::system(("rm -rf " + test::shell_quote(dir_)).c_str()); }
  std::string dir_;
};

TEST_F(Cli, PromptWithAnEmptyLine) {
  test::RunResult r = run_tool({}, "\n");
  EXPECT_EQ(r.out,
            "Enter command : \nProgram Starting\n\n"
            "\nProgram Complete\n(hit return to exit)...");
  EXPECT_EQ(r.err, kUsage);
  EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, PromptWithEndOfInput) {
  test::RunResult r = run_tool({}, "");
  EXPECT_EQ(r.out,
            "Enter command : \nProgram Starting\n\n"
            "\nProgram Complete\n(hit return to exit)...");
  EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, PromptRunsTheTypedCommand) {
  test::RunResult r = run_tool({}, "-v \"some.txt\" \\\n-q\n\n", dir_);
  EXPECT_EQ(r.out,
            "Enter command : Continue command line: \n"
            "\nProgram Starting\n\n"
            "tagdelve v1.5\n"
            "Processing some.txt\n"
            "File type txt not supported, skipped over some.txt\n"
            "\nProgram Complete\n(hit return to exit)...");
  EXPECT_EQ(r.err, "Error: Input file -q failed to open\nError: No such file or directory\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, Help) {
  test::RunResult r = run_tool({"-h", "-x", "some.txt"}, "", dir_);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, kUsage);
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, OnlyOptions) {
  test::RunResult r = run_tool({"-v"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, kUsage);
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, MissingFileEndsTheRun) {
  test::RunResult r = run_tool({"-v", "missing.mp3", "some.txt"}, "", dir_);
  EXPECT_EQ(r.out, "tagdelve v1.5\n");
  EXPECT_EQ(r.err,
            "Error: Input file missing.mp3 failed to open\n"
            "Error: No such file or directory\n");
  EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, DirectoryFailsToOpen) {
  test::RunResult r = run_tool({dir_});
  EXPECT_EQ(r.out, "");
  std::string want = "Error: Input file ";
  want.append(dir_).append(" failed to open\nError: Is a directory\n");
  EXPECT_EQ(r.err, want);
  EXPECT_EQ(r.status, 1);
}

TEST_F(Cli, VerboseTwiceOnAnUnsupportedFile) {
  test::RunResult r = run_tool({"-v", "-v", "some.txt"}, "", dir_);
  EXPECT_EQ(r.out,
            "tagdelve v1.5\n"
            "Processing some.txt\n"
            "File type txt not supported, skipped over some.txt\n"
            "tagdelve end of job\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.status, 0);
}

TEST_F(Cli, QuietRunPrintsOnlyTheProcessingLine) {
  test::RunResult r = run_tool({"some.txt", "some.txt"}, "", dir_);
  EXPECT_EQ(r.out, "Processing some.txt\nProcessing some.txt\n");
  EXPECT_EQ(r.status, 0);
}

TEST_F(Cli, AbsolutePathIsAFileName) {
  std::string path = dir_ + "/some.txt";
  test::RunResult r = run_tool({"-v", path});
  std::string want = "tagdelve v1.5\nProcessing ";
  want.append(path).append("\nFile type txt not supported, skipped over ");
  want.append(path).append("\ntagdelve end of job\n");
  EXPECT_EQ(r.out, want);
  EXPECT_EQ(r.status, 0);
}

TEST_F(Cli, UnknownOptionGoesOn) {
  test::RunResult r = run_tool({"-x", "some.txt"}, "", dir_);
  EXPECT_EQ(r.out, "Processing some.txt\n");
  EXPECT_EQ(r.err, "Unknown option -x\n");
  EXPECT_EQ(r.status, 0);
}

}  // namespace
