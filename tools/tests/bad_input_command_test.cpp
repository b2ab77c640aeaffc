// Every command of inkwend-tool that reads a file given on its command line refuses a named
// pipe, a folder and a device at once, saying what the name is, and exits with an error: none
// waits for a writer that never comes or reads /dev/zero without end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "base/tests/temp_dir.h"
#include "shell.h"

namespace inkwend {
namespace {

using testing::Shell;

// The exit code and standard error of the tool, killed after 20 seconds (exit code 124) so that
// a command that blocks fails the test instead of hanging it.
testing::ShellResult Tool(const std::string& args) {
  return Shell("{ timeout 20 " + std::string(INKWEND_TOOL) + " " + args + " 2>&1 >/dev/null; }");
}

TEST(BadInput, EveryCommandRefusesPipesFoldersAndDevices) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0700), 0);
  const std::string out = dir / "out";
  struct Kind {
    std::string path;
    const char* reason;
  };
  const Kind kinds[] = {{dir / "pipe", "named pipe"}, {dir / "folder", "folder"}, {"/dev/zero", "device"}};
  // {in} stands for the bad name, {out} for a file to write.
  const char* commands[] = {
      "rtf {in} --text",
      "pdf {in} {out}",
      "cipher encrypt --password p {in} {out}",
      "cipher decrypt --password p {in} {out}",
      "dbf dump {in}",
      "dbf memo {in} 1 ENTRY",
      "dct build {in} {out}",
      "dct info {in}",
      "icl pack {out} {in}",
      "icons list {in}",
      "icons extract {in} 0 {out}",
      "spell check --dict {in} word",
      "spell check --user {in} word",
  };
  for (const Kind& kind : kinds) {
    for (std::string command : commands) {
      command.replace(command.find("{in}"), 4, kind.path);
      if (const size_t at = command.find("{out}"); at != std::string::npos) command.replace(at, 5, out);
      SCOPED_TRACE(command);
      const testing::ShellResult r = Tool(command);
      EXPECT_NE(r.code, 0);
      EXPECT_NE(r.code, 124) << "it waited";
      EXPECT_NE(r.out.find(kind.reason), std::string::npos) << r.out;
    }
  }
}

}  // namespace
}  // namespace inkwend
