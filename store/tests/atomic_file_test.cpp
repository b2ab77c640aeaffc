#include "store/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(AtomicFile, ReadWholeFileRefusesOversizedFiles) {
  TempDir dir;
  struct Case {
    unsigned long long size;
    bool readable;
  } cases[] = {{0, true}, {70000, true}, {kMaxReadBytes + 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    // Sparse: a huge file costs no disk space.
    WriteFile(dir / "f", "");
    ASSERT_EQ(::truncate((dir / "f").c_str(), static_cast<off_t>(c.size)), 0);
    std::string bytes = "old";
    const Status s = ReadWholeFile(dir / "f", bytes);
    EXPECT_EQ(s.ok(), c.readable) << s.message();
    EXPECT_EQ(bytes.size(), c.readable ? c.size : 0);
    if (!c.readable) {
      EXPECT_NE(s.message().find("larger than 1024 MB"), std::string::npos) << s.message();
    }
  }
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
