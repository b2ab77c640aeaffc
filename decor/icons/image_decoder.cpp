#include "decor/icons/image_decoder.h"

#include <array>
#include <cstring>

#include "base/byte_reader.h"

namespace inkwend::icons {
namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

bool IsPng(const uint8_t* data, size_t size) {
  return size >= sizeof(kPngSignature) && std::memcmp(data, kPngSignature, sizeof(kPngSignature)) == 0;
}

struct DibInfo {
  uint32_t headerSize = 0;
  int width = 0;
  int height = 0;  // visible height, half the stored one
  int bpp = 0;
  uint32_t compression = 0;
  uint32_t coloursInFile = 0;  // palette entries that follow the header
};

bool ParseDib(const uint8_t* data, size_t size, DibInfo* d) {
  if (size < 40) return false;
  const ByteReader r(data, size);
  d->headerSize = r.U32At(0);
  // BITMAPINFOHEADER and its later, longer forms; the 12-byte OS/2 header never held icons.
  if (d->headerSize < 40 || d->headerSize > size) return false;
  const int32_t w = r.I32At(4);
  const int32_t h2 = r.I32At(8);
  d->bpp = r.U16At(14);
  d->compression = r.U32At(16);
  const uint32_t clr_used = r.U32At(32);
  if (w <= 0 || h2 <= 1 || w > kMaxImageSide || h2 / 2 > kMaxImageSide) return false;
  d->width = w;
  d->height = h2 / 2;
  switch (d->bpp) {
    case 1:
    case 4:
    case 8:
      if (d->compression != kBiRgb) return false;
      d->coloursInFile = clr_used != 0 ? clr_used : (1u << d->bpp);
      if (d->coloursInFile > 256) return false;
      break;
    case 16:
    case 24:
    case 32:
      if (d->compression != kBiRgb && !(d->compression == kBiBitfields && d->bpp != 24)) return false;
      d->coloursInFile = 0;
      break;
    default:
      return false;
  }
  return true;
}

// Width of one stored row in bytes: rows are padded to four bytes.
size_t Stride(int width, int bpp) { return ((static_cast<size_t>(width) * bpp + 31) / 32) * 4; }

// Extracts a channel with a bit mask and widens it to 8 bits.
uint32_t Channel(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const uint32_t m = mask >> shift;
  const uint32_t v = (value >> shift) & m;
  return m == 0 ? 0 : (v * 255 + m / 2) / m;
}

using ColourMasks = std::array<uint32_t, 3>;
using Palette = std::array<uint32_t, 256>;

// The caller has checked that the bytes are there.
uint16_t LittleEndian16(const uint8_t* p) { return ByteReader(p, 2).U16At(0); }
uint32_t LittleEndian32(const uint8_t* p) { return ByteReader(p, 4).U32At(0); }

// The red, green and blue masks of a 16- or 32-bit image; `pos` moves past them when they follow
// a 40-byte header.
Status ReadColourMasks(const uint8_t* data, size_t size, const DibInfo& d, uint64_t* pos,
                       ColourMasks* masks) {
  *masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  if (d.bpp == 16) *masks = {0x7C00, 0x03E0, 0x001F};
  if (d.compression != kBiBitfields) return Status::Ok();
  // The masks follow a 40-byte header and are part of a longer one.
  const uint64_t at = d.headerSize == 40 ? *pos : 40;
  if (at + 12 > size) return Status::Error("icon image cut short in its colour masks");
  *masks = {LittleEndian32(data + at), LittleEndian32(data + at + 4), LittleEndian32(data + at + 8)};
  if (d.headerSize == 40) *pos += 12;
  return Status::Ok();
}

Status ReadPalette(const uint8_t* data, size_t size, const DibInfo& d, uint64_t* pos, Palette* palette) {
  *palette = {};
  if (d.coloursInFile == 0) return Status::Ok();
  if (*pos + 4ull * d.coloursInFile > size) return Status::Error("icon image cut short in its palette");
  for (uint32_t i = 0; i < d.coloursInFile; ++i) {
    const uint8_t* q = data + *pos + 4ull * i;
    (*palette)[i] =
        0xFF000000u | (static_cast<uint32_t>(q[2]) << 16) | (static_cast<uint32_t>(q[1]) << 8) | q[0];
  }
  *pos += 4ull * d.coloursInFile;
  return Status::Ok();
}

uint32_t MaskedColour(uint32_t v, const ColourMasks& masks) {
  return (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
}

// The colour of pixel `x` of a stored row (alpha is only ever nonzero for 32-bit pixels).
uint32_t PixelOfRow(const uint8_t* row, size_t x, int bpp, const Palette& palette, const ColourMasks& masks) {
  switch (bpp) {
    case 1:
      return palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
    case 4:
      return palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
    case 8:
      return palette[row[x]];
    case 16:
      return 0xFF000000u | MaskedColour(LittleEndian16(row + 2 * x), masks);
    case 24: {
      const uint8_t* q = row + 3 * x;
      return 0xFF000000u | (static_cast<uint32_t>(q[2]) << 16) | (static_cast<uint32_t>(q[1]) << 8) | q[0];
    }
    case 32: {
      const uint32_t v = LittleEndian32(row + 4 * x);
      return (v & 0xFF000000u) | MaskedColour(v, masks);
    }
    default:
      return 0;
  }
}

// Pixels whose bit is set in the AND mask are transparent, the others opaque; without a mask
// (`mask` null) every pixel is opaque.
void ApplyAndMask(const uint8_t* mask, size_t mask_stride, IconImage* out) {
  for (int y = 0; y < out->height; ++y) {
    const uint8_t* mrow =
        mask != nullptr ? mask + static_cast<uint64_t>(out->height - 1 - y) * mask_stride : nullptr;
    for (size_t x = 0; x < static_cast<size_t>(out->width); ++x) {
      uint32_t& px = out->argb[static_cast<size_t>(y) * out->width + x];
      const bool transparent = mrow != nullptr && ((mrow[x >> 3] >> (7 - (x & 7))) & 1) != 0;
      // Masked pixels with colour would invert the screen; on a page they are simply clear.
      px = transparent ? 0 : (px | 0xFF000000u);
    }
  }
}

Status DecodeDib(const uint8_t* data, size_t size, IconImage* out) {
  DibInfo d;
  if (!ParseDib(data, size, &d)) return Status::Error("unsupported or damaged icon image header");
  const ByteReader image(data, size);
  uint64_t pos = d.headerSize;
  ColourMasks masks;
  if (Status s = ReadColourMasks(data, size, d, &pos, &masks); !s.IsOk()) return s;
  Palette palette;
  if (Status s = ReadPalette(data, size, d, &pos, &palette); !s.IsOk()) return s;
  const size_t stride = Stride(d.width, d.bpp);
  const uint64_t xor_size = static_cast<uint64_t>(stride) * d.height;
  if (pos + xor_size > size) return Status::Error("icon image cut short in its colour bits");
  const size_t mask_stride = Stride(d.width, 1);
  const uint64_t mask_pos = pos + xor_size;
  // A missing AND mask happens in hand-made files; the image is then fully opaque.
  const bool has_mask = mask_pos + static_cast<uint64_t>(mask_stride) * d.height <= size;

  out->width = d.width;
  out->height = d.height;
  out->argb.assign(static_cast<size_t>(d.width) * d.height, 0);
  bool any_alpha = false;
  for (int y = 0; y < d.height; ++y) {
    const uint8_t* row = data + pos + static_cast<uint64_t>(d.height - 1 - y) * stride;  // bottom-up
    for (size_t x = 0; x < static_cast<size_t>(d.width); ++x) {
      const uint32_t px = PixelOfRow(row, x, d.bpp, palette, masks);
      if ((px >> 24) != 0 && d.bpp == 32) any_alpha = true;
      out->argb[static_cast<size_t>(y) * d.width + x] = px;
    }
  }
  // The AND mask decides transparency unless a 32-bit image carries real alpha.
  if (!(d.bpp == 32 && any_alpha)) ApplyAndMask(has_mask ? data + mask_pos : nullptr, mask_stride, out);
  return Status::Ok();
}

}  // namespace

bool ReadImageHeader(const uint8_t* data, size_t size, ImageHeader* out) {
  if (IsPng(data, size)) {
    // The IHDR chunk must come first: length, "IHDR", width, height, depth, colour type.
    if (size < 26 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
    const ByteReader png(data, size);
    const uint32_t w = png.U32BigEndianAt(16), h = png.U32BigEndianAt(20);
    if (w == 0 || h == 0 || w > static_cast<uint32_t>(kMaxImageSide) ||
        h > static_cast<uint32_t>(kMaxImageSide))
      return false;
    static constexpr int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    const int type = data[25];
    out->width = static_cast<int>(w);
    out->height = static_cast<int>(h);
    out->bitsPerPixel = data[24] * (type < 7 ? kChannels[type] : 0);
    out->png = true;
    return true;
  }
  DibInfo d;
  if (!ParseDib(data, size, &d)) return false;
  out->width = d.width;
  out->height = d.height;
  out->bitsPerPixel = d.bpp;
  out->png = false;
  return true;
}

Status DecodeImage(const uint8_t* data, size_t size, const PngDecoder* png, IconImage* out) {
  *out = IconImage{};
  if (IsPng(data, size)) {
    if (png == nullptr) return Status::Error("PNG icon image, but no PNG decoder is available");
    if (!png->Decode(data, size, kMaxImageSide, out) || out->empty() ||
        out->argb.size() != static_cast<size_t>(out->width) * out->height) {
      *out = IconImage{};
      return Status::Error("damaged PNG icon image");
    }
    return Status::Ok();
  }
  return DecodeDib(data, size, out);
}

}  // namespace inkwend::icons
