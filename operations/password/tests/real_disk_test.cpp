// A disk that really fills up: a small tmpfs, mounted for the test (skipped where mounting is
// not allowed).
#include <gtest/gtest.h>

#include <optional>

#include "operations/password/password_change.h"
#include "operations/password/tests/mounted_tmpfs.h"
#include "operations/password/tests/test_diary.h"

namespace inkwend {
namespace {

TEST(PasswordChangeOnATmpfs, AFullDiskMidwayLeavesTheOldPasswordAndFiles) {
  testing::TempDir mount_point;
  testing::MountedTmpfs tmpfs(mount_point.path());
  if (!tmpfs.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here: " << tmpfs.error();
  std::optional<testing::TestDiary> diary;
  diary.emplace(60, "OLD", mount_point.path());
  const std::string settings = testing::ReadFile(diary->dir / "KW.INI");
  // Room for about a third of the re-enciphered copies.
  ASSERT_TRUE(tmpfs.LimitTo(uint64_t{100} * 1024));

  const Status s = PasswordChange(diary->dir.path(), RealFileSystem()).Run("OLD", "NEW");
  ASSERT_FALSE(s.IsOk());
  EXPECT_NE(s.Message().find("No space left on device"), std::string::npos) << s.Message();
  EXPECT_TRUE(s.Message().starts_with("The password was not changed")) << s.Message();
  EXPECT_EQ(testing::ReadFile(diary->dir / "KW.INI"), settings);
  EXPECT_TRUE(diary->ReadsWithStoredPassword());
  diary.reset();  // gone before the tmpfs is unmounted
}

}  // namespace
}  // namespace inkwend
