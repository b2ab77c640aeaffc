#pragma once
// A file system for tests that fails where a real one can: a disk that fills up, a rename the
// system refuses, a read that fails or ends early, a copy that does not happen. It is the real
// file system with those faults injected at the system calls, so the code under test meets the
// same failures (and errno texts) a user's machine gives it and its own clean-up really runs.
//
//   FaultyFileSystem fs;
//   fs.FailWrites("KW.INI");            // every write to a file named KW.INI: disk full
//   EXPECT_FALSE(ini.Save(path, fs).IsOk());
//   EXPECT_EQ(fs.FaultsInjected(), 1);  // the fault was met, not bypassed
//
// A fault applies to a path that starts with the given text, or whose file name is the text.
#include <cstdint>
#include <string>
#include <vector>

#include "base/posix_file_system.h"

namespace inkwend {

class FaultyFileSystem : public PosixFileSystem {
 public:
  // Writes stop with "No space left on device" once a matching file holds `bytes_allowed` bytes
  // (0: at the first byte).
  void FailWrites(std::string path_match, uint64_t bytes_allowed = 0);
  // Renames onto a matching path fail as a full directory would make them (atomic writes
  // rename their temporary file onto the path they were given).
  void FailRenames(std::string path_match);
  // Reads of matching files fail with an input/output error.
  void FailReads(std::string path_match);
  // Reads of matching files end after their first `bytes_kept` bytes, as if the file were cut
  // short.
  void ShortenReads(std::string path_match, uint64_t bytes_kept);
  // Copies from or to a matching path fail before anything is written, as on a full disk.
  void FailCopies(std::string path_match);
  void ClearFaults() { faults_.clear(); }

  // How often an injected fault fired: a test sees that the path it meant to test was taken.
  int FaultsInjected() const { return injected_; }

  Status CopyFile(const std::string& src, const std::string& dst) override;

 protected:
  ssize_t WriteSome(const std::string& path, int fd, const char* data, size_t size) override;
  ssize_t ReadSome(const std::string& path, int fd, char* buffer, size_t size) override;
  int RenameNow(const std::string& path, const char* from, const char* to) override;

 private:
  enum class FaultKind { DiskFull, RenameFails, ReadFails, ShortRead, CopyFails };
  struct Fault {
    FaultKind kind;
    std::string pathMatch;
    uint64_t limit = 0;  // bytes a file may hold (DiskFull) or gives (ShortRead)
  };
  Fault* Find(FaultKind kind, const std::string& path);

  std::vector<Fault> faults_;
  int injected_ = 0;
};

}  // namespace inkwend
