// PrintRangeToPdf: a cancelled or failed print never leaves half a file in place of a good one,
// and nothing of its temporary files behind.
#include "platform/diary_printing.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <filesystem>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"

namespace inkwend {
namespace {

using namespace std::chrono;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr Date kJan1{year(2023), month(1), day(1)};
constexpr Date kJan31{year(2023), month(1), day(31)};

class DiaryPrintingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "platform_diary_printing_test";
      static char* argv[] = {name, nullptr};
      new QGuiApplication(argc, argv);
    }
  }
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "Entries");
    for (unsigned d = 1; d <= 4; ++d) {
      const Date day{year(2023), month(1), std::chrono::day(d)};
      WriteFile(session_.Store().EntryPath(day),
                "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Entry " + std::to_string(d) + ".\\par}");
    }
    out_ = dir_ / "out.pdf";
    WriteFile(out_, "the good file");
  }
  // Names in the output folder other than Entries.
  int FilesBeside() const {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) n += e.is_regular_file() ? 1 : 0;
    return n;
  }

  TempDir dir_;
  FaultyFileSystem fs_;
  DiarySession session_{dir_.path(), fs_};
  std::string out_;
};

TEST_F(DiaryPrintingTest, CancelMidwayKeepsTheOldFile) {
  int days = 0;
  DiaryPrintRun run;
  run.onDay = [&](Date) { return ++days < 2; };
  PrintSummary summary;
  run.summary = &summary;
  EXPECT_EQ(PrintRangeToPdf(session_, kJan1, kJan31, PrintMode::Merged, out_, run).Code(),
            StatusCode::Cancelled);
  EXPECT_EQ(summary.entries, 2);
  EXPECT_EQ(ReadFile(out_), "the good file");
  EXPECT_EQ(FilesBeside(), 1);
}

TEST_F(DiaryPrintingTest, AFailingRenameKeepsTheOldFileAndSaysSo) {
  fs_.FailRenames(out_);
  const Status done = PrintRangeToPdf(session_, kJan1, kJan31, PrintMode::Merged, out_);
  EXPECT_FALSE(done.IsOk());
  EXPECT_NE(done.Message().find("out.pdf"), std::string::npos) << done.Message();
  EXPECT_EQ(fs_.FaultsInjected(), 1);
  EXPECT_EQ(ReadFile(out_), "the good file");
  EXPECT_EQ(FilesBeside(), 1);
}

TEST_F(DiaryPrintingTest, CompletedPrintReplacesTheFile) {
  EXPECT_TRUE(PrintRangeToPdf(session_, kJan1, kJan31, PrintMode::Merged, out_).IsOk());
  EXPECT_EQ(ReadFile(out_).rfind("%PDF", 0), 0u);
  EXPECT_EQ(FilesBeside(), 1);
}

TEST(PerEntryPdfPath, NamesEachDayBesideTheTarget) {
  EXPECT_EQ(PerEntryPdfPath("/a/diary.pdf", kJan1), "/a/diary-20230101.pdf");
  EXPECT_EQ(PerEntryPdfPath("/a/diary.PDF", kJan1), "/a/diary-20230101.pdf");
  EXPECT_EQ(PerEntryPdfPath("/a/diary", kJan1), "/a/diary-20230101.pdf");
}

}  // namespace
}  // namespace inkwend
