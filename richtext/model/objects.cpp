#include "richtext/model/objects.h"

namespace inkwend {

bool Bitmap::Valid() const {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return false;
  }
  if (width <= 0 || height <= 0 || planes != 1) return false;
  if (bitsPerPixel <= 8 && palette.size() > (size_t{1} << bitsPerPixel)) return false;
  return bits.size() == static_cast<size_t>(Stride()) * static_cast<size_t>(height);
}

uint32_t Bitmap::PixelRgb(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height || !Valid()) return 0;
  const uint8_t* row = bits.data() + static_cast<size_t>(y) * static_cast<size_t>(Stride());
  auto rgb = [](uint8_t r, uint8_t g, uint8_t b) { return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b; };
  auto from_palette = [&](unsigned index) -> uint32_t {
    if (index < palette.size()) return rgb(palette[index].red, palette[index].green, palette[index].blue);
    if (bitsPerPixel == 1) return index ? 0xFFFFFF : 0;
    return 0;
  };
  const auto col = static_cast<size_t>(x);  // x >= 0 was checked above
  switch (bitsPerPixel) {
    case 1:
      return from_palette((row[col / 8] >> (7 - col % 8)) & 1);
    case 4:
      return from_palette((row[col / 2] >> (col % 2 ? 0 : 4)) & 0x0F);
    case 8:
      return from_palette(row[col]);
    case 16: {
      const unsigned v = row[2 * col] | (row[2 * col + 1] << 8);
      auto expand = [](unsigned five) { return static_cast<uint8_t>((five << 3) | (five >> 2)); };
      return rgb(expand((v >> 10) & 31), expand((v >> 5) & 31), expand(v & 31));
    }
    case 24:
      return rgb(row[3 * col + 2], row[3 * col + 1], row[3 * col]);
    case 32:
      return rgb(row[4 * col + 2], row[4 * col + 1], row[4 * col]);
  }
  return 0;
}

int DocGraphic::PixelWidth() const {
  if (const inkwend::Bitmap* b = Bitmap()) return b->width;
  if (const inkwend::Metafile* m = Metafile()) return m->width;
  if (control) return control->PixelWidth();
  return 0;
}

int DocGraphic::PixelHeight() const {
  if (const inkwend::Bitmap* b = Bitmap()) return b->height;
  if (const inkwend::Metafile* m = Metafile()) return m->height;
  if (control) return control->PixelHeight();
  return 0;
}

}  // namespace inkwend
