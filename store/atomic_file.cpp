#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace inkwend {
namespace {

std::string ErrorText(const std::string& what, const std::string& path, int err) {
  return what + " \"" + path + "\": " + std::strerror(err);
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// What a path names when it is not a plain file, for messages.
const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a plain file";
}

Status NotPlainFile(const std::string& path, mode_t mode) {
  return Status::Error("Cannot read \"" + path + "\": it is " + KindOf(mode) + ", not a file");
}

}  // namespace

Status OpenPlainFileForReading(const std::string& path, int& fd, off_t& size) {
  fd = -1;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return Status::Error(ErrorText("Cannot open", path, errno));
  if (!S_ISREG(st.st_mode)) return NotPlainFile(path, st.st_mode);
  const int opened = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (opened < 0) return Status::Error(ErrorText("Cannot open", path, errno));
  if (::fstat(opened, &st) != 0) {
    const int err = errno;
    ::close(opened);
    return Status::Error(ErrorText("Cannot read", path, err));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(opened);
    return NotPlainFile(path, st.st_mode);
  }
  fd = opened;
  size = st.st_size;
  return Status::Ok();
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
}

Status AtomicFileWriter::Open(const std::string& path) {
  Discard();
  path_ = path;
  std::vector<char> name(path.begin(), path.end());
  const char suffix[] = ".tmp-XXXXXX";
  name.insert(name.end(), suffix, suffix + sizeof suffix);  // keeps the terminating NUL
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) return Status::Error(ErrorText("Cannot create", path, errno));
  temp_path_ = name.data();
  // Keep the permissions of the file being replaced; new files stay private (0600).
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd_, old.st_mode & 07777);
  return Status::Ok();
}

Status AtomicFileWriter::Write(std::string_view bytes) {
  if (fd_ < 0) return Status::Error("Cannot write \"" + path_ + "\": the file is not open");
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      Discard();
      return Status::Error(ErrorText("Cannot write", path_, err));
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::Ok();
}

Status AtomicFileWriter::Commit() {
  if (fd_ < 0) return Status::Error("Cannot write \"" + path_ + "\": the file is not open");
  if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
    const int err = errno;
    fd_ = -1;
    Discard();
    return Status::Error(ErrorText("Cannot write", path_, err));
  }
  fd_ = -1;
  if (::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    const int err = errno;
    Discard();
    return Status::Error(ErrorText("Cannot replace", path_, err));
  }
  temp_path_.clear();
  // Make the rename itself durable.
  const int dir = ::open(DirectoryOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return Status::Ok();
}

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFileWriter writer;
  Status s = writer.Open(path);
  if (s.ok()) s = writer.Write(bytes);
  if (s.ok()) s = writer.Commit();
  return s;
}

Status ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  int fd = -1;
  off_t size = 0;
  const Status opened = OpenPlainFileForReading(path, fd, size);
  if (!opened.ok()) return opened;
  const Status tooLarge = Status::Error("Cannot read \"" + path + "\": it is larger than " +
                                        std::to_string(kMaxReadBytes >> 20) + " MB");
  if (static_cast<unsigned long long>(size) > kMaxReadBytes) {
    ::close(fd);
    return tooLarge;
  }
  try {
    if (size > 0) bytes.reserve(static_cast<size_t>(size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        ::close(fd);
        bytes.clear();
        return Status::Error(ErrorText("Cannot read", path, err));
      }
      if (n == 0) break;
      // The file may grow while it is read.
      if (bytes.size() + static_cast<size_t>(n) > kMaxReadBytes) {
        ::close(fd);
        bytes.clear();
        return tooLarge;
      }
      bytes.append(buffer, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    ::close(fd);
    bytes.clear();
    bytes.shrink_to_fit();
    return Status::Error("Cannot read \"" + path + "\": it is too large for the memory available");
  }
  ::close(fd);
  return Status::Ok();
}

bool CopyFileContents(const std::string& src, const std::string& dst) {
  if (src == dst) return false;
  int in = -1;
  off_t size = 0;
  if (!OpenPlainFileForReading(src, in, size).ok()) return false;
  AtomicFileWriter writer;
  Status s = writer.Open(dst);
  char block[2048];
  while (s.ok()) {
    const ssize_t n = ::read(in, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) s = Status::Error("read failed");
    if (n <= 0) break;
    s = writer.Write(std::string_view(block, static_cast<size_t>(n)));
  }
  ::close(in);
  if (s.ok()) s = writer.Commit();
  return s.ok();
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Status RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return Status::Ok();
  return Status::Error(ErrorText("Cannot delete", path, errno));
}

}  // namespace inkwend
