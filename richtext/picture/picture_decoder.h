#pragma once
// Compressed pictures that other programs embed in RTF (\pngblip, \jpegblip) are decoded by the
// platform layer; the reader asks this interface, given to it in the load options, and keeps
// the picture as a bitmap. Without a decoder (tests of the engine alone, the fuzzer) such
// pictures load as empty objects.
#include <cstdint>
#include <span>

#include "richtext/model/objects.h"

namespace inkwend {

class WPPictureDecoder {
 public:
  virtual ~WPPictureDecoder() = default;
  // Decodes the bytes into a 24-bit bitmap (transparent pixels over white). False when the bytes
  // are not a picture of that format or it is larger than `max_side` pixels in either direction.
  virtual bool Decode(PictureFormat format, std::span<const uint8_t> data, int max_side,
                      Bitmap& out) const = 0;
};

}  // namespace inkwend
