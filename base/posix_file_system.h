#pragma once
// The real file system, built on POSIX calls. The few calls where a disk or a kernel says no
// (a write, a read, a rename) go through virtual hooks, so that FaultyFileSystem can make them
// fail exactly where the machine would and the code that must survive the failure is the real one.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

namespace inkwend {

class PosixFileSystem : public FileSystem {
 public:
  Result<std::string> ReadFile(const std::string& path) override;
  Result<std::string> ReadFileAtMost(const std::string& path, uint64_t max_bytes) override;
  Status WriteFileAtomically(const std::string& path, std::string_view bytes) override;
  Status WriteFileInPlace(const std::string& path, std::string_view bytes) override;
  Status AppendToFile(const std::string& path, std::string_view bytes) override;
  Status CopyFile(const std::string& src, const std::string& dst) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status RenameWithoutSync(const std::string& from, const std::string& to) override;
  Status SyncDirectory(const std::string& path) override;
  Status RemoveFile(const std::string& path) override;
  Status CreateDirectory(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool IsPlainFile(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  Result<uint64_t> FileSize(const std::string& path) override;
  Result<std::vector<std::string>> ListDirectory(const std::string& path) override;

 protected:
  // ::write / ::read / ::rename; `path` is the file the caller named (not a temporary name), for
  // a fake that fails on some files only. They return what the system call returns and set errno.
  virtual ssize_t WriteSome(const std::string& path, int fd, const char* data, size_t size);
  virtual ssize_t ReadSome(const std::string& path, int fd, char* buffer, size_t size);
  virtual int RenameNow(const std::string& path, const char* from, const char* to);

 private:
  Status WriteAll(const std::string& path, int fd, std::string_view bytes);
  Status ReadAll(const std::string& path, int fd, off_t size, uint64_t max_bytes, std::string& bytes);
  // Writes `bytes` to a temporary file beside `path`, flushes it and renames it over `path`.
  Status ReplaceFile(const std::string& path, std::string_view bytes);
};

}  // namespace inkwend
