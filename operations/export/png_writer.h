#pragma once
// A bitmap as a PNG file: 8-bit RGB, the image data in stored (uncompressed) deflate blocks.
// Entry pictures are small; what matters is that every reader takes the file.
#include <string>

#include "richtext/model/objects.h"

namespace inkwend {

// The PNG bytes of `bitmap`; empty when the bitmap is not valid.
std::string EncodePng(const Bitmap& bitmap);

}  // namespace inkwend
