// Runs the built tagdelve binary and collects what it printed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace test {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

inline std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'')
      q += "'\\''";
    else
      q += c;
  }
  return q + "'";
}

// A fresh scratch directory for one test.
inline std::string temp_dir() {
  char tmpl[] = "/tmp/tagdelve_test_XXXXXX";
  const char* d = mkdtemp(tmpl);
  return d ? d : "/tmp";
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs the tool with `args` and `input` on its standard input. With
// no_stdin, standard input is closed-at-end /dev/null.
// With `report_to`, standard output goes there (e.g. /dev/full) instead.
inline RunResult run_tool(const std::vector<std::string>& args, const std::string& input = "",
                          const std::string& cwd = "", const std::string& report_to = "") {
  std::string dir = temp_dir();
  std::string in = dir + "/stdin", out = report_to.empty() ? dir + "/stdout" : report_to, err = dir + "/stderr";
  {
    std::ofstream f(in, std::ios::binary);
    f << input;
  }
  // Built with append: g++ 12 warns falsely (-Wrestrict) on "literal" + string.
  std::string cmd;
  if (!cwd.empty()) cmd.append("cd ").append(shell_quote(cwd)).append(" && ");
  cmd.append(shell_quote(TAGDELVE_BIN));
  for (const std::string& a : args) cmd.append(" ").append(shell_quote(a));
  cmd.append(" <").append(shell_quote(in)).append(" >").append(shell_quote(out));
  cmd.append(" 2>").append(shell_quote(err));
  RunResult r;
  int rc = std::system(cmd.c_str());
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  if (report_to.empty()) r.out = slurp(out);
  r.err = slurp(err);
  std::system(("rm -rf " + shell_quote(dir)).c_str());
  return r;
}

}  // namespace test
