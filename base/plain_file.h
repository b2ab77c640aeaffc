#pragma once
// The one way the engines and the command line open a file by name. A name that a user gives
// may be a named pipe (opening it waits for a writer), a device (/dev/zero never ends), a socket
// or a folder; all of these are refused at once with a message that says what the name is, so
// no reader ever waits on one or reads without end. Only plain files (or links to them) open.
#include <cstdint>
#include <string>

#include "base/status.h"

namespace inkwend {

enum class FileAccess : uint8_t { Read, ReadWrite };

// An open plain file; closes its descriptor when it goes. Moves, never copies.
class PlainFile {
 public:
  PlainFile() = default;
  PlainFile(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~PlainFile();
  PlainFile(PlainFile&& other) noexcept;
  PlainFile& operator=(PlainFile&& other) noexcept;
  PlainFile(const PlainFile&) = delete;
  PlainFile& operator=(const PlainFile&) = delete;

  int Descriptor() const { return fd_; }
  // The size when the file was opened.
  uint64_t Size() const { return size_; }
  // Hands the descriptor to the caller, who closes it.
  int Release();

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

// Opens a plain file without blocking. NotFound for a missing name; Refused, saying what the name
// is instead ("... is a folder"), for anything but a plain file; IoError with the system's reason
// otherwise.
Result<PlainFile> OpenPlainFile(const std::string& path, FileAccess access = FileAccess::Read);

}  // namespace inkwend
