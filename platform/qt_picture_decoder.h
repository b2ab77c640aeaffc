#pragma once
// Qt's side of the RTF reader's pictures: PNG and JPEG bytes to a 24-bit bitmap.
#include "richtext/rtf/picture_decoder.h"

namespace inkwend {

class QtPictureDecoder : public TWPPictureDecoder {
 public:
  bool Decode(TPictureFormat format, std::span<const uint8_t> data, int max_side,
              TBitmap& out) const override;
};

// The process-wide instance; hand it to SetPictureDecoder at start-up.
const QtPictureDecoder& QtPictureDecoderInstance();

}  // namespace inkwend
