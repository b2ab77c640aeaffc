#include "spell/engine/user_dictionary_writer.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace inkwend::spell {

namespace {

std::string CannotWrite(const std::string& path, int err) {
  return "Cannot write \"" + path + "\": " + std::strerror(err);
}

class PosixWriter final : public UserDictionaryWriter {
 public:
  Status WriteAt(int fd, const std::string& path, int64_t offset, std::string_view bytes) override {
    if (offset < 0) return Status::Error(CannotWrite(path, EINVAL));
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n =
          pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<int64_t>(done));
      if (n < 0 && errno == EINTR) continue;
      // A write that takes nothing without an error is a full disk all the same.
      if (n <= 0) return Status::Error(CannotWrite(path, n < 0 ? errno : ENOSPC));
      done += static_cast<size_t>(n);
    }
    return Status::Ok();
  }

  Status Truncate(int fd, const std::string& path, int64_t size) override {
    while (ftruncate(fd, size) != 0) {
      if (errno != EINTR) return Status::Error(CannotWrite(path, errno));
    }
    return Status::Ok();
  }
};

}  // namespace

UserDictionaryWriter& PosixUserDictionaryWriter() {
  static PosixWriter writer;
  return writer;
}

}  // namespace inkwend::spell
