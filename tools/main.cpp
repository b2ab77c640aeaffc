// inkwend-tool: the diary's engines from the command line.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/command_registry.h"

namespace {

int Usage(FILE* out) {
  auto commands = inkwend::tool::Commands();
  std::sort(commands.begin(), commands.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  std::fprintf(out, "usage: inkwend-tool COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& c : commands) std::fprintf(out, "  %s\n", c.usage.c_str());
  return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(stderr);
  const std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") return Usage(stdout);
  for (const auto& c : inkwend::tool::Commands()) {
    if (c.name == name) return c.run(std::vector<std::string>(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "inkwend-tool: unknown command \"%s\"\n\n", name.c_str());
  return Usage(stderr);
}
