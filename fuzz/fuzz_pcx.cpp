// PCX pictures as the image browser meets them in files: whatever decodes is a valid bitmap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "richtext/picture/pcx_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  inkwend::Bitmap bitmap;
  std::string error;
  if (inkwend::DecodePcx(std::span<const uint8_t>(data, size), 4096, bitmap, error) && !bitmap.Valid())
    std::abort();
  return 0;
}
