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
  uint32_t header_size = 0;
  int width = 0;
  int height = 0;  // visible height, half the stored one
  int bpp = 0;
  uint32_t compression = 0;
  uint32_t colours_in_file = 0;  // palette entries that follow the header
};

bool ParseDib(const uint8_t* data, size_t size, DibInfo* d) {
  if (size < 40) return false;
  const ByteReader r(data, size);
  d->header_size = r.U32At(0);
  // BITMAPINFOHEADER and its later, longer forms; the 12-byte OS/2 header never held icons.
  if (d->header_size < 40 || d->header_size > size) return false;
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
      d->colours_in_file = clr_used != 0 ? clr_used : (1u << d->bpp);
      if (d->colours_in_file > 256) return false;
      break;
    case 16:
    case 24:
    case 32:
      if (d->compression != kBiRgb && !(d->compression == kBiBitfields && d->bpp != 24)) return false;
      d->colours_in_file = 0;
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

Status DecodeDib(const uint8_t* data, size_t size, IconImage* out) {
  DibInfo d;
  if (!ParseDib(data, size, &d)) return Status::Error("unsupported or damaged icon image header");
  const ByteReader image(data, size);
  uint64_t pos = d.header_size;
  std::array<uint32_t, 3> masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
  if (d.bpp == 16) masks = {0x7C00, 0x03E0, 0x001F};
  if (d.compression == kBiBitfields) {
    // The masks follow a 40-byte header and are part of a longer one.
    const uint64_t at = d.header_size == 40 ? pos : 40;
    if (at + 12 > size) return Status::Error("icon image cut short in its colour masks");
    masks = {image.U32At(at), image.U32At(at + 4), image.U32At(at + 8)};
    if (d.header_size == 40) pos += 12;
  }
  std::array<uint32_t, 256> palette{};
  if (d.colours_in_file > 0) {
    if (pos + 4ull * d.colours_in_file > size) return Status::Error("icon image cut short in its palette");
    for (uint32_t i = 0; i < d.colours_in_file; ++i) {
      const uint8_t* q = data + pos + 4 * i;
      palette[i] =
          0xFF000000u | (static_cast<uint32_t>(q[2]) << 16) | (static_cast<uint32_t>(q[1]) << 8) | q[0];
    }
    pos += 4ull * d.colours_in_file;
  }
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
    const uint64_t row_at = pos + static_cast<uint64_t>(d.height - 1 - y) * stride;  // bottom-up
    const uint8_t* row = data + row_at;
    for (int x = 0; x < d.width; ++x) {
      uint32_t px = 0;
      switch (d.bpp) {
        case 1:
          px = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
          break;
        case 4:
          px = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
          break;
        case 8:
          px = palette[row[x]];
          break;
        case 16: {
          const uint32_t v = image.U16At(row_at + 2 * static_cast<uint64_t>(x));
          px =
              0xFF000000u | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) | Channel(v, masks[2]);
          break;
        }
        case 24: {
          const uint8_t* q = row + 3 * x;
          px = 0xFF000000u | (static_cast<uint32_t>(q[2]) << 16) | (static_cast<uint32_t>(q[1]) << 8) | q[0];
          break;
        }
        case 32: {
          const uint32_t v = image.U32At(row_at + 4 * static_cast<uint64_t>(x));
          px = (v & 0xFF000000u) | (Channel(v, masks[0]) << 16) | (Channel(v, masks[1]) << 8) |
               Channel(v, masks[2]);
          if ((v >> 24) != 0) any_alpha = true;
          break;
        }
      }
      out->argb[static_cast<size_t>(y) * d.width + x] = px;
    }
  }
  // The AND mask decides transparency unless a 32-bit image carries real alpha.
  const bool use_mask = !(d.bpp == 32 && any_alpha);
  for (int y = 0; y < d.height; ++y) {
    const uint8_t* mrow =
        has_mask ? data + mask_pos + static_cast<uint64_t>(d.height - 1 - y) * mask_stride : nullptr;
    for (int x = 0; x < d.width; ++x) {
      uint32_t& px = out->argb[static_cast<size_t>(y) * d.width + x];
      if (!use_mask) continue;
      const bool transparent = mrow != nullptr && ((mrow[x >> 3] >> (7 - (x & 7))) & 1) != 0;
      // Masked pixels with colour would invert the screen; on a page they are simply clear.
      px = transparent ? 0 : (px | 0xFF000000u);
    }
  }
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
    out->bits_per_pixel = data[24] * (type < 7 ? kChannels[type] : 0);
    out->png = true;
    return true;
  }
  DibInfo d;
  if (!ParseDib(data, size, &d)) return false;
  out->width = d.width;
  out->height = d.height;
  out->bits_per_pixel = d.bpp;
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
