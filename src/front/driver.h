// The many-files driver: the files named on the command line and, with -r,
// those found in the folders named, walked one after another or side by side
// (-j), their reports written in the order of the names, or only their
// verdicts (--check).
#pragma once

#include <cstdio>

#include "common/report.h"

namespace tagdelve {

// What a run asks for beyond each walk's settings.
struct RunSettings {
  Settings walk;            // for every walk (--check sets its mode to check)
  bool keep_going = false;  // --keep-going: on after a file that cannot be opened
  bool recursive = false;   // -r: the files of folders named, and of their folders
  int jobs = 1;             // -j: files walked side by side
  bool json = false;        // --json (with --check: the verdicts as JSON Lines)
};

// Walks the `count` files (or folders) named, writing the reports on `out`
// and the messages on `err`; returns the exit status: 0, 1 when a file could
// not be opened or read to its end (or the report not written), 3 with
// --check when a file is damaged. *stopped tells whether the run stopped at
// a file that could not be opened.
int walk_files(const RunSettings& s, char* const* names, int count, FILE* out, FILE* err, bool* stopped);

}  // namespace tagdelve
