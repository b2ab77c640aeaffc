#include "base/byte_source.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "base/plain_file.h"

namespace inkwend {
namespace {

class ViewSource : public ByteSource {
 public:
  explicit ViewSource(std::string_view bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, size_t length, void* out) const override {
    if (!Holds(offset, length)) return false;
    if (length > 0) std::memcpy(out, bytes_.data() + offset, length);
    return true;
  }

 private:
  std::string_view bytes_;
};

template <typename Bytes>
class OwningSource : public ByteSource {
 public:
  explicit OwningSource(Bytes bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, size_t length, void* out) const override {
    return ViewSource(std::string_view(reinterpret_cast<const char*>(bytes_.data()), bytes_.size()))
        .ReadAt(offset, length, out);
  }

 private:
  Bytes bytes_;
};

class FileSource : public ByteSource {
 public:
  FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~FileSource() override { ::close(fd_); }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, size_t length, void* out) const override {
    if (!Holds(offset, length)) return false;
    auto* to = static_cast<char*>(out);
    while (length > 0) {
      const ssize_t n = ::pread(fd_, to, length, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;  // error, or the file shrank since it was opened
      to += n;
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

bool ByteSource::ReadVector(uint64_t offset, size_t length, std::vector<uint8_t>* out) const {
  if (!Holds(offset, length)) return false;
  out->resize(length);
  return length == 0 || ReadAt(offset, length, out->data());
}

std::unique_ptr<ByteSource> MemorySource(std::string bytes) {
  return std::make_unique<OwningSource<std::string>>(std::move(bytes));
}

std::unique_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes) {
  return std::make_unique<OwningSource<std::vector<uint8_t>>>(std::move(bytes));
}

std::unique_ptr<ByteSource> MemoryView(std::string_view bytes) { return std::make_unique<ViewSource>(bytes); }

Result<std::unique_ptr<ByteSource>> OpenFileSource(const std::string& path) {
  Result<PlainFile> opened = OpenPlainFile(path);
  if (!opened.IsOk()) return opened.GetStatus();
  const uint64_t size = opened.Value().Size();
  return std::unique_ptr<ByteSource>(std::make_unique<FileSource>(opened.Value().Release(), size));
}

}  // namespace inkwend
