#include "richtext/rtf/reader_input.h"

#include "richtext/model/progress.h"

namespace inkwend {

namespace {
constexpr size_t kBufferSize = size_t{64} * 1024;
}

void ReaderInput::Start(WPStream& stream) {
  stream_ = &stream;
  buffer_.reset(new uint8_t[kBufferSize]);
  pos_ = end_ = 0;
  start_ = stream.Position();
  bytesRead_ = 0;
}

void ReaderInput::Finish() {
  if (stream_ && stream_->Position() >= static_cast<int64_t>(end_ - pos_)) {
    stream_->Seek(stream_->Position() - static_cast<int64_t>(end_ - pos_));
  }
  buffer_.reset();
  stream_ = nullptr;
}

bool ReaderInput::Refill() {
  if (!stream_) return false;
  // Keep the last byte in front so that one byte can still be put back.
  size_t keep = 0;
  if (end_ > 0) {
    buffer_[0] = buffer_[end_ - 1];
    keep = 1;
  }
  const size_t n = stream_->Read(buffer_.get() + keep, kBufferSize - keep);
  pos_ = keep;
  end_ = keep + n;
  bytesRead_ += static_cast<int64_t>(n);
  if (n > 0) WPProgress::Advance(bytesRead_);
  return n > 0;
}

}  // namespace inkwend
