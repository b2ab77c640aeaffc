#pragma once
// Decoded icon pixels and the one outside service the icon readers need: a PNG decoder, which the
// platform layer supplies (newer icons store their large images as PNG).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace inkwend::icons {

// The size the shell calls the "large icon": what an icon is extracted at.
inline constexpr int kLargeIconSize = 32;
// No icon image of any format is larger than 256 pixels a side; we allow some slack and refuse
// anything bigger before allocating for it.
inline constexpr int kMaxImageSide = 1024;

// Straight (not premultiplied) 32-bit ARGB pixels, row by row from the top.
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;

  bool empty() const { return width <= 0 || height <= 0; }
  uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

class PngDecoder {
 public:
  virtual ~PngDecoder() = default;
  // Decodes a PNG stream into `out`. Returns false for a damaged stream or one whose width or
  // height exceeds `max_side` (which must be refused before allocating pixels).
  virtual bool Decode(const uint8_t* data, size_t size, int max_side, IconImage* out) const = 0;
};

// Scales `src` to fit inside side x side keeping its aspect ratio (a 48 x 48 image becomes 32 x 32,
// a 64 x 32 one 32 x 16, a 16 x 16 one is doubled). Pixels are averaged by area with alpha
// weighting, so shrinking does not darken transparent edges.
IconImage ScaleToFit(const IconImage& src, int side);

}  // namespace inkwend::icons
