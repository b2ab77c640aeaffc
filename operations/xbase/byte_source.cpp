#include "operations/xbase/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace inkwend::xbase {
namespace {

class ViewSource : public ByteSource {
 public:
  explicit ViewSource(std::string_view bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, size_t length, char* out) const override {
    if (!Holds(offset, length)) return false;
    if (length > 0) std::memcpy(out, bytes_.data() + offset, length);
    return true;
  }

 private:
  std::string_view bytes_;
};

class OwningSource : public ByteSource {
 public:
  explicit OwningSource(std::string bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, size_t length, char* out) const override {
    return ViewSource(bytes_).ReadAt(offset, length, out);
  }

 private:
  std::string bytes_;
};

class FileSource : public ByteSource {
 public:
  FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~FileSource() override { ::close(fd_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, size_t length, char* out) const override {
    if (!Holds(offset, length)) return false;
    while (length > 0) {
      const ssize_t n = ::pread(fd_, out, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;  // error, or the file shrank since it was opened
      out += n;
      offset += static_cast<uint64_t>(n);
      length -= static_cast<size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  uint64_t size_;
};

}  // namespace

std::unique_ptr<ByteSource> MemorySource(std::string bytes) {
  return std::make_unique<OwningSource>(std::move(bytes));
}

std::unique_ptr<ByteSource> MemoryView(std::string_view bytes) { return std::make_unique<ViewSource>(bytes); }

Status OpenFileSource(const std::string& path, std::unique_ptr<ByteSource>* out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return Status::Error("Cannot open \"" + path + "\": " + std::strerror(errno) + ".");
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::Error("\"" + path + "\" is not a readable file.");
  }
  *out = std::make_unique<FileSource>(fd, static_cast<uint64_t>(st.st_size));
  return Status::Ok();
}

}  // namespace inkwend::xbase
