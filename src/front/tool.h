// The tool proper: options, usage note and the loop over the named files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace tagdelve {

extern const char* const kVersion;

// What the leading options ask for. Reading them also sets `verbose`.
struct Options {
  int first = 0;            // index of the first file name; 0 when a help
                            // option was met or every argument was an option
  bool help = false;        // --help: the full help text
  bool version = false;     // --version
  bool keep_going = false;  // --keep-going: on after a file that cannot be opened
  bool detect = false;      // --detect: the walker chosen by content, where the name selects none
  bool utf8 = false;        // --utf8: texts shown as UTF-8
};
Options options(int argc, char** argv);

// The full help text (--help), on standard output.
void help();

// The usage note, on standard error.
void usage();

// Runs the tool over argv's file names. Returns 1 when there are no
// arguments, 2 when there is nothing to process (the usage note included),
// 1 when a file could not be opened, and 0 otherwise (--help and --version
// included).
int _main(int argc, char** argv);

// The console wrapper's command line: prints "Enter command : " on the
// report stream, reads a line from `in` and splits it into words (double or
// single quotes group a word; a lone backslash at the end of the line asks
// for a continuation line). Word 0 is `program`.
std::vector<std::string> read_command(FILE* in, const std::string& program);

// The process entry: with arguments, runs _main on them; without, prompts
// for a command line on `in`, frames the run and waits for one character.
int console_main(int argc, char** argv, FILE* in);

}  // namespace tagdelve
