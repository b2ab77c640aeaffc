// inkwend-tool dbf, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

const std::string kDir = INKWEND_SOURCE_DIR "/operations/xbase/tests/data/libreoffice/";

struct ToolRun {
  int exitCode;
  std::string out;
};

ToolRun Tool(const std::string& args) {
  const std::string command = std::string(INKWEND_TOOL) + " " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ToolRun run{-1, {}};
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(DbfTool, DumpPrintsOneLinePerRecordInTableOrder) {
  const ToolRun run = Tool("dbf dump " + kDir + "INKWEND.dbf");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "1\t-\tDATE=20240101\tENTRY=<18 bytes>\n"
            "2\t*\tDATE=20240102\tENTRY=<13 bytes>\n"
            "3\t-\tDATE=\tENTRY=<20 bytes>\n"
            "4\t-\tDATE=20240103\tENTRY=<668 bytes>\n"
            "5\t-\tDATE=20240102\tENTRY=<31 bytes>\n"
            "6\t-\tDATE=20241332\tENTRY=<26 bytes>\n"
            "7\t-\tDATE=20240104\tENTRY=<67200 bytes>\n"
            "8\t-\tDATE=20240105\tENTRY=<0 bytes>\n");
}

TEST(DbfTool, DumpWritesTextAsUtf8) {
  const ToolRun run = Tool("dbf dump " + kDir + "TYPES.dbf");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out,
            "1\t-\tNAME=Gr\u00FCn\tAMOUNT=12.50\tDAY=20230228\tDONE=T\tNOTE=<10 bytes>\n"
            "2\t-\tNAME=no date\tAMOUNT=3.75\tDAY=\tDONE=F\tNOTE=<0 bytes>\n"
            "3\t*\tNAME=gone\tAMOUNT=0.00\tDAY=19991231\tDONE=T\tNOTE=<12 bytes>\n"
            "4\t-\tNAME=last\tAMOUNT=100.25\tDAY=20240229\tDONE=\tNOTE=<10 bytes>\n");
}

TEST(DbfTool, MemoWritesTheBytesUnchanged) {
  ToolRun run = Tool("dbf memo " + kDir + "INKWEND.dbf 5 entry");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "second entry of 2 January, caf\xE9");
  run = Tool("dbf memo " + kDir + "INKWEND.dbf 7 ENTRY");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.size(), 67200u);
  EXPECT_EQ(run.out.substr(0, 24), "line 00000\r\nline 00001\r\n");
}

TEST(DbfTool, BadArgumentsFailWithoutOutput) {
  const char* cases[] = {
      "dbf memo INKWEND.dbf 9 ENTRY", "dbf memo INKWEND.dbf 0 ENTRY", "dbf memo INKWEND.dbf x ENTRY",
      "dbf memo INKWEND.dbf 1 MOOD",  "dbf memo INKWEND.dbf 1 DATE",  "dbf dump NOSUCH.dbf",
  };
  for (const char* c : cases) {
    std::string args = c;
    const size_t at = args.find("INKWEND.dbf");
    if (at != std::string::npos) args.insert(at, kDir);
    const ToolRun run = Tool(args);
    EXPECT_EQ(run.exitCode, 1) << c;
    EXPECT_EQ(run.out, "") << c;
  }
  EXPECT_EQ(Tool("dbf").exitCode, 2);
  EXPECT_EQ(Tool("dbf dump").exitCode, 2);
}

}  // namespace
