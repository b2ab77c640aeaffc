#pragma once
// Random access to the bytes of an icon-bearing file. Readers ask for small pieces (headers,
// directories, one image) instead of loading a whole program file, so a large .DLL costs no more
// memory than the icon that is drawn.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace inkwend::icons {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Copies `n` bytes from `offset` into `out`; false when the range is not wholly inside the source.
  virtual bool Read(uint64_t offset, size_t n, uint8_t* out) const = 0;

  // Reads a range into `out` (resized); false when it does not fit inside the source.
  bool ReadVector(uint64_t offset, size_t n, std::vector<uint8_t>* out) const;
  bool Contains(uint64_t offset, uint64_t n) const { return offset <= size() && n <= size() - offset; }
};

// Bytes held in memory (tests, fuzzing, images made in memory).
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  MemorySource(const uint8_t* data, size_t n) : bytes_(data, data + n) {}
  uint64_t size() const override { return bytes_.size(); }
  bool Read(uint64_t offset, size_t n, uint8_t* out) const override;

 private:
  std::vector<uint8_t> bytes_;
};

// A file on disk, opened for reading for the lifetime of the object.
class FileSource : public ByteSource {
 public:
  // Null when the file cannot be opened.
  static std::unique_ptr<FileSource> Open(const std::string& path);
  ~FileSource() override;
  uint64_t size() const override { return size_; }
  bool Read(uint64_t offset, size_t n, uint8_t* out) const override;

 private:
  FileSource(std::FILE* file, uint64_t size) : file_(file), size_(size) {}
  std::FILE* file_;
  uint64_t size_;
};

// Little-endian field access on a piece already read; callers check the length first.
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t Le32s(const uint8_t* p) { return static_cast<int32_t>(Le32(p)); }

}  // namespace inkwend::icons
