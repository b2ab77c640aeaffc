#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "operations/password/password_change.h"
#include "operations/password/password_journal.h"
#include "operations/password/tests/snapshot_file_system.h"
#include "operations/password/tests/test_diary.h"
#include "store/entry_store.h"
#include "store/stale_temp_files.h"

namespace inkwend {
namespace {

using testing::ReadFile;
using testing::SnapshotFileSystem;
using testing::TestDiary;
using testing::WriteFile;

constexpr char kStrongPassword[] = "Tulip 77";

IniFile Settings(const TestDiary& diary) { return IniFile(ReadFile(diary.dir / "KW.INI")); }

std::shared_ptr<const DiaryKey> OpenKey(const TestDiary& diary, const std::string& password) {
  Result<std::unique_ptr<DiaryKey>> key = UnwrapDiaryKey(ReadWrappedKey(Settings(diary)), password);
  if (!key.IsOk()) return nullptr;
  return key.TakeValue();
}

// Every file of the diary decrypts with the key to its original, and no run is left half done.
::testing::AssertionResult ReadsStrongly(const TestDiary& diary, const DiaryKey& key) {
  for (const auto& [name, rtf] : diary.plain) {
    const Result<std::string> plain =
        StrongDecrypt(ReadFile(diary.dir / ("Entries/" + name)), key, name.substr(0, 8));
    if (!plain.IsOk() || plain.Value() != rtf)
      return ::testing::AssertionFailure() << name << " does not decrypt";
  }
  if (std::filesystem::exists(diary.dir / kPasswordJournalName))
    return ::testing::AssertionFailure() << "journal left";
  for (const auto& e : std::filesystem::directory_iterator(diary.dir / "Entries"))
    if (e.path().string().ends_with(kRekeyedSuffix))
      return ::testing::AssertionFailure() << e.path() << " left";
  return ::testing::AssertionSuccess();
}

// The forms a password could take in a file: its bytes, UTF-16 either way round, KW.INI's
// scrambling, and hexadecimal in either case.
std::vector<std::string> FormsOf(const std::string& password) {
  std::string le, be, hex_upper, hex_lower;
  for (const char c : password) {
    le += c, le += '\0';
    be += '\0', be += c;
    char two[3];
    std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(c));
    hex_upper += two;
    std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(c));
    hex_lower += two;
  }
  return {password, le, be, EncryptString(password), hex_upper, hex_lower};
}

::testing::AssertionResult PasswordNowhere(const TestDiary& diary, const std::string& password) {
  for (const auto& e : std::filesystem::recursive_directory_iterator(diary.dir.path())) {
    if (!e.is_regular_file()) continue;
    const std::string bytes = ReadFile(e.path().string());
    for (const std::string& form : FormsOf(password))
      if (bytes.find(form) != std::string::npos)
        return ::testing::AssertionFailure() << "found in " << e.path();
  }
  return ::testing::AssertionSuccess();
}

ProtectionChange Change(std::string old_password, std::shared_ptr<const DiaryKey> old_key,
                        std::string new_password, bool strong) {
  ProtectionChange change;
  change.oldPassword = std::move(old_password);
  change.oldKey = std::move(old_key);
  change.newPassword = std::move(new_password);
  change.strong = strong;
  change.cost = KeyDerivation::Fastest();
  return change;
}

// On from classic and from none, a new password (which touches no file), and off again to classic
// and to none.
TEST(StrongProtection, OnRewrapAndOffKeepEveryEntry) {
  for (const char* classic : {"OLD", ""}) {
    SCOPED_TRACE(classic);
    TestDiary diary(12, classic);
    PasswordChange change(diary.dir.path(), RealFileSystem());
    ASSERT_TRUE(change.ChangeProtection(Change(classic, nullptr, kStrongPassword, true)).IsOk());
    EXPECT_EQ(Settings(diary).ReadString("Security", "Password", "?"), "");
    ASSERT_TRUE(change.DiaryKeyNow());
    EXPECT_TRUE(ReadsStrongly(diary, *change.DiaryKeyNow()));
    EXPECT_TRUE(PasswordNowhere(diary, kStrongPassword));
    EXPECT_FALSE(OpenKey(diary, "Tulip 78"));

    const std::string entry_before = ReadFile(diary.dir / "Entries/20200101.KWE");
    const std::shared_ptr<const DiaryKey> key = OpenKey(diary, kStrongPassword);
    ASSERT_TRUE(change.ChangeProtection(Change(kStrongPassword, key, "Rose 8", true)).IsOk());
    EXPECT_EQ(ReadFile(diary.dir / "Entries/20200101.KWE"), entry_before);
    EXPECT_FALSE(OpenKey(diary, kStrongPassword));
    ASSERT_TRUE(OpenKey(diary, "Rose 8"));
    EXPECT_EQ(0, std::memcmp(OpenKey(diary, "Rose 8")->Bytes(), key->Bytes(), DiaryKey::kBytes));
    EXPECT_TRUE(PasswordNowhere(diary, "Rose 8"));

    ASSERT_TRUE(change.ChangeProtection(Change("Rose 8", key, classic, false)).IsOk());
    EXPECT_FALSE(change.DiaryKeyNow());
    EXPECT_FALSE(Settings(diary).Find("Security", "StrongKey"));
    EXPECT_TRUE(diary.ReadsWithStoredPassword());
    EXPECT_EQ(diary.StoredPassword(), classic);
  }
}

TEST(StrongProtection, NeedsAPassword) {
  TestDiary diary(2, "OLD");
  const Status s =
      PasswordChange(diary.dir.path(), RealFileSystem()).ChangeProtection(Change("OLD", nullptr, "", true));
  EXPECT_EQ(s.Code(), StatusCode::Refused);
  EXPECT_TRUE(diary.ReadsWithStoredPassword());
}

// A file that does not decrypt stops turning strong encryption off before anything changes, and
// is named, so that the user can move it aside.
TEST(StrongProtection, AnAlteredFileStopsTheWayBackAndChangesNothing) {
  TestDiary diary(4, "");
  PasswordChange change(diary.dir.path(), RealFileSystem());
  ASSERT_TRUE(change.ChangeProtection(Change("", nullptr, kStrongPassword, true)).IsOk());
  const std::shared_ptr<const DiaryKey> key = change.DiaryKeyNow();
  const std::string settings = ReadFile(diary.dir / "KW.INI");
  std::string bytes = ReadFile(diary.dir / "Entries/20200103.KWE");
  bytes.back() = static_cast<char>(bytes.back() ^ 1);
  WriteFile(diary.dir / "Entries/20200103.KWE", bytes);

  const Status s = change.ChangeProtection(Change(kStrongPassword, key, "", false));
  ASSERT_FALSE(s.IsOk());
  EXPECT_NE(s.Message().find("20200103.KWE"), std::string::npos) << s.Message();
  EXPECT_EQ(ReadFile(diary.dir / "KW.INI"), settings);
  diary.plain.erase("20200103.KWE");
  EXPECT_TRUE(ReadsStrongly(diary, *key));
}

// Killed between any two steps of turning strong encryption on or off, the diary opens at the next
// start under one protection, with every entry whole.
TEST(StrongProtection, KilledAtAnyStepTheDiaryOpens) {
  for (const bool turning_on : {true, false}) {
    SCOPED_TRACE(turning_on ? "on" : "off");
    TestDiary diary(6, "OLD");
    std::shared_ptr<const DiaryKey> key;
    if (!turning_on) {
      PasswordChange first(diary.dir.path(), RealFileSystem());
      ASSERT_TRUE(first.ChangeProtection(Change("OLD", nullptr, kStrongPassword, true)).IsOk());
      key = first.DiaryKeyNow();
    }
    testing::TempDir snapshots;
    SnapshotFileSystem fs(diary.dir.path(), snapshots.path());
    const ProtectionChange run = turning_on ? Change("OLD", nullptr, kStrongPassword, true)
                                            : Change(kStrongPassword, key, "NEW", false);
    ASSERT_TRUE(PasswordChange(diary.dir.path(), fs).ChangeProtection(run).IsOk());
    fs.Snapshot();
    ASSERT_GT(fs.count, 2 * 8);
    int strong = 0, classic = 0;
    for (int i = 0; i < fs.count; ++i) {
      SCOPED_TRACE("after step " + std::to_string(i));
      TestDiary stopped(0, "");
      std::filesystem::remove_all(stopped.dir / "Entries");
      std::filesystem::copy(
          snapshots / std::to_string(i), stopped.dir.path(),
          std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
      stopped.plain = diary.plain;
      ASSERT_TRUE(PasswordChange(stopped.dir.path(), RealFileSystem()).FinishInterrupted().IsOk());
      RemoveStaleTempFiles(stopped.dir.path(), RealFileSystem());
      if (ReadWrappedKey(Settings(stopped)).empty()) {
        ++classic;
        EXPECT_TRUE(stopped.ReadsWithStoredPassword());
      } else {
        ++strong;
        const std::shared_ptr<const DiaryKey> opened = OpenKey(stopped, kStrongPassword);
        ASSERT_TRUE(opened);
        EXPECT_TRUE(ReadsStrongly(stopped, *opened));
      }
    }
    EXPECT_GT(strong, 0);
    EXPECT_GT(classic, 0);
  }
}

TEST(PasswordJournal, CarriesTheSealedKey) {
  PasswordJournal journal;
  journal.state = PasswordJournal::State::Switching;
  journal.strongKey = "argon2id:1:1:8192:00:11:22";
  const Result<PasswordJournal> back = PasswordJournal::Parse(journal.Bytes());
  ASSERT_TRUE(back.IsOk());
  EXPECT_EQ(back.Value().strongKey, journal.strongKey);
  EXPECT_TRUE(back.Value().storedPassword.empty());
  EXPECT_FALSE(PasswordJournal::Parse(journal.Bytes() + "more\n").IsOk());
}

}  // namespace
}  // namespace inkwend
