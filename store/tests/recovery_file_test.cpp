// Recovery copies of unsaved text: named beside the entry, stored as the entry would be,
// replaced atomically, found again at the next start, and removed only when they are this
// run's to remove.
#include "store/recovery_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"
#include "store/cipher.h"
#include "store/diary_session.h"

namespace inkwend {
namespace {

using namespace std::chrono;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr Date kDay{year(2024), month(9), day(1)};
constexpr Date kOtherDay{year(2024), month(9), day(2)};
const std::string kRtf = "{\\rtf1\\ansi Dear diary, unsaved\\par }";
const std::string kNewer = "{\\rtf1\\ansi Dear diary, unsaved and more\\par }";

class RecoveryTest : public ::testing::Test {
 protected:
  RecoveryTest() : session_(dir_.path(), fs_) {
    EXPECT_TRUE(session_.EnsureEntriesDirectory().IsOk());
    Show(kDay);
  }
  void Show(Date day) {
    session_.SetCurrentDate(day);
    session_.FindEntry();
  }
  std::string Entries() const { return dir_.path() + "Entries/"; }
  std::string CopyFile(Date day) const { return Entries() + DateKey(day) + ".KWE.recover"; }
  static RtfWriter Writer(const std::string& rtf) {
    return [rtf]() -> Result<std::string> { return rtf; };
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Entries())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
  FaultyFileSystem fs_;
  DiarySession session_;
};

TEST_F(RecoveryTest, CopyIsStoredAsTheEntryWouldBeAndLeavesTheEntryAlone) {
  for (const std::string password : {"", "Secret"}) {
    SCOPED_TRACE(password);
    WriteFile(Entries() + DateKey(kDay) + ".KWE", "{\\rtf1 saved\\par }");
    session_.SetPassword(password);
    ASSERT_TRUE(session_.KeepRecoveryCopy(Writer(kRtf), false).IsOk());
    EXPECT_EQ(session_.RecoveryCopyPath(kDay), CopyFile(kDay));
    const std::string stored = ReadFile(CopyFile(kDay));
    if (password.empty()) {
      EXPECT_EQ(stored, kRtf);
    } else {
      EXPECT_EQ(stored, EncryptBytes(kRtf, password));
      EXPECT_EQ(stored.find("Dear diary"), std::string::npos);
    }
    ASSERT_TRUE(session_.ReadRecoveryCopy(kDay).IsOk());
    EXPECT_EQ(session_.ReadRecoveryCopy(kDay).Value(), kRtf);
    EXPECT_EQ(ReadFile(Entries() + DateKey(kDay) + ".KWE"), "{\\rtf1 saved\\par }");
    // The copy is no entry: the diary's first and last days do not see it.
    EXPECT_EQ(session_.FirstEntryDay(kOtherDay).Value(), kDay);
    ASSERT_TRUE(session_.DiscardRecoveryCopy().IsOk());
    EXPECT_FALSE(std::filesystem::exists(CopyFile(kDay)));
  }
}

TEST_F(RecoveryTest, CopyOfAnotherPasswordIsRefusedNotShownAsNoise) {
  session_.SetPassword("Secret");
  ASSERT_TRUE(session_.KeepRecoveryCopy(Writer(kRtf), false).IsOk());
  for (const std::string password : {"", "Other"}) {
    session_.SetPassword(password);
    const Result<std::string> read = session_.ReadRecoveryCopy(kDay);
    EXPECT_EQ(read.GetStatus().Code(), StatusCode::Refused) << password;
  }
  EXPECT_EQ(session_.ReadRecoveryCopy(kOtherDay).GetStatus().Code(), StatusCode::NotFound);
}

TEST_F(RecoveryTest, FailedWriteKeepsTheLastCopyWholeAndLeavesNoTemporaryFile) {
  ASSERT_TRUE(session_.KeepRecoveryCopy(Writer(kRtf), false).IsOk());
  for (bool fail_rename : {false, true}) {
    SCOPED_TRACE(fail_rename);
    fs_.ClearFaults();
    const int before = fs_.FaultsInjected();
    if (fail_rename)
      fs_.FailRenames(CopyFile(kDay));
    else
      fs_.FailWrites(CopyFile(kDay), 10);  // the disk fills after 10 bytes of the new copy
    const Status kept = session_.KeepRecoveryCopy(Writer(kNewer), false);
    EXPECT_FALSE(kept.IsOk());
    EXPECT_EQ(fs_.FaultsInjected(), before + 1);
    EXPECT_EQ(ReadFile(CopyFile(kDay)), kRtf);
    EXPECT_EQ(Names(), std::vector<std::string>{DateKey(kDay) + ".KWE.recover"});
  }
  // The copy that is there is still this run's: Save, Cancel and day change remove it.
  fs_.ClearFaults();
  ASSERT_TRUE(session_.DiscardRecoveryCopy().IsOk());
  EXPECT_TRUE(Names().empty());
}

TEST_F(RecoveryTest, OnlyThisRunsCopyIsReplacedOrDiscarded) {
  // An earlier run left a copy of the day: it is neither written over nor discarded until the
  // user has been asked about it and the day has taken it over.
  WriteFile(CopyFile(kDay), kRtf);
  EXPECT_EQ(session_.KeepRecoveryCopy(Writer(kNewer), false).Code(), StatusCode::Refused);
  ASSERT_TRUE(session_.DiscardRecoveryCopy().IsOk());
  EXPECT_EQ(ReadFile(CopyFile(kDay)), kRtf);
  session_.TakeOverRecoveryCopy();
  ASSERT_TRUE(session_.KeepRecoveryCopy(Writer(kNewer), false).IsOk());
  EXPECT_EQ(ReadFile(CopyFile(kDay)), kNewer);

  // On another day the first day's copy goes; an empty text keeps none at all.
  Show(kOtherDay);
  ASSERT_TRUE(session_.KeepRecoveryCopy(Writer(kRtf), false).IsOk());
  EXPECT_FALSE(std::filesystem::exists(CopyFile(kDay)));
  ASSERT_TRUE(session_.KeepRecoveryCopy(Writer(kRtf), true).IsOk());
  EXPECT_TRUE(Names().empty());

  // A declined copy is removed whoever wrote it.
  WriteFile(CopyFile(kDay), kRtf);
  ASSERT_TRUE(session_.RemoveRecoveryCopy(kDay).IsOk());
  EXPECT_TRUE(Names().empty());
}

TEST_F(RecoveryTest, DaysListsOnlyCopiesOfRealDaysEarliestFirst) {
  const Date leap{year(2024), month(2), day(29)};
  const Date first_day{year(1), month(1), day(1)};
  for (const std::string name :
       {"20240902.KWE.recover", "20240229.KWE.recover", "00010101.KWE.recover", "20240901.KWE",
        "20240901.KWE.damaged", "20240901.KWE.recover.tmp-a1b2c3", "00000101.KWE.recover",
        "20241301.KWE.recover", "20230229.KWE.recover", "2024090.KWE.recover", "2024x901.KWE.recover",
        "20240903.kwe.recover", "20240904.KWE.recover.old"})
    WriteFile(Entries() + name, kRtf);
  std::filesystem::create_directory(Entries() + "20240905.KWE.recover");
  EXPECT_EQ(session_.RecoveryDays(), (std::vector<Date>{first_day, leap, kOtherDay}));
}

TEST_F(RecoveryTest, NoEntriesFolderMeansNoCopies) {
  std::filesystem::remove_all(Entries());
  EXPECT_TRUE(session_.RecoveryDays().empty());
}

}  // namespace
}  // namespace inkwend
