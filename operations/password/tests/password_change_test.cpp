#include "operations/password/password_change.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/faulty_file_system.h"
#include "base/posix_file_system.h"
#include "operations/password/password_journal.h"
#include "operations/password/tests/snapshot_file_system.h"
#include "operations/password/tests/test_diary.h"
#include "store/stale_temp_files.h"

namespace inkwend {
namespace {

using testing::ReadFile;
using testing::SnapshotFileSystem;
using testing::TestDiary;
using testing::WriteFile;

// The four cases of old and new password, letter case alone, and no change at all.
TEST(PasswordChange, EveryFileEndsUnderTheNewPassword) {
  struct Case {
    const char* oldPassword;
    const char* newPassword;
  } cases[] = {{"", "SECRET"}, {"SECRET", ""}, {"SECRET", "other 12"},
               {"abc", "ABC"}, {"", ""},       {"SAME", "SAME"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.oldPassword) + " -> " + c.newPassword);
    TestDiary diary(12, c.oldPassword);
    PasswordChange change(diary.dir.path(), RealFileSystem());
    ASSERT_TRUE(change.Run(c.oldPassword, c.newPassword).IsOk());
    EXPECT_EQ(diary.StoredPassword(), c.newPassword);
    EXPECT_TRUE(diary.ReadsWithStoredPassword());
    EXPECT_TRUE(std::filesystem::is_directory(diary.dir / "Entries/20991231.KWE"));
  }
}

TEST(PasswordChange, ProgressCountsEachPhaseThenEnds) {
  TestDiary diary(3, "");
  PasswordChange change(diary.dir.path(), RealFileSystem());
  std::string seen;
  change.onProgress = [&seen](const PasswordRunProgress& p) {
    seen += "SWD"[static_cast<int>(p.phase)] + std::to_string(p.done) + "/" + std::to_string(p.total) + " ";
  };
  ASSERT_TRUE(change.Run("", "NEW").IsOk());
  // Three entries and the first day's recovery and damaged copies.
  EXPECT_EQ(seen, "S1/5 S2/5 S3/5 S4/5 S5/5 W1/5 W2/5 W3/5 W4/5 W5/5 D5/5 ");
}

TEST(PasswordChange, NoEntriesFolderStillStoresThePassword) {
  testing::TempDir dir;
  PasswordChange change(dir.path(), RealFileSystem());
  ASSERT_TRUE(change.Run("", "NEW").IsOk());
  EXPECT_EQ(ReadStoredPassword(IniFile(ReadFile(dir / "KW.INI"))), "NEW");
}

// A disk that fills, a file that cannot be read or reads short, a settings file that cannot be
// replaced: each leaves the old password and every file as it was, and says so.
TEST(PasswordChange, AFailureBeforeTheSwitchChangesNothing) {
  struct Case {
    const char* what;
    std::function<void(FaultyFileSystem&)> inject;
    const char* reason;
  } cases[] = {
      {"disk full at the 5th copy", [](FaultyFileSystem& fs) { fs.FailWrites("20200105.KWE.rekeyed", 100); },
       "No space left on device"},
      {"unreadable entry", [](FaultyFileSystem& fs) { fs.FailReads("20200107.KWE"); }, "Input/output error"},
      {"entry read short", [](FaultyFileSystem& fs) { fs.ShortenReads("20200103.KWE", 10); }, "completely"},
      {"copy reads back short", [](FaultyFileSystem& fs) { fs.ShortenReads("20200104.KWE.rekeyed", 10); },
       "completely"},
      {"journal cannot be written", [](FaultyFileSystem& fs) { fs.FailWrites("Password.journal"); },
       "No space left on device"},
      {"KW.INI cannot be written", [](FaultyFileSystem& fs) { fs.FailWrites("KW.INI"); },
       "No space left on device"},
      {"KW.INI cannot be replaced", [](FaultyFileSystem& fs) { fs.FailRenames("KW.INI"); }, "Cannot replace"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestDiary diary(8, "OLD");
    const std::string settings = ReadFile(diary.dir / "KW.INI");
    FaultyFileSystem fs;
    c.inject(fs);
    PasswordChange change(diary.dir.path(), fs);
    const Status s = change.Run("OLD", "NEW");
    EXPECT_FALSE(s.IsOk());
    EXPECT_GT(fs.FaultsInjected(), 0);
    EXPECT_TRUE(s.Message().starts_with("The password was not changed: ")) << s.Message();
    EXPECT_NE(s.Message().find(c.reason), std::string::npos) << s.Message();
    EXPECT_TRUE(
        s.Message().ends_with("The diary keeps its previous password, and every entry is as it was."));
    EXPECT_EQ(ReadFile(diary.dir / "KW.INI"), settings);
    EXPECT_TRUE(diary.ReadsWithStoredPassword());
  }
}

// Once the new password is stored only going forward is safe: a switch that fails keeps the
// journal, and finishing it later gives the new password everywhere.
TEST(PasswordChange, AFailedSwitchIsFinishedLater) {
  TestDiary diary(6, "OLD");
  FaultyFileSystem fs;
  fs.FailRenames("20200104.KWE");
  PasswordChange change(diary.dir.path(), fs);
  const Status s = change.Run("OLD", "NEW");
  ASSERT_FALSE(s.IsOk());
  EXPECT_TRUE(s.Message().starts_with("The new password is stored, but not every entry")) << s.Message();
  EXPECT_TRUE(std::filesystem::exists(change.JournalPath()));
  EXPECT_EQ(change.Run("NEW", "X").Code(), StatusCode::Refused);  // not while one is unfinished

  fs.ClearFaults();
  const Result<InterruptedPasswordChange> later = change.FinishInterrupted();
  ASSERT_TRUE(later.IsOk());
  EXPECT_EQ(later.Value(), InterruptedPasswordChange::Finished);
  EXPECT_EQ(diary.StoredPassword(), "NEW");
  EXPECT_TRUE(diary.ReadsWithStoredPassword());
}

// Stopped between any two of its steps, a run is finished or undone at the next start, and the
// diary then reads whole with whichever password is stored.
TEST(PasswordChange, StoppedAfterAnyStepTheNextStartMendsIt) {
  for (const bool clearing : {false, true}) {
    SCOPED_TRACE(clearing ? "clearing" : "changing");
    TestDiary diary(6, "OLD");
    testing::TempDir snapshots;
    SnapshotFileSystem fs(diary.dir.path(), snapshots.path());
    ASSERT_TRUE(PasswordChange(diary.dir.path(), fs).Run("OLD", clearing ? "" : "NEW").IsOk());
    fs.Snapshot();
    ASSERT_GT(fs.count, 2 * 8);
    int finished = 0, undone = 0;
    for (int i = 0; i < fs.count; ++i) {
      SCOPED_TRACE("after step " + std::to_string(i));
      TestDiary stopped(0, "");
      std::filesystem::remove_all(stopped.dir / "Entries");
      std::filesystem::copy(
          snapshots / std::to_string(i), stopped.dir.path(),
          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
      stopped.plain = diary.plain;
      const Result<InterruptedPasswordChange> mended =
          PasswordChange(stopped.dir.path(), RealFileSystem()).FinishInterrupted();
      ASSERT_TRUE(mended.IsOk());
      finished += mended.Value() == InterruptedPasswordChange::Finished;
      undone += mended.Value() == InterruptedPasswordChange::Undone;
      RemoveStaleTempFiles(stopped.dir.path(), RealFileSystem());
      EXPECT_TRUE(stopped.ReadsWithStoredPassword());
    }
    EXPECT_GT(finished, 0);
    EXPECT_GT(undone, 0);
  }
}

TEST(PasswordChange, ADamagedJournalIsReportedAndNothingIsTouched) {
  TestDiary diary(3, "OLD");
  WriteFile(diary.dir / kPasswordJournalName, "something else\n");
  WriteFile(diary.dir / "Entries/20200101.KWE.rekeyed", "x");
  PasswordChange change(diary.dir.path(), RealFileSystem());
  const Result<InterruptedPasswordChange> mended = change.FinishInterrupted();
  ASSERT_FALSE(mended.IsOk());
  EXPECT_EQ(mended.GetStatus().Code(), StatusCode::Damaged);
  EXPECT_NE(mended.GetStatus().Message().find("is damaged"), std::string::npos);
  EXPECT_EQ(ReadFile(diary.dir / "Entries/20200101.KWE.rekeyed"), "x");
  EXPECT_EQ(diary.StoredPassword(), "OLD");
}

TEST(PasswordJournal, ReadsBackWhatItWrites) {
  for (const auto state : {PasswordJournal::State::Staged, PasswordJournal::State::Switching}) {
    for (const std::string& stored : {std::string(), std::string("\x00\xff\n=", 4)}) {
      PasswordJournal journal;
      journal.state = state;
      journal.storedPassword = stored;
      const Result<PasswordJournal> back = PasswordJournal::Parse(journal.Bytes());
      ASSERT_TRUE(back.IsOk());
      EXPECT_EQ(back.Value().state, state);
      EXPECT_EQ(back.Value().storedPassword, stored);
    }
  }
  for (const char* bad : {"", "Inkwend password change\nstate=done\npassword=\n",
                          "Inkwend password change\nstate=staged\npassword=ABC\n",
                          "Inkwend password change\nstate=staged\npassword=4G\n",
                          "Inkwend password change\nstate=staged\npassword=41"})
    EXPECT_EQ(PasswordJournal::Parse(bad).GetStatus().Code(), StatusCode::Damaged) << bad;
}

}  // namespace
}  // namespace inkwend
