// The export walk on a diary of its own, plain and enciphered: RTF files byte-equal to the
// deciphered entries, text files, and the failures (full disk, refused rename, unreadable entry)
// through FaultyFileSystem.
#include "operations/export/diary_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"
#include "store/cipher.h"

namespace inkwend {
namespace {

namespace fs = std::filesystem;
using std::chrono::day;
using std::chrono::month;
using std::chrono::year;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

Date D(int y, unsigned m, unsigned d) { return Date{year(y), month(m), day(d)}; }

std::string Rtf(const std::string& body) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\r\n\\f0 " + body + "\\par }\r\n";
}

std::map<std::string, std::string> Files(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(folder))
    files[e.path().filename().string()] = ReadFile(e.path());
  return files;
}

struct Diary {
  TempDir dir;
  TempDir out;
  FaultyFileSystem files;
  DiarySession session{dir.path(), files};
  std::map<std::string, std::string> plain;  // by exported name

  explicit Diary(const std::string& password = "") {
    session.SetPassword(password);
    fs::create_directory(dir / "Entries");
    Add(D(2024, 2, 1), Rtf("First {\\b bold} day."));
    Add(D(2024, 2, 3), Rtf("Caf\\'e9 and a tab\\tab there.\\par Second paragraph"));
    Add(D(2024, 3, 9), Rtf(std::string(9000, 'x')));  // over the cipher's 4096-byte chunk
    Add(D(2023, 12, 31), Rtf("Outside the range."));
    fs::create_directory(dir / "Entries/20240202.KWE");  // a folder under a day's name: no entry
  }
  void Add(Date d, const std::string& rtf) {
    const std::string stored = session.Password().empty() ? rtf : EncryptBytes(rtf, session.Password());
    WriteFile(dir / ("Entries/" + DateKey(d) + ".KWE"), stored);
    plain[DateKey(d) + ".RTF"] = rtf;
  }
};

class RtfExport : public ::testing::TestWithParam<const char*> {};

TEST_P(RtfExport, WritesTheDecipheredEntriesOfTheRange) {
  Diary diary(GetParam());
  WriteFile(diary.out / "20240201.RTF", "an earlier export");  // replaced without asking
  DiaryExport out(diary.session, diary.out / "");
  std::vector<Date> shown;
  out.onEntry = [&](Date d) { shown.push_back(d); };
  const Status s = out.Run(D(2024, 1, 1), D(2024, 12, 31), ExportFormat::Rtf);
  ASSERT_TRUE(s.IsOk()) << s.Message();
  EXPECT_EQ(out.FilesWritten(), 3);
  std::map<std::string, std::string> expected = diary.plain;
  expected.erase("20231231.RTF");
  EXPECT_EQ(Files(diary.out.path()), expected);
  // Every name the listing gives is shown as it is reached, the folder under 2 February too.
  EXPECT_EQ(shown, (std::vector<Date>{D(2024, 2, 1), D(2024, 2, 2), D(2024, 2, 3), D(2024, 3, 9)}));
}

INSTANTIATE_TEST_SUITE_P(DiaryExport, RtfExport, ::testing::Values("", "Secret"));

TEST(DiaryExport, ARangeWithoutEntriesWritesNothing) {
  Diary diary;
  DiaryExport out(diary.session, diary.out.path());
  ASSERT_TRUE(out.Run(D(2024, 4, 1), D(2024, 4, 30), ExportFormat::Rtf).IsOk());
  EXPECT_EQ(out.FilesWritten(), 0);
  EXPECT_TRUE(Files(diary.out.path()).empty());
}

TEST(DiaryExport, TextFilesHoldTheEntriesText) {
  Diary diary("Secret");
  DiaryExport out(diary.session, diary.out.path());
  ASSERT_TRUE(out.Run(D(2024, 2, 1), D(2024, 2, 3), ExportFormat::PlainText).IsOk());
  EXPECT_EQ(Files(diary.out.path()),
            (std::map<std::string, std::string>{
                {"20240201.txt", "First bold day.\n"},
                {"20240203.txt", "Caf\xC3\xA9 and a tab\tthere.\nSecond paragraph\n"}}));
}

TEST(DiaryExport, PdfIsNotWrittenByTheWalk) {
  Diary diary;
  DiaryExport out(diary.session, diary.out.path());
  EXPECT_EQ(out.Run(D(2024, 1, 1), D(2024, 12, 31), ExportFormat::Pdf).Code(), StatusCode::Refused);
  EXPECT_TRUE(Files(diary.out.path()).empty());
}

// The walk stops at the file that cannot be written (or the entry that cannot be read), names it
// with the reason, says how many were written, and leaves an earlier file of that name whole.
TEST(DiaryExport, AFailureNamesTheFileAndTheCountWritten) {
  struct Case {
    const char* what;
    void (*inject)(FaultyFileSystem&);
    const char* named;
  } cases[] = {
      {"disk full", [](FaultyFileSystem& f) { f.FailWrites("20240203.RTF", 10); }, "20240203.RTF"},
      {"rename refused", [](FaultyFileSystem& f) { f.FailRenames("20240203.RTF"); }, "20240203.RTF"},
      {"entry unreadable", [](FaultyFileSystem& f) { f.FailReads("20240203.KWE"); }, "20240203.KWE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Diary diary("Secret");
    WriteFile(diary.out / "20240203.RTF", "an earlier export");
    c.inject(diary.files);
    DiaryExport out(diary.session, diary.out.path());
    const Status s = out.Run(D(2024, 1, 1), D(2024, 12, 31), ExportFormat::Rtf);
    ASSERT_FALSE(s.IsOk());
    EXPECT_GE(diary.files.FaultsInjected(), 1);
    EXPECT_NE(s.Message().find(c.named), std::string::npos) << s.Message();
    EXPECT_NE(s.Message().find("1 file(s) had been written."), std::string::npos) << s.Message();
    EXPECT_EQ(out.FilesWritten(), 1);
    EXPECT_EQ(Files(diary.out.path()),
              (std::map<std::string, std::string>{{"20240201.RTF", diary.plain["20240201.RTF"]},
                                                  {"20240203.RTF", "an earlier export"}}));
  }
}

TEST(DiaryExport, FormatNames) {
  ExportFormat f = ExportFormat::Rtf;
  EXPECT_TRUE(FormatFromName("MD", &f));
  EXPECT_EQ(f, ExportFormat::Markdown);
  EXPECT_FALSE(FormatFromName("doc", &f));
  EXPECT_EQ(ExportFileName(D(1998, 10, 15), ExportFormat::Rtf), "19981015.RTF");
  EXPECT_EQ(ExportFileName(D(1998, 10, 15), ExportFormat::PlainText), "19981015.txt");
}

}  // namespace
}  // namespace inkwend
