#include "tools/command_registry.h"

namespace inkwend::tool {

std::vector<CommandInfo>& Commands() {
  static std::vector<CommandInfo> commands;
  return commands;
}

ToolCommand::ToolCommand(std::string name, std::string usage, CommandFn run) {
  Commands().push_back({std::move(name), std::move(usage), std::move(run)});
}

}  // namespace inkwend::tool
