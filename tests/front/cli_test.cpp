// What only a real process shows: exit statuses, the prompt's framing, the
// messages on standard error, a run that stops or goes on at a file that
// cannot be opened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run.h"

namespace {

const std::string kUsage =
    "Usage (v1.5): tagdelve [-h|-?] [-v] [-v] <filename>\n"
    "\th|?=HELP (this note)\n"
    "\tv=VERBOSE (repeat for more detail)\n";
const std::string kFramed = "\nProgram Starting\n\n";
const std::string kClosed = "\nProgram Complete\n(hit return to exit)...";

TEST(Cli, RunsOfTheTool) {
  const std::string dir = test::temp_dir();
  test::write_file(dir + "/some.txt", {'h', 'i', '\n'});
  std::vector<uint8_t> frames(104 * 2000, 0);  // frames of MPEG-1 layer III, 32 kbit/s
  for (size_t at = 0; at < frames.size(); at += 104) frames[at] = 0xFF, frames[at + 1] = 0xFB, frames[at + 2] = 0x10;
  test::write_file(dir + "/long.mp3", frames);
  frames.resize(208);  // two of them
  test::write_file(dir + "/song.dat", frames);
  // A file the kernel refuses to read: /proc/self/mem at offset 0 (EIO).
  symlink("/proc/self/mem", (dir + "/mem.mp3").c_str());
  const std::string missing = "Error: Input file missing.mp3 failed to open\nError: No such file or directory\n";
  const std::string directory = "Error: Input file " + dir + " failed to open\nError: Is a directory\n";
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string input;  // typed at the prompt
    int status;
    std::string out, err;
  } cases[] = {
      {"prompt, empty line", {}, "\n", 1, "Enter command : " + kFramed + kClosed, kUsage},
      {"prompt, end of input", {}, "", 1, "Enter command : " + kFramed + kClosed, kUsage},
      {"prompt runs the typed command", {}, "-v \"some.txt\" \\\n-q\n\n", 1,
       "Enter command : Continue command line: \n" + kFramed +
           "tagdelve v1.5\nProcessing some.txt\nFile type txt not supported, skipped over some.txt\n" + kClosed,
       "Error: Input file -q failed to open\nError: No such file or directory\n"},
      {"help stops the scan", {"-h", "-x", "some.txt"}, "", 2, "", kUsage},
      {"only options", {"-v"}, "", 2, "", kUsage},
      {"unknown option goes on", {"-x", "some.txt"}, "", 0, "Processing some.txt\n", "Unknown option -x\n"},
      {"quiet run", {"some.txt", "some.txt"}, "", 0, "Processing some.txt\nProcessing some.txt\n", ""},
      {"verbose twice, unsupported type", {"-v", "-v", "some.txt"}, "", 0,
       "tagdelve v1.5\nProcessing some.txt\nFile type txt not supported, skipped over some.txt\n"
       "tagdelve end of job\n",
       ""},
      {"an absolute path is a name", {dir + "/some.txt"}, "", 0, "Processing " + dir + "/some.txt\n", ""},
      {"a missing file ends the run", {"-v", "missing.mp3", "some.txt"}, "", 1, "tagdelve v1.5\n", missing},
      {"a directory is refused", {dir}, "", 1, "", directory},
      {"--version", {"--version", "-x"}, "", 0, "tagdelve 1.5\n", ""},
      {"--keep-going", {"--keep-going", "missing.mp3", dir, "some.txt"}, "", 1, "Processing some.txt\n",
       missing + directory},
      {"--keep-going, every file opened", {"--keep-going", "some.txt"}, "", 0, "Processing some.txt\n", ""},
      {"a read error ends the file's walk, and the run goes on", {"mem.mp3", "some.txt"}, "", 1,
       "Processing mem.mp3\nMPEG (MP3) file start\nError: reading mem.mp3 failed: Input/output error\nStatistics\n"
       "\tData frames: 0\n\tRunning time: 0m 0.000s\n\tConstant bitrate: none\n\tFile length: 0bytes\n"
       "MPEG (MP3) file end\nProcessing some.txt\n",
       ""},
      {"after --utf8, messages escape ill-formed bytes", {"--utf8", "-x\xe9", "some.txt"}, "", 0,
       "Processing some.txt\n", "Unknown option -x\\e9\n"},
      {"--json: a file not opened, a file skipped", {"--json", "--keep-going", "missing.mp3", "some.txt"}, "", 1,
       "{\"file\":\"missing.mp3\",\"size\":null,\"status\":\"not opened\",\"errors\":[{\"message\":"
       "\"Input file missing.mp3 failed to open: No such file or directory\"}]}\n"
       "{\"file\":\"some.txt\",\"size\":3,\"status\":\"skipped\",\"extension\":\"txt\",\"errors\":[]}\n",
       missing},
  };
  for (const auto& c : cases) {
    test::RunResult r = test::run_tool(c.args, c.input, dir);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
  }
  // Without a standard input the first file opened gets descriptor 0.
  test::RunResult r = test::run_tool({"some.txt"}, "", dir, "", true);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Processing some.txt\n");
  EXPECT_EQ(r.err, "");
  // The content picks the walker, one line before its start line.
  r = test::run_tool({"--detect", "-v", "song.dat"}, "", dir);
  EXPECT_NE(r.out.find("Processing song.dat\nWalked by content as MP3: song.dat\nMPEG (MP3) file start\n"),
            std::string::npos)
      << r.out;
  // A report that cannot be written ends the run with an error: found when
  // it is flushed at the end, or, for a long one, when the buffer fills;
  // with -j, by the first write that fails.
  for (const char* song : {"song.dat", "long.mp3"})
    for (const char* json : {"-v", "--json"})
      for (const char* jobs : {"1", "2"}) {
        r = test::run_tool({"-j", jobs, json, "-v", "-v", song, song}, "", dir, "/dev/full");
        EXPECT_EQ(r.status, 1) << song << json << jobs;
        EXPECT_EQ(r.err, "Error: writing the report failed: No space left on device\n") << song << json << jobs;
      }
  // A reader that stops early ends the run quietly, workers and all.
  r = test::run_shell("-j 2 -v -v -r tests | head -c 1000 >/dev/null", TAGDELVE_ROOT);
  EXPECT_EQ(r.err, "");
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

TEST(Cli, HelpTellsEveryOptionAndExitStatus) {
  test::RunResult r = test::run_tool({"--help", "missing.mp3"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, test::slurp(std::string(TAGDELVE_ROOT) + "/tests/ref/help.txt"));
  for (const char* word : {"-v, /v", "-h, -?", "--help", "--version", "--detect", "--keep-going", "--utf8",
                           "mp3", "flac", "wma", "jpg, jpeg", "tar", "Exit status", "Verbosity"})
    EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

}  // namespace
