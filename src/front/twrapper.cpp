// Process entry of tagdelve.
#include <cstdio>

#include "common/report.h"
#include "front/tool.h"

int main(int argc, char** argv) {
  // The report is written in large blocks; messages on stderr flush it first.
  // (glibc takes the size only with a buffer given.)
  static char buffer[1 << 16];
  setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  int status = tagdelve::console_main(argc, argv, stdin);
  // A report that could not be written ends with status 1.
  tagdelve::Report(tagdelve::Settings{}).flush_output();
  return status;
}
