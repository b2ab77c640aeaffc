#pragma once
// The writes that change a user dictionary file. They sit behind this interface so that tests
// can make them fail as a full disk would, without relying on file modes (which do not stop
// root). User dictionaries are read and written in place through an open handle, node by node,
// which the whole-file operations of base/file_system.h do not offer.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/status.h"

namespace inkwend::spell {

class UserDictionaryWriter {
 public:
  virtual ~UserDictionaryWriter() = default;
  // Writes all of `bytes` at `offset` of the open file `fd` (named `path` in messages); IoError
  // when any part of them is not written, which may leave a part written.
  virtual Status WriteAt(int fd, const std::string& path, int64_t offset, std::string_view bytes) = 0;
  // Cuts the file back to `size` bytes.
  virtual Status Truncate(int fd, const std::string& path, int64_t size) = 0;
};

// The writer of the real file system (pwrite and ftruncate).
UserDictionaryWriter& PosixUserDictionaryWriter();

}  // namespace inkwend::spell
