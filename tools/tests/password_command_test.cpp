// `inkwend-tool password`, run as a script would: its checks and messages, and the proof that a
// run killed at any instant leaves a diary that opens whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "operations/password/password_change.h"
#include "operations/password/tests/mounted_tmpfs.h"
#include "operations/password/tests/test_diary.h"
#include "store/stale_temp_files.h"
#include "tools/tests/shell.h"

namespace inkwend {
namespace {

using testing::Shell;
using testing::TestDiary;

std::string Tool(const TestDiary& diary, const std::string& old_password, const std::string& new_password) {
  return std::string(INKWEND_TOOL) + " password --data-dir '" + diary.dir.path() + "' --old '" +
         old_password + "' --new '" + new_password + "'";
}

// Standard error joins standard output, where the refusals are.
testing::ShellResult RunTool(const TestDiary& diary, const std::string& old_password,
                             const std::string& new_password) {
  return Shell("(" + Tool(diary, old_password, new_password) + " 2>&1)");
}

TEST(PasswordCommand, RefusalsChangeNothing) {
  struct Case {
    const char* oldPassword;
    const char* newPassword;
    const char* message;
  } cases[] = {
      {"", "NEW", "Previous password is required"},
      {"old", "NEW", "Previous password is incorrect"},
      {"OLD", "NEW-1", "Valid password characters are A-Z, 0-9 and spaces"},
      {"OLD", "123456789", "A password has at most 8 characters"},
  };
  TestDiary diary(4, "OLD");
  for (const Case& c : cases) {
    const testing::ShellResult r = RunTool(diary, c.oldPassword, c.newPassword);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, std::string("inkwend-tool: ") + c.message + "\n");
  }
  EXPECT_EQ(diary.StoredPassword(), "OLD");
  EXPECT_TRUE(diary.ReadsWithStoredPassword());
}

TEST(PasswordCommand, SetChangeClearAndAgain) {
  TestDiary diary(4, "");
  EXPECT_EQ(RunTool(diary, "", "Ab 1").out, "Be sure to write down your new password: Ab 1\n");
  EXPECT_EQ(RunTool(diary, "Ab 1", "Ab 1").out, "");  // the same password: nothing to say
  EXPECT_EQ(RunTool(diary, "Ab 1", "").out, "Password cleared. No password now required.\n");
  EXPECT_EQ(diary.StoredPassword(), "");
  EXPECT_TRUE(diary.ReadsWithStoredPassword());
}

TEST(PasswordCommand, AnInterruptedRunIsFinishedFirstAndSaidSo) {
  TestDiary diary(2, "OLD");
  // What a kill while the run wrote its copies leaves: its journal and a copy.
  ASSERT_EQ(Shell(Tool(diary, "OLD", "NEW")).code, 0);
  testing::WriteFile(diary.dir / kPasswordJournalName, "Inkwend password change\nstate=staged\npassword=\n");
  testing::WriteFile(diary.dir / "Entries/20200101.KWE.rekeyed", "leftover");
  const testing::ShellResult r = RunTool(diary, "NEW", "NEW");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(
      r.out,
      "A password change that was interrupted has been undone: the diary keeps its previous password.\n");
  EXPECT_TRUE(diary.ReadsWithStoredPassword());
}

// Starts the run and kills it (SIGKILL) once it has reported `steps` steps (0: at once); false
// when it ended by itself first.
bool KillAfter(const TestDiary& diary, const std::string& old_password, const std::string& new_password,
               int steps) {
  int out[2];
  if (::pipe(out) != 0) return false;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    ::close(out[1]);
    ::execl(INKWEND_TOOL, INKWEND_TOOL, "password", "--data-dir", diary.dir.path().c_str(), "--old",
            old_password.c_str(), "--new", new_password.c_str(), "--progress", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  FILE* lines = ::fdopen(out[0], "r");
  int seen = 0;
  char line[256];
  while (seen < steps && std::fgets(line, sizeof line, lines))
    if (std::string_view(line).starts_with("staged") || std::string_view(line).starts_with("switched"))
      ++seen;
  const bool killed = seen == steps && ::kill(pid, SIGKILL) == 0;
  std::fclose(lines);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return killed && WIFSIGNALED(status);
}

// The proof: a run over a few hundred entries killed at steps spread over both of its phases
// (and at its very start), after which the diary opens as the program's start opens it: every
// file reads as its original RTF with the password KW.INI holds.
TEST(PasswordCommand, KilledAtAnyInstantTheDiaryOpensWhole) {
  // A killed process leaves what it wrote in the page cache, so a tmpfs keeps exactly what a disk
  // would after SIGKILL, without the flushes that make each run slow; the test's own folder
  // serves where none can be mounted.
  testing::TempDir place;
  const testing::MountedTmpfs tmpfs(place.path());
  constexpr int kEntries = 200;
  TestDiary diary(kEntries, "OLD", place.path());
  const int steps = 2 * static_cast<int>(diary.plain.size());
  const std::vector<std::string> passwords = {"OLD", "NEW 2", "", "Zz9"};
  constexpr int kKills = 24;
  int finished = 0, undone = 0, killed = 0;
  for (int k = 0; k <= kKills; ++k) {
    const std::string current = diary.StoredPassword();
    std::string next = passwords[static_cast<size_t>(k + 1) % passwords.size()];
    if (next == current) next = "Other";
    // Step 0 and then every stretch of both phases, the offset moving so that kills land on
    // different files each time.
    const int at = k == 0 ? 0 : (k * steps) / kKills - (k % 3);
    SCOPED_TRACE("kill after step " + std::to_string(at) + " of " + std::to_string(steps));
    killed += KillAfter(diary, current, next, at);
    const Result<InterruptedPasswordChange> mended =
        PasswordChange(diary.dir.path(), RealFileSystem()).FinishInterrupted();
    ASSERT_TRUE(mended.IsOk()) << mended.GetStatus().Message();
    finished += mended.Value() == InterruptedPasswordChange::Finished;
    undone += mended.Value() == InterruptedPasswordChange::Undone;
    RemoveStaleTempFiles(diary.dir.path(), RealFileSystem());
    ASSERT_TRUE(diary.ReadsWithStoredPassword());
  }
  std::printf("%d runs killed: %d finished at the next start, %d undone\n", killed, finished, undone);
  EXPECT_GT(killed, kKills / 2);
  EXPECT_GT(finished, 0);
  EXPECT_GT(undone, 0);
}

}  // namespace
}  // namespace inkwend
