#pragma once
// Reads RTF text into a new document the way the reader tests need it: pictures decode without
// the program's image libraries, each as a 2 x 1 bitmap.
#include <memory>
#include <span>
#include <string>

#include "richtext/model/document.h"
#include "richtext/model/stream.h"
#include "richtext/picture/picture_decoder.h"
#include "richtext/rtf/reader.h"

namespace inkwend::testing {

// Stands in for the program's PNG and JPEG decoder: any picture of two bytes or more is a
// 2 x 1 bitmap.
class TwoByOneDecoder : public WPPictureDecoder {
 public:
  bool Decode(PictureFormat, std::span<const uint8_t> data, int, Bitmap& out) const override {
    if (data.size() < 2) return false;
    out.width = 2;
    out.height = 1;
    out.bitsPerPixel = 24;
    out.bits.assign(static_cast<size_t>(out.Stride()), 0x80);
    return true;
  }
};

inline std::unique_ptr<WPRTFText> Read(const std::string& rtf) {
  static const TwoByOneDecoder decoder;
  auto doc = std::make_unique<WPRTFText>();
  MemoryStream s(rtf);
  WPRtfReader reader(doc.get());
  reader.pictureDecoder = &decoder;
  reader.Read(s);
  return doc;
}

}  // namespace inkwend::testing
