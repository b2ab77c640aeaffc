// inkwend-tool search run as a user would, over a generated ten-year diary enciphered with a
// password: it lists exactly the days grep finds in the deciphered entries, ignoring case.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "base/tests/temp_dir.h"
#include "operations/search/tests/ten_year_diary.h"
#include "tools/tests/shell.h"

namespace inkwend {
namespace {

using testing::Shell;
using testing::TempDir;

std::set<std::string> DaysOfToolOutput(const std::string& out) {
  std::set<std::string> days;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find('\t');
    EXPECT_EQ(tab, 10u) << line;
    const std::string iso = line.substr(0, tab);
    days.insert(iso.substr(0, 4) + iso.substr(5, 2) + iso.substr(8, 2));
  }
  return days;
}

std::set<std::string> DaysOfGrep(const std::string& out) {
  std::set<std::string> days;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const size_t slash = line.rfind('/');
    days.insert(line.substr(slash + 1, 8));
  }
  return days;
}

TEST(SearchCommand, ListsTheDaysGrepFindsInTheDecipheredEntries) {
  TempDir dir;
  testing::WriteTenYearDiary(dir / "diary", "Dear diary", dir / "plain");
  for (const std::string word : {"zeppelin", "MARMALADE", "quokka"}) {
    const auto tool = Shell(std::string(INKWEND_TOOL) + " search --data-dir " + (dir / "diary") +
                            " --password 'Dear diary' " + word);
    const auto grep = Shell("grep -ril " + word + " " + (dir / "plain"));
    const std::set<std::string> expected = DaysOfGrep(grep.out);
    EXPECT_FALSE(expected.empty()) << word;
    EXPECT_EQ(tool.code, 0) << word;
    EXPECT_EQ(DaysOfToolOutput(tool.out), expected) << word;
  }
}

TEST(SearchCommand, PrintsTheWordsAroundEachMatchAndTellsItsOutcome) {
  TempDir dir;
  std::filesystem::create_directories(dir / "diary/Entries");
  testing::WriteFile(dir / "diary/Entries/20240102.KWE",
                     "{\\rtf1\\ansi We saw a {\\b Zep}pelin today.\\par}");
  testing::WriteFile(dir / "diary/Entries/20240101.KWE", "{\\rtf1\\ansi Nothing.\\par}");
  const auto found =
      Shell(std::string(INKWEND_TOOL) + " search --data-dir " + (dir / "diary") + " 'z*ppelin'");
  EXPECT_EQ(found.code, 0);
  EXPECT_EQ(found.out, "2024-01-02\tWe saw a Zeppelin today.\n");
  const auto none = Shell(std::string(INKWEND_TOOL) + " search --data-dir " + (dir / "diary") + " balloon");
  EXPECT_EQ(none.code, 1);
  EXPECT_EQ(none.out, "");
  // An entry that is not RTF is said on standard error; the others are still searched.
  testing::WriteFile(dir / "diary/Entries/20240103.KWE", std::string("\x01\x02garbage", 9));
  EXPECT_EQ(Shell(std::string(INKWEND_TOOL) + " search --data-dir " + (dir / "diary") + " zeppelin").code, 2);
  EXPECT_EQ(Shell(std::string(INKWEND_TOOL) + " search").code, 2);
}

}  // namespace
}  // namespace inkwend
