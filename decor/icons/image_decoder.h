#pragma once
// One image of an icon: a device-independent bitmap (colour bits followed by a 1-bit AND mask) or
// a PNG stream. Both are stored the same way in .ICO files and in RT_ICON resources.
#include <cstddef>
#include <cstdint>

#include "base/status.h"
#include "decor/icons/icon_image.h"

namespace inkwend::icons {

struct ImageHeader {
  int width = 0;
  int height = 0;  // of the visible image (a DIB header counts the AND mask in its height)
  int bitsPerPixel = 0;
  bool png = false;
};

// Reads only the header of an image (what the "best fit" choice and listings need).
bool ReadImageHeader(const uint8_t* data, size_t size, ImageHeader* out);

// Decodes a whole image to ARGB. 1-, 4- and 8-bit images take their colours from the palette and
// their transparency from the AND mask; 16- and 24-bit ones from the AND mask; 32-bit ones from
// their alpha channel, or from the AND mask when every alpha byte is zero (older icons). A PNG
// stream goes to `png`, which may be null (then the image cannot be decoded).
Status DecodeImage(const uint8_t* data, size_t size, const PngDecoder* png, IconImage* out);

}  // namespace inkwend::icons
