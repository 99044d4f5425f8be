// Whole libraries: folders walked with -r, files walked side by side with -j,
// --check, standard input, and the progress line on a terminal. The tree is
// made by the test: nested folders, a link loop, a FIFO, a dangling link, a
// folder that cannot be read, upper-case, missing and wrong extensions.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/run.h"

namespace {

// The lines of a report that say what was walked or skipped, in order.
std::string walked(const std::string& out) {
  std::string lines;
  size_t at = 0;
  while (at < out.size()) {
    const size_t end = out.find('\n', at);
    const std::string line = out.substr(at, end - at);
    for (const char* head : {"Processing ", "Skipped over ", "Walked by content as FLAC, not"})
      if (line.compare(0, strlen(head), head) == 0) lines += line + "\n";
    at = end == std::string::npos ? out.size() : end + 1;
  }
  return lines;
}

TEST(Library, FoldersChecksAndJobs) {
  const std::string dir = test::temp_dir(), lib = dir + "/lib";
  // An empty ID3v2 tag, then two free-format frame headers.
  const std::vector<uint8_t> frames = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 0, 0xFF, 0xFB, 0, 0, 0xFF, 0xFB, 0, 0};
  const std::vector<uint8_t> flac = {'f', 'L', 'a', 'C', 0x80, 0, 0, 34, 0x10};  // STREAMINFO cut
  mkdir(lib.c_str(), 0755);
  mkdir((lib + "/sub").c_str(), 0755);
  for (const char* name : {"/a.mp3", "/B.MP3", "/c"}) test::write_file(lib + name, frames);
  test::write_file(lib + "/d.mp3", flac);  // a FLAC file named .mp3
  test::write_file(lib + "/sub/e.flac", flac);
  test::write_file(lib + "/z.txt", {'z'});
  mkfifo((lib + "/sub/fifo").c_str(), 0644);
  symlink("..", (lib + "/sub/loop").c_str());         // back to lib: walked once
  symlink("nowhere", (lib + "/sub/gone.mp3").c_str());  // cannot be opened
  // A folder that cannot be read. Root reads any, so then the tool runs as
  // nobody, where nobody may run it (not from a build under /root).
  chmod(dir.c_str(), 0755);
  std::vector<std::string> as;
  if (geteuid() == 0) as = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  const bool locked = as.empty() || test::run_tool({"--version"}, "", dir, "", false, as).status == 0;
  if (!locked) as.clear();
  if (locked) mkdir((lib + "/locked").c_str(), 0);
  const std::string walk = "Processing lib/B.MP3\nProcessing lib/a.mp3\nProcessing lib/c\nProcessing lib/d.mp3\n";
  const std::string not_opened =
      std::string(locked ? "Error: Folder lib/locked failed to open\nError: Permission denied\n" : "") +
      "Error: Input file lib/sub/gone.mp3 failed to open\nError: No such file or directory\n";
  const struct {
    std::vector<std::string> args;
    int status;
    std::string lines, err;
  } rows[] = {
      // Names in byte order, folders walked where they stand; a FIFO and a
      // folder reached again are skipped with a note at -v; a dangling link
      // is reported and the walk goes on.
      {{"-r", "lib"}, 1, walk + "Processing lib/sub/e.flac\nProcessing lib/z.txt\n", not_opened},
      {{"-v", "-r", "lib"}, 1,
       walk + "Processing lib/sub/e.flac\nSkipped over lib/sub/fifo: a FIFO\n"
              "Skipped over lib/sub/loop: a folder walked already\nProcessing lib/z.txt\n",
       not_opened},
      // The content of a file named for another format wins with --detect.
      {{"--detect", "-v", "lib/d.mp3"}, 0,
       "Processing lib/d.mp3\nWalked by content as FLAC, not as its extension says: lib/d.mp3\n", ""},
      // Without -r a folder is refused, and the run stops there.
      {{"lib", "lib/a.mp3"}, 1, "", "Error: Input file lib failed to open\nError: Is a directory\n"},
      {{"--check", "-r", "lib"}, 1, "",
       not_opened + "3 files checked, 2 damaged, 5 skipped, " + (locked ? "2" : "1") + " could not be opened\n"},
      {{"--check", "lib/a.mp3", "lib/d.mp3", "lib/z.txt"}, 3, "",
       "2 files checked, 1 damaged, 1 skipped, 0 could not be opened\n"},
  };
  for (const auto& row : rows) {
    std::string shown;
    for (const std::string& a : row.args) shown += a + " ";
    for (const char* jobs : {"1", "3"}) {
      std::vector<std::string> args = {"-j", jobs};
      args.insert(args.end(), row.args.begin(), row.args.end());
      const test::RunResult r = test::run_tool(args, "", dir, "", false, as);
      EXPECT_EQ(r.status, row.status) << shown << "-j " << jobs;
      EXPECT_EQ(walked(r.out), row.lines) << shown << "-j " << jobs;
      EXPECT_EQ(r.err, row.err) << shown << "-j " << jobs;
    }
  }
  // The verdicts name the damaged files with their first error.
  const test::RunResult check = test::run_tool({"--check", "-r", "lib"}, "", dir, "", false, as);
  EXPECT_EQ(check.out,
            "lib/d.mp3: Frame header <0x664c6143> not recognised\n"
            "lib/sub/e.flac: File ends inside the Streaminfo metadata block at offset 9: 33 more bytes expected\n");
  // Standard input as "-".
  const test::RunResult in = test::run_tool({"--detect", "-"}, std::string(frames.begin(), frames.end()), dir);
  EXPECT_EQ(walked(in.out), "Processing -\n");
  EXPECT_NE(in.out.find("\tData frames: 2\n"), std::string::npos) << in.out;
  chmod((lib + "/locked").c_str(), 0755);
  std::system(("rm -rf " + test::shell_quote(dir)).c_str());
}

// -j 4 writes what -j 1 writes, byte for byte, on both streams: every case
// file and real file, as text at -v -v, as JSON and as verdicts.
TEST(Library, JobsWriteWhatOneJobWrites) {
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"-v", "-v"}, {"--json", "-v"}, {"--check", "--keep-going"}}) {
    std::vector<std::string> args = options;
    args.insert(args.end(), {"-r", "tests/cases", "tests/data", "samples", "missing.mp3"});
    args.insert(args.begin(), {"-j", "1"});
    const test::RunResult one = test::run_tool(args, "", TAGDELVE_ROOT);
    args[1] = "4";
    const test::RunResult four = test::run_tool(args, "", TAGDELVE_ROOT);
    EXPECT_EQ(one.status, four.status) << options[0];
    EXPECT_GT(one.out.size(), 10000u) << options[0];
    EXPECT_TRUE(one.out == four.out) << options[0];
    EXPECT_EQ(one.err, four.err) << options[0];
  }
}

// On a terminal (standard output not one), a run of more than a second shows
// a progress line on standard error, and erases it at the end.
TEST(Library, ProgressOnATerminal) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string tty = ptsname(master);
  int feed[2];
  ASSERT_EQ(pipe(feed), 0);
  fcntl(feed[1], F_SETFD, FD_CLOEXEC);  // the tool must see the end of its input
  // Standard input fed slowly: the walk of "-" lasts about 1.5 s.
  std::thread writer([fd = feed[1]] {
    const unsigned char frame[4] = {0xFF, 0xFB, 0x00, 0x00};
    for (int i = 0; i < 6; ++i) {
      usleep(250000);
      if (write(fd, frame, 4) != 4) break;
    }
    close(fd);
  });
  const std::string command = "exec " + test::shell_quote(TAGDELVE_BIN) + " --detect - 0<&" +
                              std::to_string(feed[0]) + " 2>" + test::shell_quote(tty) + " >/dev/null";
  const int status = std::system(command.c_str());
  writer.join();
  close(feed[0]);
  std::string shown;
  char buf[4096];
  fcntl(master, F_SETFL, O_NONBLOCK);
  for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) shown.append(buf, static_cast<size_t>(n));
  close(master);
  EXPECT_EQ(status, 0);
  EXPECT_NE(shown.find(" MiB read, "), std::string::npos) << shown;
  EXPECT_EQ(shown.substr(shown.size() - 4), "\r\x1b[K") << shown;
}

}  // namespace
