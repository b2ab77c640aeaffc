#include "decor/icons/icon_image.h"

#include <algorithm>

namespace inkwend::icons {

IconImage ScaleToFit(const IconImage& src, int side) {
  if (src.empty() || side <= 0) return {};
  if (src.width == side && src.height == side) return src;
  IconImage dst;
  // Integer arithmetic: the longer side becomes `side`, the other keeps the ratio (at least 1).
  if (src.width >= src.height) {
    dst.width = side;
    dst.height =
        std::max(1, static_cast<int>((static_cast<int64_t>(src.height) * side + src.width / 2) / src.width));
  } else {
    dst.height = side;
    dst.width =
        std::max(1, static_cast<int>((static_cast<int64_t>(src.width) * side + src.height / 2) / src.height));
  }
  dst.argb.resize(static_cast<size_t>(dst.width) * dst.height);
  for (int y = 0; y < dst.height; ++y) {
    // Source rows covered by destination row y; at least one row (so enlarging repeats pixels).
    const int y0 = static_cast<int>(static_cast<int64_t>(y) * src.height / dst.height);
    const int y1 = std::max(
        y0 + 1, static_cast<int>((static_cast<int64_t>(y + 1) * src.height + dst.height - 1) / dst.height));
    for (int x = 0; x < dst.width; ++x) {
      const int x0 = static_cast<int>(static_cast<int64_t>(x) * src.width / dst.width);
      const int x1 = std::max(
          x0 + 1, static_cast<int>((static_cast<int64_t>(x + 1) * src.width + dst.width - 1) / dst.width));
      uint64_t a = 0, r = 0, g = 0, b = 0, n = 0;
      for (int sy = y0; sy < y1 && sy < src.height; ++sy) {
        for (int sx = x0; sx < x1 && sx < src.width; ++sx) {
          const uint32_t p = src.At(sx, sy);
          const uint64_t pa = p >> 24;
          a += pa;
          r += ((p >> 16) & 0xFF) * pa;
          g += ((p >> 8) & 0xFF) * pa;
          b += (p & 0xFF) * pa;
          ++n;
        }
      }
      uint32_t out = 0;
      if (n > 0 && a > 0) {
        const uint32_t oa = static_cast<uint32_t>((a + n / 2) / n);
        out = (oa << 24) | (static_cast<uint32_t>((r + a / 2) / a) << 16) |
              (static_cast<uint32_t>((g + a / 2) / a) << 8) | static_cast<uint32_t>((b + a / 2) / a);
      }
      dst.argb[static_cast<size_t>(y) * dst.width + x] = out;
    }
  }
  return dst;
}

}  // namespace inkwend::icons
