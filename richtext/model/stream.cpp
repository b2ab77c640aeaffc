#include "richtext/model/stream.h"

#include <algorithm>
#include <cstring>

namespace inkwend {

size_t MemoryStream::Write(const void* data, size_t size) {
  if (size == 0) return 0;
  if (pos_ == bytes_.size()) {
    bytes_.append(static_cast<const char*>(data), size);
  } else {
    if (pos_ + size > bytes_.size()) bytes_.resize(pos_ + size);
    std::memcpy(bytes_.data() + pos_, data, size);
  }
  pos_ += size;
  return size;
}

size_t MemoryStream::Read(void* data, size_t size) {
  const size_t n = std::min(size, bytes_.size() - std::min(pos_, bytes_.size()));
  if (n) std::memcpy(data, bytes_.data() + pos_, n);
  pos_ += n;
  return n;
}

bool MemoryStream::Seek(int64_t position) {
  if (position < 0 || position > static_cast<int64_t>(bytes_.size())) return false;
  pos_ = static_cast<size_t>(position);
  return true;
}

std::string MemoryStream::TakeBytes() {
  pos_ = 0;
  std::string out = std::move(bytes_);
  bytes_.clear();
  return out;
}

}  // namespace inkwend
