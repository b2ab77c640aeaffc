#pragma once
// Random access to the bytes of a file that may be large (a program file holding icons, an xBase
// table): readers ask for the pieces they need (a header, a directory, one record) instead of
// loading the whole file, and every read is checked against the size, so a reader never trusts
// an offset or a length that it found inside the data. A piece once read is taken apart with a
// ByteReader (base/byte_reader.h).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace inkwend {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Reads exactly `length` bytes at `offset` into `out`. False when the range does not lie wholly
  // inside the source or the read fails; `out` is then unspecified.
  virtual bool ReadAt(uint64_t offset, size_t length, void* out) const = 0;

  // True when [offset, offset + length) lies wholly inside the source; safe against overflow.
  bool Holds(uint64_t offset, uint64_t length) const {
    const uint64_t size = Size();
    return offset <= size && length <= size - offset;
  }
  // Reads a range into `out` (resized); false when it does not lie wholly inside the source.
  bool ReadVector(uint64_t offset, size_t length, std::vector<uint8_t>* out) const;
};

// Bytes owned by the source (tests, fuzzing, files made in memory).
std::unique_ptr<ByteSource> MemorySource(std::string bytes);
std::unique_ptr<ByteSource> MemorySource(std::vector<uint8_t> bytes);
// Bytes owned by the caller, who keeps them alive as long as the source.
std::unique_ptr<ByteSource> MemoryView(std::string_view bytes);
// A plain file opened read-only for the lifetime of the source; the size is taken when it is
// opened. A pipe, device, socket or folder is refused at once, never waited on.
Result<std::unique_ptr<ByteSource>> OpenFileSource(const std::string& path);

}  // namespace inkwend
