#pragma once
// Random-access bytes of a table or memo file: a file on disk, or bytes in memory for tests and
// the fuzz target. Reads are checked against the size, so a reader never trusts an offset or a
// length that it found inside the data.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "store/status.h"

namespace inkwend::xbase {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly `length` bytes at `offset` into `out`. False when the range does not lie wholly
  // inside the source or the read fails; `out` is then unspecified.
  virtual bool ReadAt(uint64_t offset, size_t length, char* out) const = 0;

  // Convenience: true when [offset, offset + length) lies inside the source.
  bool Holds(uint64_t offset, uint64_t length) const {
    const uint64_t size = Size();
    return offset <= size && length <= size - offset;
  }
};

// Bytes owned by the source.
std::unique_ptr<ByteSource> MemorySource(std::string bytes);
// Bytes owned by the caller, which keeps them alive as long as the source.
std::unique_ptr<ByteSource> MemoryView(std::string_view bytes);
// A file opened read-only; the size is taken when it is opened.
Status OpenFileSource(const std::string& path, std::unique_ptr<ByteSource>* out);

}  // namespace inkwend::xbase
