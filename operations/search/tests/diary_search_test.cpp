// The walk over a diary of fixtures: plain and enciphered, with an entry that cannot be read.
#include "operations/search/diary_search.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/tests/temp_dir.h"
#include "store/cipher.h"

namespace inkwend {
namespace {

using namespace std::chrono;
using testing::TempDir;
using testing::WriteFile;

constexpr Date kJan1{year(2023), month(1), day(1)};
constexpr Date kJan5{year(2023), month(1), day(5)};
constexpr Date kFeb2{year(2023), month(2), day(2)};
constexpr Date kFeb9{year(2023), month(2), day(9)};
constexpr Date kMar3{year(2023), month(3), day(3)};
constexpr Date kDec31{year(2023), month(12), day(31)};

std::string Rtf(const std::string& text) {
  return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 " + text + "\\par }";
}

class DiarySearchTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    session_.SetPassword(GetParam());
    std::filesystem::create_directories(dir_ / "Entries");
    Write(kJan1, Rtf("Nothing much."));
    Write(kJan5, Rtf("A walk by the {\\b Sea}side."));
    Write(kFeb2, Rtf("Rain all day."));
    Write(kFeb9, Rtf("Back to the seaside, and the seaside again."));
    Write(kMar3, Rtf("Seaside once more."));
    // Not an entry: a name of another spelling and a folder named as a day.
    WriteFile(dir_ / "Entries/20230106.kwe", Rtf("seaside"));
    std::filesystem::create_directories(dir_ / "Entries/20230107.KWE");
  }
  void Write(Date day, const std::string& rtf) const {
    const std::string& password = GetParam();
    WriteFile(session_.Store().EntryPath(day), password.empty() ? rtf : EncryptBytes(rtf, password));
  }

  TempDir dir_;
  DiarySession session_{dir_.path(), RealFileSystem()};
};

TEST_P(DiarySearchTest, FindsTheEarliestMatchingDayInRange) {
  DiarySearch search(session_, U"SEASIDE");
  std::vector<Date> visited;
  search.onEntry = [&](Date d) { visited.push_back(d); };
  const std::optional<SearchHit> hit = search.FindFirst(kJan1, kDec31);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->day, kJan5);
  EXPECT_EQ(hit->where.offset, 14);
  EXPECT_EQ(visited, (std::vector<Date>{kJan1, kJan5}));

  // Find Next starts the day after: one entry's second match is never reported.
  EXPECT_EQ(search.FindFirst(Date(sys_days(kJan5) + days(1)), kDec31)->day, kFeb9);
  EXPECT_EQ(search.FindFirst(Date(sys_days(kFeb9) + days(1)), kDec31)->day, kMar3);
  EXPECT_FALSE(search.FindFirst(Date(sys_days(kMar3) + days(1)), kDec31));
  // The end day is part of the walk.
  EXPECT_EQ(search.FindFirst(kFeb2, kFeb9)->day, kFeb9);
  EXPECT_FALSE(search.FindFirst(kFeb2, Date(sys_days(kFeb9) - days(1))));
}

TEST_P(DiarySearchTest, FindAllListsEveryMatchingDayInDateOrder) {
  DiarySearch search(session_, U"s*aside");
  std::vector<Date> days;
  search.FindAll(kJan1, kDec31, [&](const SearchHit& hit) {
    days.push_back(hit.day);
    return true;
  });
  EXPECT_EQ(days, (std::vector<Date>{kJan5, kFeb9, kMar3}));
  days.clear();
  search.FindAll(kJan1, kDec31, [&](const SearchHit& hit) {
    days.push_back(hit.day);
    return false;  // stop at the first
  });
  EXPECT_EQ(days, (std::vector<Date>{kJan5}));
}

TEST_P(DiarySearchTest, AnUnreadableEntryIsReportedAndTheWalkGoesOn) {
  // Enciphered with another password, or not RTF at all in a diary without one.
  WriteFile(session_.Store().EntryPath(kJan5), EncryptBytes(Rtf("seaside"), "other password"));
  // Cut off: what can be read is still searched.
  Write(kFeb2, "{\\rtf1\\ansi seaside in a damaged entry");
  DiarySearch search(session_, U"seaside");
  std::vector<Date> unreadable;
  search.onUnreadable = [&](Date d, const Status& why) {
    unreadable.push_back(d);
    EXPECT_FALSE(why.Message().empty());
  };
  std::vector<Date> found;
  search.FindAll(kJan1, kDec31, [&](const SearchHit& hit) {
    found.push_back(hit.day);
    return true;
  });
  EXPECT_EQ(unreadable, std::vector<Date>{kJan5});
  EXPECT_EQ(found, (std::vector<Date>{kFeb2, kFeb9, kMar3}));
}

TEST_P(DiarySearchTest, ADiaryWithoutEntriesFindsNothing) {
  std::filesystem::remove_all(dir_ / "Entries");
  DiarySearch search(session_, U"seaside");
  EXPECT_FALSE(search.FindFirst(kJan1, kDec31));
}

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, DiarySearchTest, ::testing::Values("", "Secret"),
                         [](const auto& info) { return info.param.empty() ? "Plain" : "Enciphered"; });

}  // namespace
}  // namespace inkwend
