#include "base/plain_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace inkwend {
namespace {

// What a path names when it is not a plain file, for messages.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "something other than a file";
}

Status NotPlainFile(const std::string& path, mode_t mode) {
  return Status::Error(StatusCode::Refused,
                       "Cannot read \"" + path + "\": it is " + KindOf(mode) + ", not a file");
}

Status OpenError(const std::string& path, int err) {
  return Status::Error(err == ENOENT || err == ENOTDIR ? StatusCode::NotFound : StatusCode::IoError,
                       "Cannot open \"" + path + "\": " + std::strerror(err));
}

}  // namespace

PlainFile::~PlainFile() {
  if (fd_ >= 0) ::close(fd_);
}

PlainFile::PlainFile(PlainFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(std::exchange(other.size_, 0)) {}

PlainFile& PlainFile::operator=(PlainFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

int PlainFile::Release() { return std::exchange(fd_, -1); }

// The name is looked at before it is opened, as opening some devices has effects of its own;
// what counts is the open descriptor (opened without blocking, so a pipe never waits for a
// writer), in case the name was replaced in between.
Result<PlainFile> OpenPlainFile(const std::string& path, FileAccess access) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return OpenError(path, errno);
  if (!S_ISREG(st.st_mode)) return NotPlainFile(path, st.st_mode);
  const int flags = (access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  PlainFile file(::open(path.c_str(), flags), 0);
  if (file.Descriptor() < 0) return OpenError(path, errno);
  if (::fstat(file.Descriptor(), &st) != 0) return OpenError(path, errno);
  if (!S_ISREG(st.st_mode)) return NotPlainFile(path, st.st_mode);
  return PlainFile(file.Release(), static_cast<uint64_t>(st.st_size));
}

}  // namespace inkwend
