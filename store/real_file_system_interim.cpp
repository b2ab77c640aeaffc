// RealFileSystem() over the store's own file helpers, for as long as base/ has no implementation
// of its own. The day base/file_system.cpp brings one, this file goes.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/file_system.h"

namespace inkwend {

// From store/atomic_file.h, whose kMaxReadBytes clashes with the one of base/file_system.h.
Status ReadWholeFile(const std::string& path, std::string& bytes);
Status WriteFileAtomically(const std::string& path, std::string_view bytes);
bool CopyFileContents(const std::string& src, const std::string& dst);
Status RemoveFile(const std::string& path);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

namespace {

Status ErrnoStatus(const std::string& what, const std::string& path) {
  return Status::Error(what + " \"" + path + "\": " + std::strerror(errno));
}

Status WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Status::Error(std::strerror(errno));
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::Ok();
}

Status WriteWithFlags(const std::string& path, std::string_view bytes, int flags) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0600);
  if (fd < 0) return ErrnoStatus("Cannot write", path);
  Status s = WriteAll(fd, bytes);
  if (::close(fd) != 0 && s.IsOk()) s = ErrnoStatus("Cannot write", path);
  return s.IsOk() ? s : Status::Error("Cannot write \"" + path + "\": " + s.Message());
}

class PosixFileSystem final : public FileSystem {
 public:
  Result<std::string> ReadFile(const std::string& path) override {
    if (!inkwend::FileExists(path) && !inkwend::DirectoryExists(path))
      return Status::Error(StatusCode::NotFound, "\"" + path + "\" does not exist.");
    std::string bytes;
    Status s = ReadWholeFile(path, bytes);
    if (!s.IsOk()) return s;
    return bytes;
  }
  Status WriteFileAtomically(const std::string& path, std::string_view bytes) override {
    return inkwend::WriteFileAtomically(path, bytes);
  }
  Status WriteFileInPlace(const std::string& path, std::string_view bytes) override {
    return WriteWithFlags(path, bytes, O_TRUNC);
  }
  Status AppendToFile(const std::string& path, std::string_view bytes) override {
    return WriteWithFlags(path, bytes, O_APPEND);
  }
  Status CopyFile(const std::string& src, const std::string& dst) override {
    if (CopyFileContents(src, dst)) return Status::Ok();
    return Status::Error("Cannot copy \"" + src + "\" to \"" + dst + "\".");
  }
  Status Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) == 0) return Status::Ok();
    return ErrnoStatus("Cannot rename", from);
  }
  Status RemoveFile(const std::string& path) override { return inkwend::RemoveFile(path); }
  Status CreateDirectory(const std::string& path) override {
    if (::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && inkwend::DirectoryExists(path)))
      return Status::Ok();
    return ErrnoStatus("Cannot create the folder", path);
  }
  bool FileExists(const std::string& path) override { return inkwend::FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return inkwend::DirectoryExists(path); }
  Result<std::vector<std::string>> ListDirectory(const std::string& path) override {
    DIR* dir = ::opendir(path.c_str());
    if (!dir) {
      if (errno == ENOENT) return Status::Error(StatusCode::NotFound, "\"" + path + "\" does not exist.");
      return ErrnoStatus("Cannot list", path);
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace inkwend
