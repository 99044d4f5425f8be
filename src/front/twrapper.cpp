// Process entry of tagdelve.
#include <cstdio>

#include "common/output.h"
#include "front/tool.h"

int main(int argc, char** argv) {
  // The report is written in large blocks; messages on stderr flush it first.
  static char buffer[1 << 16];
  setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  int status = tagdelve::console_main(argc, argv, stdin);
  tagdelve::flush_output();  // a report that could not be written ends with status 1
  return status;
}
