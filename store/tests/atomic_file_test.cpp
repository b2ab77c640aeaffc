#include "store/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "store/tests/temp_dir.h"

namespace inkwend {
namespace {

using testing::FinishesPromptly;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(AtomicFile, UncommittedWriteLeavesOldFileAndNoLitter) {
  TempDir dir;
  WriteFile(dir / "f", "old");
  {
    AtomicFileWriter w;
    ASSERT_TRUE(w.Open(dir / "f").ok());
    ASSERT_TRUE(w.Write("new content").ok());
  }  // dropped without Commit, as after a failure
  EXPECT_EQ(ReadFile(dir / "f"), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  ASSERT_TRUE(WriteFileAtomically(dir / "f", "new").ok());
  EXPECT_EQ(ReadFile(dir / "f"), "new");
}

TEST(AtomicFile, CopyFileContents) {
  TempDir dir;
  std::string big(5000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i);
  WriteFile(dir / "src", big);
  EXPECT_TRUE(CopyFileContents(dir / "src", dir / "dst"));
  EXPECT_EQ(ReadFile(dir / "dst"), big);
  EXPECT_FALSE(CopyFileContents(dir / "src", dir / "src"));
  EXPECT_FALSE(CopyFileContents(dir / "missing", dir / "dst"));
  EXPECT_EQ(ReadFile(dir / "dst"), big);
  EXPECT_FALSE(CopyFileContents(dir / "src", dir.path() + "no/dir/dst"));
}

TEST(AtomicFile, NamedPipeIsRefusedWithoutWaiting) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  WriteFile(dir / "dst", "kept");
  bool copied = true;
  Status read = Status::Ok();
  std::string bytes = "old";
  EXPECT_TRUE(FinishesPromptly([&] { copied = CopyFileContents(dir / "pipe", dir / "dst"); }, dir / "pipe"));
  EXPECT_TRUE(FinishesPromptly([&] { read = ReadWholeFile(dir / "pipe", bytes); }, dir / "pipe"));
  EXPECT_FALSE(copied);
  EXPECT_EQ(ReadFile(dir / "dst"), "kept");
  EXPECT_FALSE(read.ok());
  EXPECT_NE(read.message().find("named pipe"), std::string::npos) << read.message();
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace inkwend
