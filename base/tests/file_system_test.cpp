#include "base/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "base/faulty_file_system.h"
#include "base/tests/temp_dir.h"

namespace inkwend {
namespace {

using testing::FinishesPromptly;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

size_t EntriesIn(const TempDir& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.path()), {}));
}

TEST(RealFileSystem, WritesReadsAndCopies) {
  TempDir dir;
  FileSystem& fs = RealFileSystem();
  std::string big(70000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(fs.WriteFileAtomically(dir / "f", big).IsOk());
  ASSERT_TRUE(fs.ReadFile(dir / "f").IsOk());
  EXPECT_EQ(fs.ReadFile(dir / "f").Value(), big);
  ASSERT_TRUE(fs.CopyFile(dir / "f", dir / "copy").IsOk());
  EXPECT_EQ(ReadFile(dir / "copy"), big);
  EXPECT_EQ(fs.CopyFile(dir / "f", dir / "f").Code(), StatusCode::Refused);
  EXPECT_EQ(fs.CopyFile(dir / "missing", dir / "copy").Code(), StatusCode::NotFound);
  EXPECT_EQ(ReadFile(dir / "copy"), big);
  EXPECT_FALSE(fs.CopyFile(dir / "f", dir.path() + "no/dir/dst").IsOk());
  EXPECT_EQ(EntriesIn(dir), 2u);  // no temporary file left behind
}

TEST(RealFileSystem, ReadRefusesOversizedFiles) {
  TempDir dir;
  struct Case {
    uint64_t size;
    bool readable;
  } cases[] = {{0, true}, {70000, true}, {kMaxReadBytes + 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    // Sparse: a huge file costs no disk space.
    WriteFile(dir / "f", "");
    ASSERT_EQ(::truncate((dir / "f").c_str(), static_cast<off_t>(c.size)), 0);
    const Result<std::string> read = RealFileSystem().ReadFile(dir / "f");
    ASSERT_EQ(read.IsOk(), c.readable) << read.GetStatus().Message();
    if (c.readable) {
      EXPECT_EQ(read.Value().size(), c.size);
    } else {
      EXPECT_EQ(read.GetStatus().Message(), "Cannot read \"" + (dir / "f") + "\": it is larger than 1024 MB");
    }
  }
}

TEST(RealFileSystem, SmallFilesReadUpToTheirLimit) {
  TempDir dir;
  WriteFile(dir / "f", "");
  ASSERT_EQ(::truncate((dir / "f").c_str(), 1 << 20), 0);
  EXPECT_EQ(RealFileSystem().ReadFileAtMost(dir / "f", 1 << 20).Value().size(), size_t{1} << 20);
  const Result<std::string> over = RealFileSystem().ReadFileAtMost(dir / "f", (1 << 20) - 1);
  EXPECT_EQ(over.GetStatus().Code(), StatusCode::Refused);
  EXPECT_EQ(over.GetStatus().Message(),
            "Cannot read \"" + (dir / "f") + "\": it is larger than 1048575 bytes");
}

TEST(RealFileSystem, NamedPipeIsRefusedWithoutWaiting) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  WriteFile(dir / "dst", "kept");
  FileSystem& fs = RealFileSystem();
  Status copied;
  Result<std::string> read = Status::Ok();
  EXPECT_TRUE(FinishesPromptly([&] { copied = fs.CopyFile(dir / "pipe", dir / "dst"); }, dir / "pipe"));
  EXPECT_TRUE(FinishesPromptly([&] { read = fs.ReadFile(dir / "pipe"); }, dir / "pipe"));
  EXPECT_FALSE(copied.IsOk());
  EXPECT_EQ(ReadFile(dir / "dst"), "kept");
  ASSERT_FALSE(read.IsOk());
  EXPECT_EQ(read.GetStatus().Message(),
            "Cannot read \"" + (dir / "pipe") + "\": it is a named pipe, not a file");
  EXPECT_TRUE(fs.FileExists(dir / "pipe"));
  EXPECT_FALSE(fs.IsPlainFile(dir / "pipe"));
}

TEST(RealFileSystem, FoldersAndMissingNames) {
  TempDir dir;
  FileSystem& fs = RealFileSystem();
  ASSERT_TRUE(fs.CreateDirectory(dir / "a/b/c").IsOk());
  EXPECT_TRUE(fs.DirectoryExists(dir / "a/b/c"));
  EXPECT_FALSE(fs.FileExists(dir / "a"));
  EXPECT_EQ(fs.ReadFile(dir / "a").GetStatus().Code(), StatusCode::Refused);
  EXPECT_EQ(fs.ReadFile(dir / "missing").GetStatus().Code(), StatusCode::NotFound);
  EXPECT_TRUE(fs.RemoveFile(dir / "missing").IsOk());
  WriteFile(dir / "a/z", "");
  WriteFile(dir / "a/m", "");
  const auto names = fs.ListDirectory(dir / "a");
  ASSERT_TRUE(names.IsOk());
  EXPECT_EQ(names.Value(), (std::vector<std::string>{"b", "m", "z"}));
  EXPECT_EQ(fs.ListDirectory(dir / "none").GetStatus().Code(), StatusCode::NotFound);
}

TEST(RealFileSystem, InPlaceAndAppendingWrites) {
  TempDir dir;
  FileSystem& fs = RealFileSystem();
  ASSERT_TRUE(fs.AppendToFile(dir / "f", "one").IsOk());
  ASSERT_TRUE(fs.AppendToFile(dir / "f", "two").IsOk());
  EXPECT_EQ(ReadFile(dir / "f"), "onetwo");
  ASSERT_TRUE(fs.WriteFileInPlace(dir / "f", "3").IsOk());
  EXPECT_EQ(ReadFile(dir / "f"), "3");
}

// An atomic write that fails anywhere leaves the old file as it was and no temporary file.
TEST(FaultyFileSystem, FailedAtomicWriteKeepsTheOldFile) {
  const std::string kNew(10000, 'n');
  struct Case {
    const char* name;
    void (*inject)(FaultyFileSystem&, const std::string& path);
    const char* messageStart;
  } cases[] = {
      {"disk full at once", [](FaultyFileSystem& fs, const std::string& p) { fs.FailWrites(p); },
       "Cannot write"},
      {"disk full midway", [](FaultyFileSystem& fs, const std::string& p) { fs.FailWrites(p, 4096); },
       "Cannot write"},
      {"rename refused", [](FaultyFileSystem& fs, const std::string& p) { fs.FailRenames(p); },
       "Cannot replace"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFile(dir / "KW.INI", "old");
    FaultyFileSystem fs;
    c.inject(fs, dir / "KW.INI");
    const Status s = fs.WriteFileAtomically(dir / "KW.INI", kNew);
    EXPECT_FALSE(s.IsOk());
    EXPECT_EQ(s.Message().rfind(c.messageStart + (" \"" + (dir / "KW.INI") + "\": "), 0), 0u) << s.Message();
    EXPECT_GE(fs.FaultsInjected(), 1);
    EXPECT_EQ(ReadFile(dir / "KW.INI"), "old");
    EXPECT_EQ(EntriesIn(dir), 1u);
    // Other files are not affected, and the faults go as they came.
    EXPECT_TRUE(fs.WriteFileAtomically(dir / "other", kNew).IsOk());
    fs.ClearFaults();
    EXPECT_TRUE(fs.WriteFileAtomically(dir / "KW.INI", kNew).IsOk());
    EXPECT_EQ(ReadFile(dir / "KW.INI"), kNew);
  }
}

TEST(FaultyFileSystem, FaultsMatchByPrefixOrName) {
  TempDir dir;
  FaultyFileSystem fs;
  fs.FailWrites(dir / "Entries/");
  fs.FailWrites("KW.INI");
  ASSERT_TRUE(fs.CreateDirectory(dir / "Entries").IsOk());
  EXPECT_FALSE(fs.WriteFileAtomically(dir / "Entries/20240101.KWE", "x").IsOk());
  EXPECT_FALSE(fs.WriteFileAtomically(dir / "KW.INI", "x").IsOk());
  EXPECT_FALSE(fs.AppendToFile(dir / "KW.INI", "x").IsOk());
  EXPECT_TRUE(fs.WriteFileAtomically(dir / "OLD_KW.INI", "x").IsOk());
  EXPECT_EQ(fs.FaultsInjected(), 3);
}

TEST(FaultyFileSystem, ReadsFailOrEndEarly) {
  TempDir dir;
  const std::string kBytes(100000, 'b');
  WriteFile(dir / "f", kBytes);
  FaultyFileSystem fs;
  fs.FailReads(dir / "f");
  const Result<std::string> failed = fs.ReadFile(dir / "f");
  ASSERT_FALSE(failed.IsOk());
  EXPECT_EQ(failed.GetStatus().Message().rfind("Cannot read \"" + (dir / "f") + "\": ", 0), 0u);
  fs.ClearFaults();
  fs.ShortenReads(dir / "f", 70000);
  for (int twice = 0; twice < 2; ++twice) {
    const Result<std::string> cut = fs.ReadFile(dir / "f");
    ASSERT_TRUE(cut.IsOk());
    EXPECT_EQ(cut.Value(), kBytes.substr(0, 70000));
  }
}

// The start-up clean-up finds what a save cut short leaves: the real temporary name is one the
// name test takes, with the file it was meant for.
TEST(RealFileSystem, TemporaryNamesOfAtomicWritesAreKnown) {
  class RenameRecorder final : public PosixFileSystem {
   public:
    std::string from;

   protected:
    int RenameNow(const std::string&, const char* from_path, const char*) override {
      from = from_path;
      errno = EIO;
      return -1;
    }
  };
  TempDir dir;
  RenameRecorder fs;
  EXPECT_FALSE(fs.WriteFileAtomically(dir / "KW.INI", "[a]").IsOk());
  const std::string name = std::filesystem::path(fs.from).filename().string();
  std::string target;
  EXPECT_TRUE(IsAtomicWriteTempName(name, &target)) << name;
  EXPECT_EQ(target, "KW.INI");

  for (const char* other :
       {"KW.INI", "KW.INI.tmp-", "KW.INI.tmp-abc", "KW.INI.tmp-abcdef1", "x.tmp-ab_def", ".tmp-abcdef"})
    EXPECT_FALSE(IsAtomicWriteTempName(other)) << other;
}

TEST(FaultyFileSystem, FailedCopyLeavesTheTargetAlone) {
  TempDir dir;
  WriteFile(dir / "src", "new");
  WriteFile(dir / "dst.damaged", "old");
  FaultyFileSystem fs;
  fs.FailCopies(dir / "dst.damaged");
  EXPECT_FALSE(fs.CopyFile(dir / "src", dir / "dst.damaged").IsOk());
  EXPECT_EQ(ReadFile(dir / "dst.damaged"), "old");
  EXPECT_EQ(fs.FaultsInjected(), 1);
}

}  // namespace
}  // namespace inkwend
