#pragma once
// Byte streams for loading and saving documents. A writer checks every Write: a stream that
// takes fewer bytes than offered ends the save (result 7) and keeps what it took.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace inkwend {

class WPStream {
 public:
  virtual ~WPStream() = default;
  // Returns the number of bytes taken; fewer than `size` is a failure.
  virtual size_t Write(const void* data, size_t size) = 0;
  // Returns the number of bytes read; 0 at the end.
  virtual size_t Read(void* data, size_t size) = 0;
  virtual int64_t Position() const = 0;
  virtual bool Seek(int64_t position) = 0;
  virtual int64_t Size() const = 0;
};

// A stream over a growing byte string.
class MemoryStream : public WPStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  size_t Write(const void* data, size_t size) override;
  size_t Read(void* data, size_t size) override;
  int64_t Position() const override { return static_cast<int64_t>(pos_); }
  bool Seek(int64_t position) override;
  int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }

  const std::string& Bytes() const { return bytes_; }
  std::string TakeBytes();
  void Reserve(size_t size) { bytes_.reserve(size); }

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

}  // namespace inkwend
