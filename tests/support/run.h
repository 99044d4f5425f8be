// Runs the built tagdelve binary and collects what it printed.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/fds.h"

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

// All the bytes of a file descriptor, read from its start.
inline std::string contents(int fd) {
  std::string s;
  char buf[65536];
  for (off_t at = 0;;) {
    ssize_t n = pread(fd, buf, sizeof buf, at);
    if (n <= 0) return s;
    s.append(buf, static_cast<size_t>(n));
    at += n;
  }
}

// Runs the tool with `args` in `cwd` (by default the test's own), with
// `input` on its standard input (a regular file) and its standard output
// and error collected; with `report_to`, standard output goes to that file
// (e.g. /dev/full) instead; with `stdin_closed`, it runs without a standard
// input; with `wrapper`, through that command (its path and arguments).
// Spawned directly, without a shell.
inline RunResult run_tool(const std::vector<std::string>& args, const std::string& input = "",
                          const std::string& cwd = "", const std::string& report_to = "",
                          bool stdin_closed = false, const std::vector<std::string>& wrapper = {}) {
  RunResult r;
  const int in = file_holding(std::vector<uint8_t>(input.begin(), input.end()));
  const int out = report_to.empty() ? memfd_create("stdout", MFD_CLOEXEC)
                                    : open(report_to.c_str(), O_WRONLY | O_CLOEXEC);
  const int err = memfd_create("stderr", MFD_CLOEXEC);
  std::vector<std::string> words = wrapper;
  words.push_back(TAGDELVE_BIN);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t acts;
  posix_spawn_file_actions_init(&acts);
  if (stdin_closed)
    posix_spawn_file_actions_addclose(&acts, 0);
  else
    posix_spawn_file_actions_adddup2(&acts, in, 0);
  posix_spawn_file_actions_adddup2(&acts, out, 1);
  posix_spawn_file_actions_adddup2(&acts, err, 2);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&acts, cwd.c_str());
  pid_t pid;
  int status;
  if (in >= 0 && out >= 0 && err >= 0 && posix_spawn(&pid, argv[0], &acts, nullptr, argv.data(), environ) == 0 &&
      waitpid(pid, &status, 0) == pid) {
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (report_to.empty()) r.out = contents(out);
    r.err = contents(err);
  }
  posix_spawn_file_actions_destroy(&acts);
  for (int fd : {in, out, err})
    if (fd >= 0) close(fd);
  return r;
}

}  // namespace test

namespace test {

// Runs a shell command line in `cwd` that begins with the tool's arguments
// and pipes its report on ("--json song.mp3 | jq ..."), with the built tool
// in front; standard error is kept apart.
inline RunResult run_shell(const std::string& line, const std::string& cwd) {
  RunResult r;
  const std::string err = temp_dir() + "/err";
  const std::string command = "cd " + shell_quote(cwd) + " && " + shell_quote(TAGDELVE_BIN) + " " + line + " 2>" + err;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = slurp(err);
  std::system(("rm -rf " + shell_quote(err.substr(0, err.size() - 4))).c_str());
  return r;
}

}  // namespace test
