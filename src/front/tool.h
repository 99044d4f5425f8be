// The tool proper: options, usage note and the loop over the named files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "common/report.h"

namespace tagdelve {

extern const char* const kVersion;

// What the leading options ask for. Unknown options are reported on `err`.
struct Options {
  int first = 0;            // index of the first file name; 0 when a help
                            // option was met or every argument was an option
  bool help = false;        // --help: the full help text
  bool version = false;     // --version
  bool bad = false;         // an option's value is wrong: the usage note
  bool keep_going = false;  // --keep-going: on after a file that cannot be opened
  bool recursive = false;   // -r, --recursive: folders walked
  bool check = false;       // --check: verdicts instead of reports
  bool json = false;        // --json
  int jobs = 1;             // -j, --jobs: files walked side by side (0: a job per processor)
  Settings settings;        // what every walk is asked for: -v, --detect, --utf8, --json, --check
};
Options options(int argc, char** argv, Report& run);

// The full help text (--help).
void help(Report& run);

// The usage note, on the run's standard error.
void usage(Report& run);

// Runs the tool over argv's file names. Returns 1 when there are no
// arguments, 2 when there is nothing to process (the usage note included),
// 1 when a file could not be opened, and 0 otherwise (--help and --version
// included).
int _main(int argc, char** argv, FILE* out = stdout, FILE* err = stderr);

// The console wrapper's command line: prints "Enter command : " on the
// run's report, reads a line from `in` and splits it into words (double or
// single quotes group a word; a lone backslash at the end of the line asks
// for a continuation line). Word 0 is `program`.
std::vector<std::string> read_command(Report& run, FILE* in, const std::string& program);

// The process entry: with arguments, runs _main on them; without, prompts
// for a command line on `in`, frames the run and waits for one character.
int console_main(int argc, char** argv, FILE* in, FILE* out = stdout, FILE* err = stderr);

}  // namespace tagdelve
