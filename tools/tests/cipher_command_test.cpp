#include <gtest/gtest.h>

#include <cstdlib>

#include "base/tests/temp_dir.h"
#include "store/cipher.h"

namespace inkwend {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

int Tool(const std::string& args) {
  const int status = std::system((std::string(INKWEND_TOOL) + " " + args + " 2>/dev/null").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CipherCommand, RoundTripsAndMatchesTheCipher) {
  TempDir dir;
  std::string plain(10000, '\0');
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<char>(i * 13);
  WriteFile(dir / "in", plain);
  ASSERT_EQ(Tool("cipher encrypt --password 'My Diary' " + (dir / "in") + " " + (dir / "enc")), 0);
  EXPECT_EQ(ReadFile(dir / "enc"), EncryptBytes(plain, "My Diary"));
  ASSERT_EQ(Tool("cipher decrypt --password 'MY DIARY' " + (dir / "enc") + " " + (dir / "dec")), 0);
  EXPECT_EQ(ReadFile(dir / "dec"), plain);
}

TEST(CipherCommand, EmptyPasswordFigures) {
  TempDir dir;
  WriteFile(dir / "in", std::string(3, '\0'));
  ASSERT_EQ(Tool("cipher encrypt " + (dir / "in") + " " + (dir / "out")), 0);
  // Seed 0 draws 0, 8, 219.
  EXPECT_EQ(ReadFile(dir / "out"), std::string("\x00\x08\xDB", 3));
}

TEST(CipherCommand, Errors) {
  TempDir dir;
  EXPECT_EQ(Tool("cipher encrypt " + (dir / "missing") + " " + (dir / "out")), 1);
  WriteFile(dir / "in", "x");
  EXPECT_EQ(Tool("cipher encrypt " + (dir / "in") + " " + (dir / "in")), 1);
  EXPECT_EQ(ReadFile(dir / "in"), "x");
  EXPECT_EQ(Tool("cipher scramble a b"), 2);
}

}  // namespace
}  // namespace inkwend
