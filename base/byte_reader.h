#pragma once
// Reading little-endian values out of bytes found in a file, where no offset or length read from
// the data can be trusted. Every read is checked against the end of the bytes; nothing is read
// past it and nothing throws.
//
// Random access (for headers and tables at known offsets): U16At and friends give 0 for a value
// that does not lie wholly inside, so a decoder checks Holds() first where a missing value must
// not pass for a zero.
//
// A cursor (for data read front to back): ReadU16 and friends give nothing, and leave the cursor
// where it was, when fewer bytes remain than the value needs.
//
//   ByteReader r(bytes);
//   if (!r.Holds(0, 40)) return Status::Damaged(...);
//   const int32_t width = r.I32At(4);
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace inkwend {

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  explicit ByteReader(std::string_view bytes) : ByteReader(bytes.data(), bytes.size()) {}

  const uint8_t* Data() const { return data_; }
  size_t Size() const { return size_; }
  // True when [offset, offset + length) lies wholly inside; safe against overflow.
  bool Holds(uint64_t offset, uint64_t length) const { return offset <= size_ && length <= size_ - offset; }

  uint8_t U8At(uint64_t offset) const { return Holds(offset, 1) ? data_[offset] : 0; }
  uint16_t U16At(uint64_t offset) const { return Holds(offset, 2) ? Le16(data_ + offset) : 0; }
  uint32_t U32At(uint64_t offset) const { return Holds(offset, 4) ? Le32(data_ + offset) : 0; }
  int16_t I16At(uint64_t offset) const { return static_cast<int16_t>(U16At(offset)); }
  int32_t I32At(uint64_t offset) const { return static_cast<int32_t>(U32At(offset)); }
  uint64_t U64At(uint64_t offset) const {
    return Holds(offset, 8) ? uint64_t{Le32(data_ + offset)} | uint64_t{Le32(data_ + offset + 4)} << 32 : 0;
  }
  // Big-endian values some formats keep beside little-endian ones (PNG lengths, FoxPro memos).
  uint16_t U16BigEndianAt(uint64_t offset) const {
    return Holds(offset, 2) ? static_cast<uint16_t>(data_[offset] << 8 | data_[offset + 1]) : 0;
  }
  uint32_t U32BigEndianAt(uint64_t offset) const {
    if (!Holds(offset, 4)) return 0;
    const uint8_t* p = data_ + offset;
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
  }
  // A reader over [offset, offset + length); empty when that does not lie wholly inside.
  ByteReader Slice(uint64_t offset, uint64_t length) const {
    return Holds(offset, length) ? ByteReader(data_ + offset, static_cast<size_t>(length)) : ByteReader();
  }

  // The cursor.
  size_t Offset() const { return offset_; }
  size_t Remaining() const { return size_ - offset_; }
  bool AtEnd() const { return offset_ == size_; }
  // False (and the cursor unmoved) when `offset` lies past the end.
  bool Seek(uint64_t offset) {
    if (offset > size_) return false;
    offset_ = static_cast<size_t>(offset);
    return true;
  }
  bool Skip(uint64_t length) { return Holds(offset_, length) && Seek(offset_ + length); }

  std::optional<uint8_t> ReadU8() { return Take<uint8_t>(1, U8At(offset_)); }
  std::optional<uint16_t> ReadU16() { return Take<uint16_t>(2, U16At(offset_)); }
  std::optional<uint32_t> ReadU32() { return Take<uint32_t>(4, U32At(offset_)); }
  std::optional<int16_t> ReadI16() { return Take<int16_t>(2, I16At(offset_)); }
  std::optional<int32_t> ReadI32() { return Take<int32_t>(4, I32At(offset_)); }
  // The next `length` bytes, which stay owned by whoever owns the reader's bytes.
  std::optional<std::string_view> ReadBytes(uint64_t length) {
    if (!Holds(offset_, length)) return std::nullopt;
    const std::string_view bytes(reinterpret_cast<const char*>(data_ + offset_), static_cast<size_t>(length));
    offset_ += static_cast<size_t>(length);
    return bytes;
  }

 private:
  static uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
  static uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  }
  template <typename T>
  std::optional<T> Take(size_t length, T value) {
    if (!Holds(offset_, length)) return std::nullopt;
    offset_ += length;
    return value;
  }

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t offset_ = 0;
};

}  // namespace inkwend
