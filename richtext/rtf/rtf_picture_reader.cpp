#include "richtext/rtf/rtf_picture_reader.h"

#include <algorithm>

#include "richtext/picture/embedded_picture.h"
#include "richtext/rtf/rtf_values.h"

namespace inkwend {

namespace {

constexpr size_t kMaxFileName = 255;
// The keyword table gives the picture kinds by these numbers (keywords.cpp).
static_assert(static_cast<int>(EmbeddedPictureKind::Metafile) == 0 &&
              static_cast<int>(EmbeddedPictureKind::Png) == 3 &&
              static_cast<int>(EmbeddedPictureKind::Unsupported) == 5);

int32_t Scaled(int32_t goal, int32_t scale) {
  const int64_t v = scale > 0 ? static_cast<int64_t>(goal) * scale / 100 : goal;
  return static_cast<int32_t>(std::clamp<int64_t>(v, 0, 1 << 24));
}

}  // namespace

void RtfPictureReader::ResetValues() {
  for (int32_t& v : values_) v = 0;
  values_[4] = values_[5] = 100;
}

void RtfPictureReader::Start(size_t depth) {
  depth_ = depth;
  kind_ = 0;
  ResetValues();
  values_[7] = 1;
  data_.clear();
  overflow_ = false;
  nibble_ = -1;
}

void RtfPictureReader::StartFile() {
  fileName_.clear();
  quoted_ = false;
  ResetValues();
}

void RtfPictureReader::SetKind(int kind) {
  kind_ = kind;
  if (kind == static_cast<int>(EmbeddedPictureKind::Metafile) ||
      kind == static_cast<int>(EmbeddedPictureKind::Unsupported)) {
    data_.clear();
  }
}

size_t RtfPictureReader::AddHexDigits(const uint8_t* p, size_t n) {
  size_t i = 0;
  for (; i < n; ++i) {
    const int v = rtf_values::kHexValue[p[i]];  // NOLINT(bugprone-signed-char-misuse): -1 marks a non-digit
    if (v < 0) {
      if (p[i] == '\r' || p[i] == '\n' || p[i] == ' ' || p[i] == '\t') continue;
      break;
    }
    if (nibble_ < 0) {
      nibble_ = v;
    } else {
      if (data_.size() < kMaxPictureBytes) {
        data_.push_back(static_cast<uint8_t>(nibble_ << 4 | v));
      } else {
        overflow_ = true;
      }
      nibble_ = -1;
    }
  }
  return i;
}

void RtfPictureReader::AddBinary(const uint8_t* p, size_t n) {
  const size_t room = kMaxPictureBytes - std::min(kMaxPictureBytes, data_.size());
  if (n > room) overflow_ = true;
  data_.insert(data_.end(), p, p + std::min(n, room));
}

void RtfPictureReader::AddFileNameChar(char32_t c) {
  if (c == U'"') {
    quoted_ = !quoted_;
  } else if (quoted_ && fileName_.size() < kMaxFileName) {
    fileName_.push_back(c);
  }
}

DocGraphic RtfPictureReader::Decode(std::vector<uint8_t> data, const WPPictureDecoder* decoder) const {
  const EmbeddedPictureSize size{values_[0], values_[1], values_[7], values_[6], values_[8]};
  const auto kind = static_cast<EmbeddedPictureKind>(std::clamp(kind_, 0, 5));
  return DecodeEmbeddedPicture(kind, size, std::move(data), decoder);
}

int32_t RtfPictureReader::ShownWidth() const { return Scaled(values_[2], values_[4]); }
int32_t RtfPictureReader::ShownHeight() const { return Scaled(values_[3], values_[5]); }

}  // namespace inkwend
