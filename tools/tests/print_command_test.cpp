// inkwend-tool print over a diary of fixtures, as a user would run it; the PDF files are read
// back with poppler-utils (pdfinfo, pdftotext).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/tests/temp_dir.h"
#include "shell.h"
#include "store/cipher.h"

namespace {

namespace fs = std::filesystem;

using inkwend::testing::Shell;
using inkwend::testing::ShellResult;
using inkwend::testing::TempDir;

std::string Rtf(const std::string& body) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}\\f0\\fs24 " + body + "}";
}
std::string Lines(int count, const std::string& word) {
  std::string body;
  for (int i = 1; i <= count; ++i) body += word + " " + std::to_string(i) + "\\par ";
  return body;
}

class PrintCommand : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { fs::create_directories(dir_ / "Entries"); }
  void Write(const std::string& key, const std::string& rtf) const {
    const std::string& password = GetParam();
    inkwend::testing::WriteFile(dir_ / ("Entries/" + key + ".KWE"),
                                password.empty() ? rtf : inkwend::EncryptBytes(rtf, password));
  }
  // The C locale, so that the header's long date reads the same on every machine.
  ShellResult Tool(const std::string& args) const {
    std::string password = GetParam().empty() ? "" : " --password " + GetParam();
    return Shell("LC_ALL=C LANG=C " + std::string(INKWEND_TOOL) + " print --data-dir " + dir_.path() +
                 password + " --paper letter " + args);
  }
  std::string Out(const std::string& name) const { return dir_ / name; }
  static int Pages(const std::string& pdf) {
    const ShellResult r = Shell("pdfinfo " + pdf);
    const size_t at = r.out.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(r.out.c_str() + at + 6);
  }
  static std::string Text(const std::string& pdf, int page = 0) {
    const std::string pages = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
    return Shell("pdftotext -layout" + pages + " " + pdf + " -").out;
  }
  void Fixture() const {
    Write("20230101", Rtf("New year.\\par"));
    Write("20230102", Rtf(""));  // empty
    Write("20230103", Rtf(Lines(80, "Long entry line")));
    Write("20230104", Rtf("The fourth.\\par"));
    Write("20230201", Rtf("Out of range.\\par"));
  }

  TempDir dir_;
};

TEST_P(PrintCommand, MergedRangeIsOnePdfWithHeadingsInDateOrder) {
  Fixture();
  const ShellResult r = Tool("--from 2023-01-01 --to 2023-01-31 --merged --pdf " + Out("diary.pdf"));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "3 printed, 1 empty, 0 unreadable, 2 sheets\n");
  ASSERT_EQ(Pages(Out("diary.pdf")), 2);
  const std::string first = Text(Out("diary.pdf"), 1), second = Text(Out("diary.pdf"), 2);
  // The first entry and the start of the long one share the first sheet; the long one goes on
  // at the top of the second, where the fourth follows it.
  ASSERT_NE(first.find("Sunday, January 1, 2023"), std::string::npos) << first;
  EXPECT_LT(first.find("Sunday, January 1, 2023"), first.find("New year."));
  EXPECT_LT(first.find("New year."), first.find("Tuesday, January 3, 2023"));
  EXPECT_LT(first.find("Tuesday, January 3, 2023"), first.find("Long entry line 1\n"));
  EXPECT_EQ(first.find("Monday, January 2"), std::string::npos);  // the empty entry
  EXPECT_NE(second.find("Long entry line 80"), std::string::npos) << second;
  EXPECT_LT(second.find("Long entry line 80"), second.find("Wednesday, January 4, 2023"));
  EXPECT_LT(second.find("Wednesday, January 4, 2023"), second.find("The fourth."));
  EXPECT_EQ((first + second).find("Out of range"), std::string::npos);
  // Every line of the long entry once.
  const std::string all = Text(Out("diary.pdf"));
  size_t at = 0;
  for (int i = 1; i <= 80; ++i) {
    at = all.find("Long entry line " + std::to_string(i) + "\n", at);
    ASSERT_NE(at, std::string::npos) << i;
  }
  // A heading stands one blank line (the gap) below the entry before it.
  EXPECT_NE(first.find("New year.\n\n"), std::string::npos) << first;
}

TEST_P(PrintCommand, SeparateRangeIsOnePdfPerEntryUnderItsDateHeader) {
  Fixture();
  const ShellResult r = Tool("--from 2023-01-01 --to 2023-01-31 --separate --pdf " + Out("day.pdf"));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "3 printed, 1 empty, 0 unreadable, 4 sheets\n");
  EXPECT_FALSE(fs::exists(Out("day.pdf")));
  EXPECT_FALSE(fs::exists(Out("day-20230102.pdf")));  // empty: skipped
  EXPECT_FALSE(fs::exists(Out("day-20230201.pdf")));
  ASSERT_EQ(Pages(Out("day-20230101.pdf")), 1);
  ASSERT_EQ(Pages(Out("day-20230103.pdf")), 2);
  ASSERT_EQ(Pages(Out("day-20230104.pdf")), 1);
  const std::string one = Text(Out("day-20230101.pdf"));
  EXPECT_LT(one.find("Sunday, 1 January 2023"), one.find("New year.")) << one;
  // Every page of an entry carries its header.
  for (int page = 1; page <= 2; ++page) {
    const std::string text = Text(Out("day-20230103.pdf"), page);
    EXPECT_EQ(text.find("Tuesday, 3 January 2023"), text.find_first_not_of(" \n")) << text;
  }
  EXPECT_NE(Text(Out("day-20230103.pdf"), 2).find("Long entry line 80"), std::string::npos);
  // Nothing but the finished files is left beside them.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_.path())) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 3);
}

TEST_P(PrintCommand, AnUnreadableEntryIsReportedAndTheRestPrinted) {
  Fixture();
  inkwend::testing::WriteFile(dir_ / "Entries/20230102.KWE", "not an entry, with or without a password");
  const ShellResult r = Tool("--from 2023-01-01 --to 2023-01-31 --merged --pdf " + Out("diary.pdf"));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "3 printed, 0 empty, 1 unreadable, 2 sheets\n");
  EXPECT_NE(Text(Out("diary.pdf")).find("The fourth."), std::string::npos);
}

TEST_P(PrintCommand, ARangeWithoutEntriesWritesNothing) {
  Fixture();
  const ShellResult r = Tool("--from 2022-01-01 --to 2022-12-31 --merged --pdf " + Out("none.pdf"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "0 printed, 0 empty, 0 unreadable, 0 sheets\n");
  EXPECT_FALSE(fs::exists(Out("none.pdf")));
}

TEST_P(PrintCommand, BadArgumentsAreRefused) {
  for (const char* args : {"--from 2023-01-01 --to 2023-01-31 --pdf x.pdf",  // no mode
                           "--from 2023-02-30 --to 2023-03-01 --merged --pdf x.pdf",
                           "--from 2023-01-01 --merged --pdf x.pdf",  // no end
                           "--from 2023-01-01 --to 2023-01-31 --merged --separate --pdf x.pdf",
                           "--from 2023-01-01 --to 2023-01-31 --merged",  // nowhere to print
                           "--from 2023-01-01 --to 2023-01-31 --merged --pdf x.pdf --paper legal"}) {
    EXPECT_EQ(Tool(args).code, 2) << args;
  }
  EXPECT_EQ(Tool("--from 2023-01-01 --to 2023-01-31 --merged --printer no-such-queue").code, 1);
}

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, PrintCommand, ::testing::Values("", "secret"));

}  // namespace
