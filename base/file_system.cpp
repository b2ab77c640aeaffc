#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "base/plain_file.h"
#include "base/posix_file_system.h"

namespace inkwend {
namespace {

// The part of a temporary file's name between its target's name and the unique letters.
constexpr std::string_view kTempInfix = ".tmp-";
constexpr size_t kTempUniqueLength = 6;  // the XXXXXX of mkostemp

std::string ErrorText(const std::string& what, const std::string& path, int err) {
  return what + " \"" + path + "\": " + std::strerror(err);
}

Status ErrorStatus(const std::string& what, const std::string& path, int err) {
  return Status::Error(err == ENOENT ? StatusCode::NotFound : StatusCode::IoError,
                       ErrorText(what, path, err));
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

Status TooLarge(const std::string& path, uint64_t max_bytes) {
  const std::string limit = max_bytes >= (1u << 20) ? std::to_string(max_bytes >> 20) + " MB"
                                                    : std::to_string(max_bytes) + " bytes";
  return Status::Error(StatusCode::Refused, "Cannot read \"" + path + "\": it is larger than " + limit);
}

// Makes a finished rename durable.
void SyncDirectoryOf(const std::string& path) {
  const int dir = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace

bool IsAtomicWriteTempName(std::string_view name, std::string* target) {
  if (name.size() <= kTempInfix.size() + kTempUniqueLength) return false;
  const size_t infix = name.size() - kTempUniqueLength - kTempInfix.size();
  if (name.substr(infix, kTempInfix.size()) != kTempInfix) return false;
  for (const char c : name.substr(name.size() - kTempUniqueLength)) {
    const bool letter_or_digit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letter_or_digit) return false;
  }
  if (target) *target = std::string(name.substr(0, infix));
  return true;
}

FileSystem& RealFileSystem() {
  static PosixFileSystem real;
  return real;
}

ssize_t PosixFileSystem::WriteSome(const std::string&, int fd, const char* data, size_t size) {
  return ::write(fd, data, size);
}

ssize_t PosixFileSystem::ReadSome(const std::string&, int fd, char* buffer, size_t size) {
  return ::read(fd, buffer, size);
}

int PosixFileSystem::RenameNow(const std::string&, const char* from, const char* to) {
  return ::rename(from, to);
}

Status PosixFileSystem::ReadAll(const std::string& path, int fd, off_t size, uint64_t max_bytes,
                                std::string& bytes) {
  if (static_cast<uint64_t>(size) > max_bytes) return TooLarge(path, max_bytes);
  try {
    if (size > 0) bytes.reserve(static_cast<size_t>(size));
    char buffer[65536];
    for (;;) {
      const ssize_t n = ReadSome(path, fd, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrorStatus("Cannot read", path, errno);
      }
      if (n == 0) break;
      // The file may grow while it is read.
      if (bytes.size() + static_cast<size_t>(n) > max_bytes) return TooLarge(path, max_bytes);
      bytes.append(buffer, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    return Status::Error(StatusCode::OutOfMemory,
                         "Cannot read \"" + path + "\": it is too large for the memory available");
  }
  return Status::Ok();
}

Result<std::string> FileSystem::ReadFileAtMost(const std::string& path, uint64_t max_bytes) {
  Result<std::string> bytes = ReadFile(path);
  if (bytes.IsOk() && bytes.Value().size() > max_bytes) return TooLarge(path, max_bytes);
  return bytes;
}

Result<std::string> PosixFileSystem::ReadFile(const std::string& path) {
  return ReadFileAtMost(path, kMaxReadBytes);
}

// Pipes, devices, sockets and folders are refused at once by OpenPlainFile, never waited on.
Result<std::string> PosixFileSystem::ReadFileAtMost(const std::string& path, uint64_t max_bytes) {
  max_bytes = std::min(max_bytes, kMaxReadBytes);
  Result<PlainFile> opened = OpenPlainFile(path);
  if (!opened.IsOk()) return opened.GetStatus();
  const PlainFile& file = opened.Value();
  std::string bytes;
  if (Status read = ReadAll(path, file.Descriptor(), static_cast<off_t>(file.Size()), max_bytes, bytes);
      !read.IsOk())
    return read;
  return bytes;
}

Status PosixFileSystem::WriteAll(const std::string& path, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = WriteSome(path, fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return ErrorStatus("Cannot write", path, errno);
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status::Ok();
}

Status PosixFileSystem::ReplaceFile(const std::string& path, std::string_view bytes) {
  std::vector<char> name(path.begin(), path.end());
  name.insert(name.end(), kTempInfix.begin(), kTempInfix.end());
  name.insert(name.end(), kTempUniqueLength, 'X');
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return ErrorStatus("Cannot create", path, errno);
  const std::string temp_path = name.data();
  // Keep the permissions of the file being replaced; new files stay private (0600).
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);

  Status status = WriteAll(path, fd, bytes);
  if (status.IsOk() && ::fsync(fd) != 0) status = ErrorStatus("Cannot write", path, errno);
  if (::close(fd) != 0 && status.IsOk()) status = ErrorStatus("Cannot write", path, errno);
  if (status.IsOk() && RenameNow(path, temp_path.c_str(), path.c_str()) != 0)
    status = ErrorStatus("Cannot replace", path, errno);
  if (!status.IsOk()) {
    ::unlink(temp_path.c_str());
    return status;
  }
  SyncDirectoryOf(path);
  return Status::Ok();
}

Status PosixFileSystem::WriteFileAtomically(const std::string& path, std::string_view bytes) {
  return ReplaceFile(path, bytes);
}

Status PosixFileSystem::WriteFileInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return ErrorStatus("Cannot write", path, errno);
  Status status = WriteAll(path, fd, bytes);
  if (status.IsOk() && ::fsync(fd) != 0) status = ErrorStatus("Cannot write", path, errno);
  if (::close(fd) != 0 && status.IsOk()) status = ErrorStatus("Cannot write", path, errno);
  return status;
}

Status PosixFileSystem::AppendToFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return ErrorStatus("Cannot write", path, errno);
  Status status = WriteAll(path, fd, bytes);
  if (::close(fd) != 0 && status.IsOk()) status = ErrorStatus("Cannot write", path, errno);
  return status;
}

Status PosixFileSystem::CopyFile(const std::string& src, const std::string& dst) {
  if (src == dst) return Status::Error(StatusCode::Refused, "Cannot copy \"" + src + "\" onto itself");
  Result<std::string> bytes = ReadFile(src);
  if (!bytes.IsOk()) return bytes.GetStatus();
  return ReplaceFile(dst, bytes.Value());
}

Status PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  if (RenameNow(to, from.c_str(), to.c_str()) != 0) return ErrorStatus("Cannot rename", from, errno);
  SyncDirectoryOf(to);
  return Status::Ok();
}

Status PosixFileSystem::RenameWithoutSync(const std::string& from, const std::string& to) {
  if (RenameNow(to, from.c_str(), to.c_str()) != 0) return ErrorStatus("Cannot rename", from, errno);
  return Status::Ok();
}

Status PosixFileSystem::SyncDirectory(const std::string& path) {
  const int dir = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return ErrorStatus("Cannot open the folder", path, errno);
  const int synced = ::fsync(dir);
  const int err = errno;
  ::close(dir);
  if (synced != 0) return ErrorStatus("Cannot write the folder", path, err);
  return Status::Ok();
}

Status PosixFileSystem::RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return Status::Ok();
  return ErrorStatus("Cannot delete", path, errno);
}

Status PosixFileSystem::CreateDirectory(const std::string& path) {
  size_t pos = 0;
  while (pos <= path.size()) {
    const size_t slash = path.find('/', pos);
    const size_t end = slash == std::string::npos ? path.size() : slash;
    const std::string partial = path.substr(0, end);
    if (!partial.empty() && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
      return Status::Error("Cannot create the folder \"" + partial + "\": " + std::strerror(errno));
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  return DirectoryExists(path) ? Status::Ok() : Status::Error("Cannot create the folder \"" + path + "\".");
}

bool PosixFileSystem::FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PosixFileSystem::IsPlainFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixFileSystem::DirectoryExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Result<uint64_t> PosixFileSystem::FileSize(const std::string& path) {
  Result<PlainFile> opened = OpenPlainFile(path);
  if (!opened.IsOk()) return opened.GetStatus();
  return opened.Value().Size();
}

Result<std::vector<std::string>> PosixFileSystem::ListDirectory(const std::string& path) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return ErrorStatus("Cannot read the folder", path, errno);
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace inkwend
