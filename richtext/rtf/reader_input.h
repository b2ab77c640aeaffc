#pragma once
// The input side of the readers: a stream read in large chunks, handed out a byte at a time
// (or as the run of bytes at hand, for the fast paths), with one byte that can be put back.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "richtext/model/stream.h"

namespace inkwend {

class ReaderInput {
 public:
  // Reads `stream` from its current position.
  void Start(WPStream& stream);
  // Gives back to the stream what was not consumed, so that a caller can go on from there.
  void Finish();

  // The next byte, or -1 at the end of the input.
  int Get() {
    if (pos_ < end_) return buffer_[pos_++];
    return Refill() ? buffer_[pos_++] : -1;
  }
  // Puts back the byte just read (only one).
  void Unget() { --pos_; }
  bool Refill();
  // Bytes readable without a refill.
  size_t Available() const { return end_ - pos_; }
  const uint8_t* Cursor() const { return buffer_.get() + pos_; }
  void Advance(size_t n) { pos_ += n; }
  // Stream offset of the next byte.
  int64_t Offset() const { return start_ + bytesRead_ - static_cast<int64_t>(end_ - pos_); }

 private:
  WPStream* stream_ = nullptr;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  int64_t start_ = 0;      // stream position where the read began
  int64_t bytesRead_ = 0;  // bytes taken from the stream so far
};

}  // namespace inkwend
