#include "store/diary_session.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"
#include "store/cipher.h"
#include "store/ini_file.h"

namespace inkwend {
namespace {

using namespace std::chrono;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr Date kToday{year(2026), month(12), day(10)};
constexpr Date kDay{year(2024), month(9), day(1)};
const std::string kRtf = "{\\rtf1\\ansi Dear diary\\par }";

// The machine's file system with faults on request (FailCopies: a full disk when the damaged copy
// is made), counting the copies asked for.
class CopyCountingFileSystem final : public FaultyFileSystem {
 public:
  int copies = 0;
  Status CopyFile(const std::string& src, const std::string& dst) override {
    ++copies;
    return FaultyFileSystem::CopyFile(src, dst);
  }
};

// A reader standing in for an editor: keeps what it was given and answers `answer`.
struct FakeEditor {
  std::string document;
  int reads = 0;
  Status answer;
  RtfReader Reader() {
    return [this](std::string rtf) {
      ++reads;
      document = std::move(rtf);
      return answer;
    };
  }
  RtfWriter Writer() const {
    return [this]() -> Result<std::string> { return document; };
  }
};

class DiarySessionTest : public ::testing::Test {
 protected:
  DiarySessionTest() : session_(dir_.path(), fs_) {
    EXPECT_TRUE(session_.EnsureEntriesDirectory().IsOk());
    Show(kDay);
  }
  void Show(Date day) {
    session_.SetCurrentDate(day);
    session_.FindEntry();
  }
  std::string EntryFile(Date day) const { return dir_.path() + "Entries/" + DateKey(day) + ".KWE"; }

  TempDir dir_;
  CopyCountingFileSystem fs_;
  DiarySession session_;
  FakeEditor editor_;
};

TEST_F(DiarySessionTest, SaveAndLoadPlainAndEnciphered) {
  for (const std::string password : {"", "Secret"}) {
    SCOPED_TRACE(password);
    session_.SetPassword(password);
    editor_.document = kRtf;
    session_.SetModified(true);
    ASSERT_TRUE(session_.Save(editor_.Writer(), false).IsOk());
    EXPECT_TRUE(session_.HasEntry());
    EXPECT_FALSE(session_.Modified());
    const std::string file = ReadFile(EntryFile(kDay));
    if (password.empty())
      EXPECT_EQ(file, kRtf);
    else
      EXPECT_EQ(DecryptBytes(file, password), kRtf);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Eraseme.rtf"));

    editor_.document.clear();
    Show(kDay);
    ASSERT_TRUE(session_.Load(editor_.Reader()).IsOk());
    EXPECT_EQ(editor_.document, kRtf);
    EXPECT_FALSE(session_.EntryLocked());
    EXPECT_FALSE(session_.EntryDamaged());
  }
}

TEST_F(DiarySessionTest, EmptyTextRemovesTheEntryOrWritesNothing) {
  // A day without entry and without text: nothing is written, and the writer is not asked.
  bool asked = false;
  const RtfWriter writer = [&]() -> Result<std::string> {
    asked = true;
    return kRtf;
  };
  ASSERT_TRUE(session_.Save(writer, true).IsOk());
  EXPECT_FALSE(asked);
  EXPECT_FALSE(std::filesystem::exists(EntryFile(kDay)));
  // With an entry, empty text removes its file.
  ASSERT_TRUE(session_.Save(writer, false).IsOk());
  ASSERT_TRUE(std::filesystem::exists(EntryFile(kDay)));
  ASSERT_TRUE(session_.Save(writer, true).IsOk());
  EXPECT_FALSE(std::filesystem::exists(EntryFile(kDay)));
  EXPECT_FALSE(session_.HasEntry());
  // A day without entry loads nothing.
  Show(kDay);
  EXPECT_TRUE(session_.Load(editor_.Reader()).IsOk());
  EXPECT_EQ(editor_.reads, 0);
}

TEST_F(DiarySessionTest, FailedWriteKeepsTheTextModifiedAndTheFileUntouched) {
  WriteFile(EntryFile(kDay), kRtf);
  Show(kDay);
  session_.SetModified(true);
  const RtfWriter refusing = []() -> Result<std::string> { return Status::Error("error 7"); };
  const Status saved = session_.Save(refusing, false);
  EXPECT_EQ(saved.Code(), StatusCode::IoError);
  EXPECT_NE(saved.Message().find("The editor could not write it: error 7."), std::string::npos);
  EXPECT_TRUE(session_.Modified());
  EXPECT_EQ(ReadFile(EntryFile(kDay)), kRtf);
}

TEST_F(DiarySessionTest, UnreadableEntryIsLockedUntilTheUserDeletesIt) {
  struct Case {
    const char* name;
    std::string file;
    std::string password;
    const char* message;
  } cases[] = {
      {"not an entry", std::string("\x01\x02garbage\xff", 10), "", "does not hold a diary entry"},
      {"empty file", "", "", "does not hold a diary entry"},
      {"other password", EncryptBytes(kRtf, "wrong"), "right", "cannot be deciphered"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(EntryFile(kDay), c.file);
    session_.SetPassword(c.password);
    Show(kDay);
    const Status shown = session_.Load(editor_.Reader());
    EXPECT_EQ(shown.Code(), StatusCode::Refused);
    EXPECT_NE(shown.Message().find(c.message), std::string::npos) << shown.Message();
    EXPECT_EQ(editor_.reads, 0);
    EXPECT_TRUE(session_.EntryLocked());
    // New text is not written over the file ...
    editor_.document = kRtf;
    EXPECT_EQ(session_.Save(editor_.Writer(), false).Code(), StatusCode::Refused);
    EXPECT_EQ(ReadFile(EntryFile(kDay)), c.file);
    // ... but the user may delete it.
    session_.AllowRemoval();
    EXPECT_TRUE(session_.Save(editor_.Writer(), true).IsOk());
    EXPECT_FALSE(std::filesystem::exists(EntryFile(kDay)));
  }
}

TEST_F(DiarySessionTest, EditorThatReadsNothingLocksTheEntry) {
  WriteFile(EntryFile(kDay), kRtf);
  Show(kDay);
  editor_.answer = Status::Error(StatusCode::OutOfMemory, "It is too large for the memory available.");
  EXPECT_EQ(session_.Load(editor_.Reader()).Code(), StatusCode::OutOfMemory);
  EXPECT_TRUE(session_.EntryLocked());
  // Another day unlocks.
  Show(kToday);
  EXPECT_TRUE(session_.Load(editor_.Reader()).IsOk());
  EXPECT_FALSE(session_.EntryLocked());
}

class DamagedEntryTest : public DiarySessionTest {
 protected:
  const std::string damaged_ = "{\\rtf1 kept text";
  // Writes the damaged file and loads it as an editor that read part of it would.
  void LoadDamaged(const std::string& bytes) {
    WriteFile(EntryFile(kDay), bytes);
    Show(kDay);
    editor_.answer = Status::Damaged("cut off", Damage{16, "1 open group"});
    ASSERT_EQ(session_.Load(editor_.Reader()).Code(), StatusCode::Damaged);
    ASSERT_TRUE(session_.EntryDamaged());
    ASSERT_FALSE(session_.EntryLocked());
    editor_.answer = Status::Ok();
    editor_.document = kRtf;  // the user's changes
  }
  std::string Copy(const char* suffix) const { return EntryFile(kDay) + suffix; }
};

TEST_F(DamagedEntryTest, EverySaveOfADamagedLoadKeepsItsOwnCopy) {
  // The first copy is "….damaged"; later ones are numbered and never replace an earlier one.
  const char* suffixes[] = {".damaged", ".damaged-2", ".damaged-3"};
  for (int i = 0; i < 3; ++i) {
    const std::string original = damaged_ + std::to_string(i);
    LoadDamaged(original);
    EXPECT_EQ(session_.DamagedCopyPath(), Copy(suffixes[i]));
    ASSERT_TRUE(session_.Save(editor_.Writer(), false).IsOk());
    EXPECT_EQ(ReadFile(EntryFile(kDay)), kRtf);
    EXPECT_EQ(ReadFile(Copy(suffixes[i])), original);
    EXPECT_FALSE(session_.EntryDamaged());
  }
  EXPECT_EQ(ReadFile(Copy(".damaged")), damaged_ + "0");
  // The next save of the mended entry makes no further copy.
  const int copies = fs_.copies;
  EXPECT_TRUE(session_.Save(editor_.Writer(), false).IsOk());
  EXPECT_EQ(fs_.copies, copies);
  // A folder under the next name is passed by as well.
  std::filesystem::create_directory(Copy(".damaged-4"));
  LoadDamaged(damaged_);
  EXPECT_EQ(session_.DamagedCopyPath(), Copy(".damaged-5"));
}

TEST_F(DamagedEntryTest, FailedCopyLeavesTheEntryFileAsItIs) {
  LoadDamaged(damaged_);
  fs_.FailCopies("");
  session_.SetModified(true);
  const Status saved = session_.Save(editor_.Writer(), false);
  EXPECT_FALSE(saved.IsOk());
  EXPECT_NE(saved.Message().find("No space left on device"), std::string::npos) << saved.Message();
  EXPECT_NE(saved.Message().find("your text is still in the editor"), std::string::npos);
  EXPECT_EQ(ReadFile(EntryFile(kDay)), damaged_);
  EXPECT_FALSE(std::filesystem::exists(Copy(".damaged")));
  EXPECT_TRUE(session_.Modified());
  EXPECT_TRUE(session_.EntryDamaged());
  // Once copies work again the same save goes through, keeping the original.
  fs_.ClearFaults();
  ASSERT_TRUE(session_.Save(editor_.Writer(), false).IsOk());
  EXPECT_EQ(ReadFile(Copy(".damaged")), damaged_);
  EXPECT_EQ(ReadFile(EntryFile(kDay)), kRtf);
}

// A copy that does not read back as the damaged file is no copy: the save is refused, the file
// kept as it is, and the incomplete copy removed.
TEST_F(DamagedEntryTest, CopyThatDoesNotReadBackWholeRefusesTheSave) {
  const std::string entry_name = DateKey(kDay) + ".KWE";
  struct Case {
    const char* name;
    std::function<void(FaultyFileSystem&)> fault;
  };
  const Case cases[] = {
      {"the entry reads cut short", [&](FaultyFileSystem& fs) { fs.ShortenReads(entry_name, 5); }},
      {"the copy reads back cut short",
       [&](FaultyFileSystem& fs) { fs.ShortenReads(entry_name + ".damaged", 5); }},
      {"the entry cannot be read", [&](FaultyFileSystem& fs) { fs.FailReads(entry_name); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadDamaged(damaged_);
    const int faults_before = fs_.FaultsInjected();
    c.fault(fs_);
    const Status saved = session_.Save(editor_.Writer(), false);
    EXPECT_FALSE(saved.IsOk());
    EXPECT_NE(saved.Message().find("your text is still in the editor"), std::string::npos) << saved.Message();
    EXPECT_GT(fs_.FaultsInjected(), faults_before);
    fs_.ClearFaults();
    EXPECT_EQ(ReadFile(EntryFile(kDay)), damaged_);
    EXPECT_FALSE(std::filesystem::exists(Copy(".damaged")));
    EXPECT_TRUE(session_.EntryDamaged());
  }
}

// Every save of the damaged entry checks its copy again until one save succeeds: a copy that went
// or changed after a failed write is made anew before the file is written over.
TEST_F(DamagedEntryTest, EachSaveChecksTheCopyAgain) {
  LoadDamaged(damaged_);
  fs_.FailWrites(DateKey(kDay) + ".KWE");
  ASSERT_FALSE(session_.Save(editor_.Writer(), false).IsOk());
  fs_.ClearFaults();
  EXPECT_EQ(ReadFile(Copy(".damaged")), damaged_);
  EXPECT_TRUE(session_.EntryDamaged());

  WriteFile(Copy(".damaged"), "changed");  // the copy no longer holds the file
  ASSERT_TRUE(session_.Save(editor_.Writer(), false).IsOk());
  EXPECT_EQ(ReadFile(Copy(".damaged-2")), damaged_);
  EXPECT_EQ(ReadFile(EntryFile(kDay)), kRtf);
  EXPECT_FALSE(session_.EntryDamaged());

  // A copy that still holds the file is used as it is.
  LoadDamaged(damaged_);
  fs_.FailWrites(DateKey(kDay) + ".KWE");
  ASSERT_FALSE(session_.Save(editor_.Writer(), false).IsOk());
  fs_.ClearFaults();
  const int copies = fs_.copies;
  ASSERT_TRUE(session_.Save(editor_.Writer(), false).IsOk());
  EXPECT_EQ(fs_.copies, copies);
  EXPECT_EQ(ReadFile(Copy(".damaged-3")), damaged_);
}

TEST_F(DamagedEntryTest, RemovingADamagedEntryMakesNoCopy) {
  LoadDamaged(damaged_);
  ASSERT_TRUE(session_.Save(editor_.Writer(), true).IsOk());
  EXPECT_FALSE(std::filesystem::exists(EntryFile(kDay)));
  EXPECT_EQ(fs_.copies, 0);
}

TEST_F(DiarySessionTest, LoadDayLeavesTheDayShownAlone) {
  const Date other{year(2020), month(2), day(29)};
  session_.SetPassword("pw");
  WriteFile(EntryFile(other), EncryptBytes(kRtf, "pw"));
  session_.SetModified(true);
  ASSERT_TRUE(session_.LoadDay(other, editor_.Reader()).IsOk());
  EXPECT_EQ(editor_.document, kRtf);
  EXPECT_EQ(session_.CurrentDate(), kDay);
  EXPECT_FALSE(session_.HasEntry());
  EXPECT_TRUE(session_.Modified());
  // A day without entry reads nothing; a damaged read is no lock of the day shown.
  EXPECT_TRUE(session_.LoadDay(Date{year(2020), month(3), day(1)}, editor_.Reader()).IsOk());
  EXPECT_EQ(editor_.reads, 1);
  editor_.answer = Status::Damaged("cut off", Damage{});
  EXPECT_EQ(session_.LoadDay(other, editor_.Reader()).Code(), StatusCode::Damaged);
  EXPECT_FALSE(session_.EntryDamaged());
  EXPECT_FALSE(session_.EntryLocked());
}

TEST_F(DiarySessionTest, FirstLastNextAndPreviousDays) {
  EXPECT_EQ(session_.FirstEntryDay(kToday).Value(), kToday);
  EXPECT_EQ(session_.LastEntryDay(kToday).Value(), kToday);
  WriteFile(EntryFile(Date{year(2001), month(5), day(6)}), kRtf);
  WriteFile(EntryFile(Date{year(2099), month(12), day(31)}), kRtf);
  WriteFile(dir_.path() + "Entries/notes.KWE", kRtf);
  WriteFile(dir_.path() + "Entries/20000101.KWE.damaged", kRtf);
  EXPECT_EQ(session_.FirstEntryDay(kToday).Value(), (Date{year(2001), month(5), day(6)}));
  EXPECT_EQ(session_.LastEntryDay(kToday).Value(), (Date{year(2099), month(12), day(31)}));

  struct Case {
    Date from;
    Date next;
    Date previous;
  } cases[] = {
      {Date{year(2023), month(12), day(31)}, Date{year(2024), month(1), day(1)},
       Date{year(2023), month(12), day(30)}},
      {Date{year(2024), month(3), day(1)}, Date{year(2024), month(3), day(2)},
       Date{year(2024), month(2), day(29)}},
      {Date{year(2023), month(3), day(1)}, Date{year(2023), month(3), day(2)},
       Date{year(2023), month(2), day(28)}},
  };
  for (const Case& c : cases) {
    session_.SetCurrentDate(c.from);
    EXPECT_EQ(session_.NextDay().Value(), c.next);
    EXPECT_EQ(session_.PreviousDay().Value(), c.previous);
  }
  // Entry keys have four-digit years: the diary ends there.
  session_.SetCurrentDate(Date{year(9999), month(12), day(31)});
  EXPECT_EQ(session_.NextDay().GetStatus().Code(), StatusCode::Refused);
  session_.SetCurrentDate(Date{year(1), month(1), day(1)});
  EXPECT_EQ(session_.PreviousDay().GetStatus().Code(), StatusCode::Refused);
}

TEST_F(DiarySessionTest, PreferencesRoundTripThroughTheSettingsFile) {
  WriteFile(dir_ / "KW.INI", "[Opening Screen]\r\nshow=0\r\n[Mine]\r\nKept=1\r\n");
  ASSERT_TRUE(session_.LoadPreferences({0, 0, 600, 400}).IsOk());
  EXPECT_FALSE(session_.GetPreferences().showOpeningMessage);
  session_.SetPassword("Secret");
  session_.MutablePreferences().defaultFontSize = 14;
  ASSERT_TRUE(session_.SavePreferences().IsOk());
  EXPECT_NE(ReadFile(dir_ / "KW.INI").find("[Mine]\r\nKept=1\r\n"), std::string::npos);

  DiarySession again(dir_.path(), fs_);
  ASSERT_TRUE(again.LoadPreferences({0, 0, 600, 400}).IsOk());
  EXPECT_EQ(again.Password(), "Secret");
  EXPECT_EQ(again.GetPreferences().defaultFontSize, 14);
  // A settings file that cannot be read is reported, and the defaults apply.
  std::filesystem::remove(dir_ / "KW.INI");
  std::filesystem::create_directory(dir_ / "KW.INI");
  EXPECT_FALSE(again.LoadPreferences({0, 0, 600, 400}).IsOk());
  EXPECT_EQ(again.Password(), "");
  EXPECT_EQ(again.GetPreferences().defaultFontSize, 10);
}

// A settings file far larger than any is not read: the defaults apply, it is said once, and the
// file stays as it was for the rest of the run.
TEST_F(DiarySessionTest, OversizedSettingsFileIsRefusedAndKept) {
  const std::string huge = "[Opening Screen]\r\nshow=0\r\n" + std::string(IniFile::kMaxFileBytes, ';');
  WriteFile(dir_ / "KW.INI", huge);
  const Status loaded = session_.LoadPreferences({0, 0, 600, 400});
  EXPECT_EQ(loaded.Code(), StatusCode::Refused);
  EXPECT_NE(loaded.Message().find("larger than 1 MB"), std::string::npos) << loaded.Message();
  EXPECT_NE(loaded.Message().find("default settings"), std::string::npos) << loaded.Message();
  EXPECT_TRUE(session_.GetPreferences().showOpeningMessage);
  EXPECT_TRUE(session_.SettingsRefused());

  // Changes live in memory; neither a save nor a second read touches the file or says more.
  session_.MutablePreferences().defaultFontSize = 14;
  EXPECT_TRUE(session_.SavePreferences().IsOk());
  EXPECT_TRUE(session_.LoadPreferences({0, 0, 600, 400}).IsOk());
  EXPECT_EQ(session_.GetPreferences().defaultFontSize, 14);
  EXPECT_TRUE(ReadFile(dir_ / "KW.INI") == huge);

  // One of exactly the limit is still a settings file.
  WriteFile(dir_ / "KW.INI", huge.substr(0, IniFile::kMaxFileBytes));
  DiarySession again(dir_.path(), fs_);
  EXPECT_TRUE(again.LoadPreferences({0, 0, 600, 400}).IsOk());
  EXPECT_FALSE(again.GetPreferences().showOpeningMessage);
}

}  // namespace
}  // namespace inkwend
