// inkwend-tool cipher encrypt|decrypt --password P IN OUT
#include <cstdio>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "store/file_cipher.h"
#include "tools/command_registry.h"

namespace {

int RunCipher(const std::vector<std::string>& args) {
  std::string password, mode, in, out;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--password" && i + 1 < args.size()) {
      password = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3 || (positional[0] != "encrypt" && positional[0] != "decrypt")) {
    std::fprintf(stderr, "usage: inkwend-tool cipher encrypt|decrypt --password P IN OUT\n");
    return 2;
  }
  // A folder, a pipe or a device is refused with what it is, not reported as a missing file.
  inkwend::FileSystem& fs = inkwend::RealFileSystem();
  if ((fs.DirectoryExists(positional[1]) || fs.FileExists(positional[1])) && !fs.IsPlainFile(positional[1])) {
    std::fprintf(stderr, "inkwend-tool: %s\n", fs.ReadFile(positional[1]).GetStatus().Message().c_str());
    return 1;
  }
  inkwend::PGCrypt crypt;
  std::string message;
  crypt.onMessage = [&message](const std::string& text) { message = text; };
  crypt.SetInputFile(positional[1]);
  crypt.SetOutputFile(positional[2]);
  crypt.SetPassword(password);
  if (!message.empty()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", message.c_str());
    return 1;
  }
  const inkwend::Status status = positional[0] == "encrypt" ? crypt.Encrypt() : crypt.Decrypt();
  if (!status.IsOk()) {
    std::fprintf(stderr, "inkwend-tool: %s\n", status.Message().c_str());
    return 1;
  }
  return 0;
}

const inkwend::tool::ToolCommand kCipher("cipher", "cipher encrypt|decrypt --password P IN OUT", RunCipher);

}  // namespace
