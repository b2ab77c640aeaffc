#pragma once
// Runs a command line as a user would and collects its exit code and standard output
// (standard error is dropped), for the tests of inkwend-tool commands.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace inkwend::testing {

struct ShellResult {
  int code;
  std::string out;
};

inline ShellResult Shell(const std::string& command) {
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return {-1, {}};
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

}  // namespace inkwend::testing
