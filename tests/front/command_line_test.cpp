#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/report.h"
#include "front/dispatch.h"
#include "front/tool.h"
#include "support/capture.h"

namespace {

using namespace tagdelve;
using test::Captured;

struct OptionCase {
  std::vector<std::string> args;  // after the program name
  int first;                      // index of the first file name, or 0
  int verbose;
  std::string err;
  std::string set = "";           // the long options taken
};

std::string set_of(const Options& o) {
  std::string s;
  for (auto [on, name] : {std::pair{o.help, "help"}, {o.version, "version"}, {o.bad, "bad"},
                          {o.keep_going, "keep-going"}, {o.settings.detect, "detect"}, {o.settings.utf8, "utf8"},
                          {o.recursive, "recursive"}, {o.check, "check"}, {o.json, "json"}})
    if (on) s += s.empty() ? name : std::string(" ") + name;
  if (o.jobs != 1) s += " jobs " + std::to_string(o.jobs);
  return s;
}

TEST(CommandLine, Options) {
  const OptionCase cases[] = {
      {{"a.mp3"}, 1, 0, ""},
      {{"-v", "a.mp3"}, 2, 1, ""},
      {{"-v", "/V", "a.mp3"}, 3, 2, ""},
      {{"-verbose", "a.mp3"}, 2, 1, ""},
      {{"-vv", "a.mp3"}, 2, 1, ""},
      {{"-h", "a.mp3"}, 0, 0, ""},
      {{"/?", "-x", "a.mp3"}, 0, 0, ""},  // help stops the scan: -x is not looked at
      {{"-v", "-H"}, 0, 1, ""},
      {{"-x", "a.mp3"}, 2, 0, "Unknown option -x\n"},
      {{"/", "-", "a.mp3"}, 2, 0, "Unknown option /\n"},  // "-" names standard input
      {{"-v", "--", "-v", "a.mp3"}, 3, 1, ""},              // after "--", names only
      {{"--", "-"}, 2, 0, ""},
      {{"-v", "--"}, 0, 1, ""},
      // -r, -j N, --jobs N and --jobs=N; a wrong number ends the scan.
      {{"-r", "-j", "3", "--jobs=2", "--jobs", "4", "-j5", "a"}, 8, 0, "", "recursive jobs 5"},
      {{"-j", "x", "a"}, 0, 0, "Option -j needs a number of jobs\n", "bad"},
      {{"--jobs", "-1", "a"}, 0, 0, "Option --jobs needs a number of jobs\n", "bad"},
      {{"-j", "1025", "a"}, 0, 0, "Option -j needs a number of jobs\n", "bad"},
      {{"-j", "1024", "a"}, 3, 0, "", " jobs 1024"},
      {{"--check", "--json", "a"}, 3, 0, "", "check json"},
      {{"a.mp3", "-v", "-h"}, 1, 0, ""},  // options after a file name are names
      {{"-v", "-v"}, 0, 2, ""},
      {{"/home/me/song.mp3"}, 1, 0, ""},  // an absolute path is a file name
      {{"-v", "/tmp"}, 0, 1, "Unknown option /tmp\n"},  // a directory is not taken as a name
      {{"/v", "a.mp3"}, 2, 1, ""},
      // Long options: alone, among -v, and after a file name, where they are
      // names; --help and --version end the scan.
      {{"--help"}, 0, 0, "", "help"},
      {{"--version", "-v", "a.mp3"}, 0, 0, "", "version"},
      {{"-v", "--detect", "-v", "--utf8", "--keep-going", "--json", "a.mp3"}, 7, 2, "", "keep-going detect utf8 json"},
      {{"--utf8", "a.mp3", "--detect"}, 2, 0, "", "utf8"},
      {{"--verbose", "--", "--Help", "a.mp3"}, 3, 0, "Unknown option --verbose\n"},
      {{"-h", "--version"}, 0, 0, ""},
  };
  for (const OptionCase& c : cases) {
    std::vector<std::string> words{"tagdelve"};
    words.insert(words.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    Captured run;
    std::string joined;
    for (const std::string& a : c.args) joined += a + " ";
    const Options o = options(static_cast<int>(words.size()), argv.data(), *run.r);
    EXPECT_EQ(o.first, c.first) << joined;
    EXPECT_EQ(set_of(o), c.set) << joined;
    EXPECT_EQ(o.settings.verbose, c.verbose) << joined;
    EXPECT_EQ(run.errors(), c.err) << joined;
  }
}

struct PromptCase {
  const char* name;
  std::string input;
  std::vector<std::string> words;  // after word 0
  std::string shown;               // what the prompt printed
};

TEST(CommandLine, PromptWordSplitting) {
  const std::string prompt = "Enter command : ";
  const std::string more = "Continue command line: \n";
  const PromptCase cases[] = {
      {"empty line", "\n", {}, prompt},
      {"end of input", "", {}, prompt},
      {"blanks and tabs", " \t-v \t a.mp3  \n", {"-v", "a.mp3"}, prompt},
      {"double quotes", "-v \"my song.mp3\" b.mp3\n", {"-v", "my song.mp3", "b.mp3"}, prompt},
      {"single quotes", "'it \"x\".mp3' b\n", {"it \"x\".mp3", "b"}, prompt},
      {"quote ends a word", "\"ab\"cd\n", {"ab", "cd"}, prompt},
      {"empty quotes", "a \"\" b\n", {"a", "", "b"}, prompt},
      {"unclosed quote", "a 'b c\n", {"a", "b c"}, prompt},
      {"quote at the end", "a \"\n", {"a", ""}, prompt},
      {"continuation", "a.mp3 \\\nb.mp3 c\n", {"a.mp3", "b.mp3", "c"}, prompt + more},
      {"continuation twice", "\\\n-v \\\nx\n", {"-v", "x"}, prompt + more + more},
      {"backslash ending a word", "a.mp3\\\nb\n", {"a.mp3\\"}, prompt},
      {"backslash inside a word", "dir\\a.mp3 \\x\n", {"dir\\a.mp3", "\\x"}, prompt},
      {"no line end", "-v a", {"-v", "a"}, prompt},
  };
  for (const PromptCase& c : cases) {
    std::string input = c.input;
    FILE* in = fmemopen(input.data(), input.size(), "r");
    if (input.empty()) in = fopen("/dev/null", "r");
    Captured cap;
    std::vector<std::string> got = read_command(*cap.r, in, "prog");
    fclose(in);
    std::vector<std::string> want{"prog"};
    want.insert(want.end(), c.words.begin(), c.words.end());
    EXPECT_EQ(got, want) << c.name;
    EXPECT_EQ(cap.text(), c.shown) << c.name;
  }
}

TEST(CommandLine, LongPromptLinesAreKeptWhole) {
  std::string input;
  for (int i = 0; i < 300; ++i) input += "file" + std::to_string(i) + ".mp3 ";
  input += "\n";
  FILE* in = fmemopen(input.data(), input.size(), "r");
  Captured cap;
  std::vector<std::string> got = read_command(*cap.r, in, "");
  fclose(in);
  ASSERT_EQ(got.size(), 301u);
  EXPECT_EQ(got[0], "");
  EXPECT_EQ(got[300], "file299.mp3");
}

struct SplitCase {
  std::string path, dir, base, ext;
};

TEST(Dispatch, Splitpath) {
  const SplitCase cases[] = {
      {"song.mp3", "", "song", "mp3"},
      {"song.MP3", "", "song", "MP3"},
      {"README", "", "README", ""},
      {"a.tar.mp3", "", "a.tar", "mp3"},
      {"c:\\music.d\\song", "c:\\music.d", "song", ""},
      {"c:\\music\\song.flac", "c:\\music", "song", "flac"},
      {"music/track.mp3", "", "music/track", "mp3"},
      {"dir.d/readme", "", "dir", "d/readme"},
      {"trailing.", "", "trailing", ""},
      {"x.averyverylongextension", "", "x", "averyverylongextension"},
  };
  for (const SplitCase& c : cases) {
    std::string dir = "?", base = "?", ext = "?";
    splitpath(c.path, dir, base, ext);
    EXPECT_EQ(dir, c.dir) << c.path;
    EXPECT_EQ(base, c.base) << c.path;
    EXPECT_EQ(ext, c.ext) << c.path;
  }
}

struct UnsupportedCase {
  std::string name;
  int32_t verbose, depth;
  std::string want;
};

TEST(Dispatch, UnsupportedTypes) {
  const UnsupportedCase cases[] = {
      {"notes.txt", 0, -1, ""},
      {"README", 1, -1, "File type  not supported, skipped over README\n"},
      {"dir.d/readme", 2, 1, "\t\tFile type d/readme not supported, skipped over dir.d/readme\n"},
  };
  for (const UnsupportedCase& c : cases) {
    Captured cap(c.verbose, c.depth);
    Source none = Source::of_memory(nullptr, 0, cap.r.get());
    process_file(*cap.r, c.name, none);
    EXPECT_EQ(cap.text(), c.want) << c.name;
    EXPECT_EQ(cap.r->indent, c.depth) << c.name;
  }
}

}  // namespace
