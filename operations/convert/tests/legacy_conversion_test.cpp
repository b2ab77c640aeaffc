// The legacy conversion on FoxPro and Visual FoxPro tables written by a real xBase library
// (data/make_legacy_tables.py), plain and enciphered, and on hand-made tables for the damage a
// real library would not write; full disks and failed renames come through FaultyFileSystem.
#include "operations/convert/legacy_conversion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"
#include "operations/xbase/tests/xbase_writer.h"
#include "store/cipher.h"

namespace inkwend {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

const std::string kData = INKWEND_SOURCE_DIR "/operations/convert/tests/data/";

// Every file of a folder by name.
std::map<std::string, std::string> Files(const std::string& folder) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(folder)) return files;
  for (const auto& e : fs::directory_iterator(folder))
    files[e.path().filename().string()] = ReadFile(e.path());
  return files;
}

struct OldDiary {
  TempDir dir;
  explicit OldDiary(const std::string& tables) {
    fs::copy_file(kData + tables + "/INKWEND.DBF", dir / "INKWEND.DBF");
    fs::copy_file(kData + tables + "/INKWEND.FPT", dir / "INKWEND.FPT");
  }
  // A hand-made FoxPro table: each row is (deleted, DATE, ENTRY).
  explicit OldDiary(const std::vector<std::tuple<bool, std::string, std::string>>& rows,
                    bool cut_memo = false) {
    using namespace xbase::testing;
    TableSpec plan;
    plan.version = 0xF5;
    plan.fields = {{"DATE", 'C', 8}, {"ENTRY", 'M', 10}};
    FptWriter memo;
    for (const auto& [deleted, date, entry] : rows)
      plan.records.push_back(Row(plan.fields, deleted, {date, MemoPointer(memo.Add(entry))}));
    std::string memo_bytes = memo.Bytes();
    if (cut_memo) memo_bytes.resize(memo_bytes.size() - 64);  // the last memo runs past the end
    WriteFile(dir / "INKWEND.DBF", WriteTable(plan));
    WriteFile(dir / "INKWEND.FPT", memo_bytes);
  }
  std::string entries() const { return dir / "Entries"; }
  std::string staging() const { return dir / kConversionStagingName; }
};

struct RealTableCase {
  const char* tables;
  const char* password;
};

class RealTables : public ::testing::TestWithParam<RealTableCase> {};

// One entry per live date, holding exactly the memo of the latest live record of that date
// (deciphered with the password when there is one); nothing else in Entries/, no staging left.
TEST_P(RealTables, OneEntryPerLiveDateWithTheLatestMemo) {
  const RealTableCase c = GetParam();
  OldDiary diary(c.tables);
  const std::string table_before = ReadFile(diary.dir / "INKWEND.DBF");
  const std::string memo_before = ReadFile(diary.dir / "INKWEND.FPT");
  LegacyConversion conversion(diary.dir.path(), RealFileSystem());
  ASSERT_TRUE(conversion.Offered());
  std::vector<std::string> processed, encrypted;
  conversion.onEntry = [&](std::string_view date) { processed.emplace_back(date); };
  conversion.onEncrypt = [&](std::string_view date) { encrypted.emplace_back(date); };

  const Result<ConversionReport> done = conversion.Run(c.password);
  ASSERT_TRUE(done.IsOk()) << done.GetStatus().Message();
  EXPECT_TRUE(done.Value().passedBy.empty());

  const std::map<std::string, std::string> expected = Files(kData + "expected");
  ASSERT_EQ(expected.size(), 11u);
  EXPECT_EQ(done.Value().entriesWritten, 11);
  std::map<std::string, std::string> converted = Files(diary.entries());
  if (*c.password) {
    for (auto& [name, bytes] : converted) bytes = DecryptBytes(bytes, c.password);
  }
  EXPECT_EQ(converted, expected);
  if (*c.password) {
    EXPECT_NE(ReadFile(diary.entries() + "/20240101.KWE"), expected.at("20240101.KWE"));
  }
  // Table order, live dated records only (the repeated 2 January twice).
  const std::vector<std::string> order = {"20240101", "20240102", "20240103", "20240104",
                                          "20240105", "20240106", "20240107", "20240108",
                                          "20241332", "20240102", "20240109", "20240110"};
  EXPECT_EQ(processed, order);
  EXPECT_EQ(encrypted, *c.password ? order : std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(diary.staging()));
  EXPECT_FALSE(conversion.Offered());  // Entries/ exists now
  EXPECT_EQ(ReadFile(diary.dir / "INKWEND.DBF"), table_before);
  EXPECT_EQ(ReadFile(diary.dir / "INKWEND.FPT"), memo_before);
}

INSTANTIATE_TEST_SUITE_P(LegacyConversion, RealTables,
                         ::testing::Values(RealTableCase{"foxpro", ""}, RealTableCase{"foxpro", "Secret"},
                                           RealTableCase{"visualfoxpro", ""},
                                           RealTableCase{"visualfoxpro", "caf\xE9 key"}),
                         [](const ::testing::TestParamInfo<RealTableCase>& info) {
                           return std::string(info.param.tables) +
                                  (*info.param.password ? "Enciphered" : "Plain");
                         });

// A diary whose KW.INI was made strongly encrypted before its table was converted: the entries are
// strongly encrypted too, never written plain or under the classic cipher.
TEST(LegacyConversion, AStrongDiaryGetsStronglyEncryptedEntries) {
  OldDiary diary("foxpro");
  LegacyConversion conversion(diary.dir.path(), RealFileSystem());
  const std::shared_ptr<const DiaryKey> key = DiaryKey::Generate();
  conversion.diaryKey = key;
  int encrypted = 0;
  conversion.onEncrypt = [&](std::string_view) { ++encrypted; };
  ASSERT_TRUE(conversion.Run("").IsOk());
  EXPECT_EQ(encrypted, 12);
  const std::map<std::string, std::string> expected = Files(kData + "expected");
  std::map<std::string, std::string> converted = Files(diary.entries());
  for (auto& [name, bytes] : converted) {
    ASSERT_TRUE(IsStrongEntry(bytes)) << name;
    bytes = StrongDecrypt(bytes, *key, name.substr(0, 8)).Value();
  }
  EXPECT_EQ(converted, expected);
}

TEST(LegacyConversion, OfferedOnlyForBothTableFilesWithoutEntries) {
  OldDiary diary("foxpro");
  LegacyConversion conversion(diary.dir.path(), RealFileSystem());
  EXPECT_TRUE(conversion.Offered());
  fs::create_directory(diary.entries());
  EXPECT_FALSE(conversion.Offered());  // an existing Entries/ disables it
  fs::remove(diary.entries());
  fs::remove(diary.dir / "INKWEND.FPT");
  EXPECT_FALSE(conversion.Offered());  // the table without its memo file
}

// A full disk or a refused rename midway leaves no Entries/ (so the next start asks again) and
// nothing staged; once the fault is gone the conversion completes.
TEST(LegacyConversion, InterruptedConversionIsOfferedAgain) {
  struct Fault {
    const char* what;
    void (*inject)(FaultyFileSystem&);
  } faults[] = {
      {"disk full at the fifth entry", [](FaultyFileSystem& f) { f.FailWrites("20240105.KWE"); }},
      {"disk full within the large entry", [](FaultyFileSystem& f) { f.FailWrites("20240108.KWE", 4096); }},
      {"folder cannot be put in place", [](FaultyFileSystem& f) { f.FailRenames("Entries"); }},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.what);
    OldDiary diary("foxpro");
    FaultyFileSystem files;
    fault.inject(files);
    LegacyConversion conversion(diary.dir.path(), files);
    const Result<ConversionReport> failed = conversion.Run("");
    ASSERT_FALSE(failed.IsOk());
    EXPECT_GE(files.FaultsInjected(), 1);
    EXPECT_NE(failed.GetStatus().Message().find("could not be converted"), std::string::npos);
    EXPECT_FALSE(fs::exists(diary.entries()));
    EXPECT_TRUE(Files(diary.staging()).empty());
    EXPECT_TRUE(conversion.Offered());

    files.ClearFaults();
    const Result<ConversionReport> again = conversion.Run("");
    ASSERT_TRUE(again.IsOk()) << again.GetStatus().Message();
    EXPECT_EQ(Files(diary.entries()), Files(kData + "expected"));
  }
}

// A run killed midway leaves its staging folder with files (and a half-written temporary file);
// the next run starts that folder afresh, so nothing of it survives that the table does not hold.
TEST(LegacyConversion, LeftoversOfAKilledRunAreCleared) {
  OldDiary diary("visualfoxpro");
  fs::create_directory(diary.staging());
  WriteFile(diary.staging() + "/19990101.KWE", "from a table restored since");
  WriteFile(diary.staging() + "/20240101.KWE.tmp-abc123", "{\\rtf1 half");
  const Result<ConversionReport> done = LegacyConversion(diary.dir.path(), RealFileSystem()).Run("");
  ASSERT_TRUE(done.IsOk()) << done.GetStatus().Message();
  EXPECT_EQ(Files(diary.entries()), Files(kData + "expected"));
}

// A DATE that would name a file outside Entries/ and a memo that cannot be read are passed by
// and said; an earlier record of the same date keeps its entry.
TEST(LegacyConversion, UnsafeDatesAndUnreadableMemosArePassedBy) {
  OldDiary diary({{false, "20240101", "{\\rtf1 first}"},
                  {false, "../../ab", "escapes"},
                  {false, "..", "the folder above"},
                  {false, "20240101", std::string(200, 'x')}},
                 /*cut_memo=*/true);
  const Result<ConversionReport> done = LegacyConversion(diary.dir.path(), RealFileSystem()).Run("");
  ASSERT_TRUE(done.IsOk()) << done.GetStatus().Message();
  EXPECT_EQ(Files(diary.entries()), (std::map<std::string, std::string>{{"20240101.KWE", "{\\rtf1 first}"}}));
  ASSERT_EQ(done.Value().passedBy.size(), 3u);
  EXPECT_EQ(done.Value().passedBy[0].rfind("record 2 (../../ab): ", 0), 0u);
  EXPECT_EQ(done.Value().passedBy[1].rfind("record 3 (..): ", 0), 0u);
  EXPECT_EQ(done.Value().passedBy[2].rfind("record 4 (20240101): ", 0), 0u);
  EXPECT_FALSE(fs::exists(diary.dir / "ab.KWE"));
  EXPECT_EQ(done.Value().entriesWritten, 1);
}

TEST(LegacyConversion, ATableThatCannotBeOpenedConvertsNothing) {
  OldDiary diary("foxpro");
  WriteFile(diary.dir / "INKWEND.DBF", "not a table");
  const Result<ConversionReport> failed = LegacyConversion(diary.dir.path(), RealFileSystem()).Run("");
  ASSERT_FALSE(failed.IsOk());
  EXPECT_NE(failed.GetStatus().Message().find("INKWEND.DBF cannot be opened"), std::string::npos);
  EXPECT_FALSE(fs::exists(diary.entries()));
  EXPECT_FALSE(fs::exists(diary.staging()));
}

}  // namespace
}  // namespace inkwend
