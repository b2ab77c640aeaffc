#include "richtext/model/objects.h"

namespace inkwend {

bool TBitmap::Valid() const {
  switch (BitsPerPixel) {
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
  if (Width <= 0 || Height <= 0 || Planes != 1) return false;
  if (BitsPerPixel <= 8 && Palette.size() > (size_t{1} << BitsPerPixel)) return false;
  return Bits.size() == static_cast<size_t>(Stride()) * static_cast<size_t>(Height);
}

uint32_t TBitmap::PixelRgb(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height || !Valid()) return 0;
  const uint8_t* row = Bits.data() + static_cast<size_t>(y) * static_cast<size_t>(Stride());
  auto rgb = [](uint8_t r, uint8_t g, uint8_t b) { return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b; };
  auto from_palette = [&](unsigned index) -> uint32_t {
    if (index < Palette.size()) return rgb(Palette[index].Red, Palette[index].Green, Palette[index].Blue);
    if (BitsPerPixel == 1) return index ? 0xFFFFFF : 0;
    return 0;
  };
  const auto col = static_cast<size_t>(x);  // x >= 0 was checked above
  switch (BitsPerPixel) {
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

int TDocGraphic::PixelWidth() const {
  if (const TBitmap* b = Bitmap()) return b->Width;
  if (const TMetafile* m = Metafile()) return m->Width;
  if (Control) return Control->PixelWidth();
  return 0;
}

int TDocGraphic::PixelHeight() const {
  if (const TBitmap* b = Bitmap()) return b->Height;
  if (const TMetafile* m = Metafile()) return m->Height;
  if (Control) return Control->PixelHeight();
  return 0;
}

}  // namespace inkwend
