#pragma once
// The table of inkwend-tool commands. Each command lives in its own cmd_*.cpp file and adds
// itself with a static ToolCommand object, so engines add commands without touching main.cpp.
#include <functional>
#include <string>
#include <vector>

namespace inkwend::tool {

// Arguments after the command name; returns the process exit code.
using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct CommandInfo {
  std::string name;
  std::string usage;  // one line, shown by "inkwend-tool help"
  CommandFn run;
};

std::vector<CommandInfo>& Commands();

struct ToolCommand {
  ToolCommand(std::string name, std::string usage, CommandFn run);
};

}  // namespace inkwend::tool
