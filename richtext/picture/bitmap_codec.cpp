#include "richtext/picture/bitmap_codec.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/byte_reader.h"

namespace inkwend {

namespace {

constexpr int64_t kMaxPixels = int64_t{1} << 26;  // bounds what a run-length bitmap may allocate

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

bool SupportedDepth(int bpp) {
  return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

bool SizeOk(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxBitmapDimension && height <= kMaxBitmapDimension;
}

std::vector<PaletteEntry> StandardPalette(int bpp) {
  std::vector<PaletteEntry> p;
  auto add = [&](uint8_t r, uint8_t g, uint8_t b) { p.push_back(PaletteEntry{b, g, r, 0}); };
  if (bpp == 1) {
    add(0, 0, 0);
    add(255, 255, 255);
    return p;
  }
  static constexpr std::array<uint32_t, 16> kVga = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  for (uint32_t c : kVga)
    add(static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c));
  if (bpp == 8) {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          add(static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51));
    for (int i = 0; i < 24; ++i) {
      const auto v = static_cast<uint8_t>(8 + i * 10);
      add(v, v, v);
    }
  }
  return p;
}

Bitmap To24Bit(const Bitmap& in) {
  Bitmap out;
  out.width = in.width;
  out.height = in.height;
  out.bitsPerPixel = 24;
  out.bits.assign(static_cast<size_t>(out.Stride()) * static_cast<size_t>(out.height), 0);
  for (int y = 0; y < in.height; ++y) {
    uint8_t* row = out.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(out.Stride());
    for (int x = 0; x < in.width; ++x) {
      const uint32_t c = in.PixelRgb(x, y);
      uint8_t* pixel = row + 3 * static_cast<size_t>(x);
      pixel[0] = static_cast<uint8_t>(c);
      pixel[1] = static_cast<uint8_t>(c >> 8);
      pixel[2] = static_cast<uint8_t>(c >> 16);
    }
  }
  return out;
}

bool BlackAndWhite(const Bitmap& b) {
  if (b.bitsPerPixel != 1) return false;
  if (b.palette.empty()) return true;
  return b.palette.size() == 2 && b.palette[0] == PaletteEntry{0, 0, 0, 0} &&
         b.palette[1] == PaletteEntry{255, 255, 255, 0};
}

// Run-length decoding of 8- and 4-bit bitmaps into top-down rows of `out`.
bool DecodeRle(std::span<const uint8_t> src, int bpp, bool top_down, Bitmap& out) {
  const int stride = out.Stride();
  int x = 0, y = 0;  // y counts rows in file order (bottom-up unless top_down)
  size_t i = 0;
  auto put = [&](unsigned index) {
    if (x >= out.width || y >= out.height) return;
    const int row = top_down ? y : out.height - 1 - y;
    uint8_t* r = out.bits.data() + static_cast<size_t>(row) * static_cast<size_t>(stride);
    if (bpp == 8) {
      r[x] = static_cast<uint8_t>(index);
    } else {
      uint8_t& byte = r[x / 2];
      byte = static_cast<uint8_t>(x % 2 ? (byte & 0xF0) | (index & 0x0F)
                                        : (byte & 0x0F) | ((index & 0x0F) << 4));
    }
    ++x;
  };
  while (i + 1 < src.size()) {
    const uint8_t count = src[i], value = src[i + 1];
    i += 2;
    if (count > 0) {
      for (int k = 0; k < count; ++k) put(bpp == 8 ? value : (k % 2 ? value & 0x0F : value >> 4));
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (i + 1 >= src.size()) return false;
      x += src[i];
      y += src[i + 1];
      i += 2;
    } else {  // literal run of `value` pixels, padded to 16 bits
      const size_t bytes = bpp == 8 ? value : (value + 1u) / 2;
      if (i + bytes > src.size()) return false;
      for (int k = 0; k < value; ++k) {
        put(bpp == 8 ? src[i + static_cast<size_t>(k)]
                     : (k % 2 ? src[i + static_cast<size_t>(k / 2)] & 0x0F
                              : src[i + static_cast<size_t>(k / 2)] >> 4));
      }
      i += (bytes + 1) & ~size_t{1};
    }
  }
  return true;
}

int MaskShift(uint32_t mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

uint8_t MaskValue(uint32_t v, uint32_t mask) {
  if (!mask) return 0;
  const int shift = MaskShift(mask);
  const uint32_t max = mask >> shift;
  return static_cast<uint8_t>(((v & mask) >> shift) * 255 / max);
}

}  // namespace

DdbImage EncodeDdb(const Bitmap& bitmap) {
  DdbImage ddb;
  if (!bitmap.Valid()) return ddb;
  const bool keep = BlackAndWhite(bitmap) || bitmap.bitsPerPixel >= 16;
  const Bitmap converted = keep ? Bitmap{} : To24Bit(bitmap);
  const Bitmap& src = keep ? bitmap : converted;
  ddb.bitsPerPixel = src.bitsPerPixel;
  ddb.planes = 1;
  ddb.widthBytes = static_cast<int>((static_cast<int64_t>(src.width) * src.bitsPerPixel + 15) / 16 * 2);
  ddb.bits.assign(static_cast<size_t>(ddb.widthBytes) * static_cast<size_t>(src.height), 0);
  const size_t used = static_cast<size_t>((static_cast<int64_t>(src.width) * src.bitsPerPixel + 7) / 8);
  for (int y = 0; y < src.height; ++y) {
    std::memcpy(ddb.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(ddb.widthBytes),
                src.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(src.Stride()), used);
  }
  return ddb;
}

bool DecodeDdb(int width, int height, int planes, int bits_per_pixel, int width_bytes,
               std::span<const uint8_t> bits, Bitmap& out, std::string& error) {
  if (!SizeOk(width, height)) {
    error = "bitmap size out of range";
    return false;
  }
  if (planes != 1 || !SupportedDepth(bits_per_pixel)) {
    error = "unsupported bitmap depth";
    return false;
  }
  const int64_t used = (static_cast<int64_t>(width) * bits_per_pixel + 7) / 8;
  if (width_bytes < used)
    width_bytes = static_cast<int>((static_cast<int64_t>(width) * bits_per_pixel + 15) / 16 * 2);
  if (static_cast<int64_t>(bits.size()) < static_cast<int64_t>(width_bytes) * height) {
    error = "bitmap data is shorter than its size";
    return false;
  }
  Bitmap b;
  b.width = width;
  b.height = height;
  b.bitsPerPixel = static_cast<uint16_t>(bits_per_pixel);
  if (bits_per_pixel <= 8) b.palette = StandardPalette(bits_per_pixel);
  b.bits.assign(static_cast<size_t>(b.Stride()) * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y) {
    std::memcpy(b.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(b.Stride()),
                bits.data() + static_cast<size_t>(y) * static_cast<size_t>(width_bytes),
                static_cast<size_t>(used));
  }
  out = std::move(b);
  return true;
}

std::vector<uint8_t> EncodeDib(const Bitmap& bitmap) {
  std::vector<uint8_t> out;
  if (!bitmap.Valid()) return out;
  const int stride = bitmap.Stride();
  const size_t image = static_cast<size_t>(stride) * static_cast<size_t>(bitmap.height);
  const size_t colors = bitmap.bitsPerPixel <= 8 ? size_t{1} << bitmap.bitsPerPixel : 0;
  out.reserve(40 + colors * 4 + image);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(bitmap.width));
  Put32(out, static_cast<uint32_t>(bitmap.height));
  Put16(out, 1);
  Put16(out, bitmap.bitsPerPixel);
  Put32(out, 0);  // uncompressed
  Put32(out, static_cast<uint32_t>(image));
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  const std::vector<PaletteEntry> standard =
      bitmap.palette.empty() && colors ? StandardPalette(bitmap.bitsPerPixel) : std::vector<PaletteEntry>{};
  const std::vector<PaletteEntry>& palette = bitmap.palette.empty() ? standard : bitmap.palette;
  for (size_t i = 0; i < colors; ++i) {
    const PaletteEntry e = i < palette.size() ? palette[i] : PaletteEntry{};
    out.insert(out.end(), {e.blue, e.green, e.red, 0});
  }
  for (int y = bitmap.height - 1; y >= 0; --y) {
    const uint8_t* row = bitmap.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(stride);
    out.insert(out.end(), row, row + stride);
  }
  return out;
}

namespace {

bool DecodeDibAt(std::span<const uint8_t> data, int64_t bits_offset, Bitmap& out, std::string& error) {
  if (data.size() < 12) {
    error = "bitmap header is truncated";
    return false;
  }
  const ByteReader r(data.data(), data.size());
  const uint32_t header = r.U32At(0);
  int64_t width, height;
  int bpp;
  uint32_t compression = 0, colors_used = 0;
  size_t entry_size = 4;
  if (header == 12) {
    width = r.U16At(4);
    height = static_cast<int16_t>(r.U16At(6));
    bpp = r.U16At(10);
    entry_size = 3;
  } else if (header >= 40 && header <= data.size()) {
    width = static_cast<int32_t>(r.U32At(4));
    height = static_cast<int32_t>(r.U32At(8));
    bpp = r.U16At(14);
    compression = r.U32At(16);
    colors_used = r.U32At(32);
  } else {
    error = "unknown bitmap header";
    return false;
  }
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (!SizeOk(width, height) || !SupportedDepth(bpp)) {
    error = "unsupported bitmap size or depth";
    return false;
  }
  size_t palette_count = 0;
  if (bpp <= 8) {
    palette_count = size_t{1} << bpp;
    if (colors_used > 0 && colors_used < palette_count) palette_count = colors_used;
  }
  size_t pos = header;
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  if (compression == 3) {  // bit fields: three masks after a 40-byte header
    if (bpp != 16 && bpp != 32) {
      error = "unsupported bitmap compression";
      return false;
    }
    // The masks follow a 40-byte header, or sit inside a longer one.
    if (data.size() < 52) {
      error = "bitmap header is truncated";
      return false;
    }
    pos = std::max<size_t>(header, 52);
    for (int k = 0; k < 3; ++k) masks[k] = r.U32At(40 + static_cast<size_t>(k) * 4);
  } else if (compression != 0 && !(compression == 1 && bpp == 8) && !(compression == 2 && bpp == 4)) {
    error = "unsupported bitmap compression";
    return false;
  }
  if (pos + palette_count * entry_size > data.size()) {
    error = "bitmap palette is truncated";
    return false;
  }
  Bitmap b;
  b.width = static_cast<int32_t>(width);
  b.height = static_cast<int32_t>(height);
  b.bitsPerPixel = static_cast<uint16_t>(bpp);
  for (size_t i = 0; i < palette_count; ++i) {
    const size_t at = pos + i * entry_size;
    b.palette.push_back(PaletteEntry{data[at], data[at + 1], data[at + 2], 0});
  }
  pos += palette_count * entry_size;
  // A short palette is filled up with black, so that every index reads the same colour as in
  // the full palette the encoder writes.
  if (bpp <= 8) b.palette.resize(size_t{1} << bpp);
  if (bits_offset >= 0 && static_cast<size_t>(bits_offset) >= pos &&
      static_cast<size_t>(bits_offset) <= data.size()) {
    pos = static_cast<size_t>(bits_offset);
  }
  const std::span<const uint8_t> bits = data.subspan(pos);
  const int stride = b.Stride();
  if (compression == 1 || compression == 2) {
    if (width * height > kMaxPixels) {
      error = "bitmap is too large";
      return false;
    }
    b.bits.assign(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
    if (!DecodeRle(bits, bpp, top_down, b)) {
      error = "run-length bitmap data is damaged";
      return false;
    }
    out = std::move(b);
    return true;
  }
  if (static_cast<int64_t>(bits.size()) < static_cast<int64_t>(stride) * height) {
    error = "bitmap data is shorter than its size";
    return false;
  }
  b.bits.resize(static_cast<size_t>(stride) * static_cast<size_t>(height));
  for (int64_t y = 0; y < height; ++y) {
    const int64_t src_row = top_down ? y : height - 1 - y;
    std::memcpy(b.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(stride),
                bits.data() + static_cast<size_t>(src_row) * static_cast<size_t>(stride),
                static_cast<size_t>(stride));
  }
  if (compression == 3) {  // turn bit fields into plain 24-bit pixels
    Bitmap plain;
    plain.width = b.width;
    plain.height = b.height;
    plain.bitsPerPixel = 24;
    plain.bits.assign(static_cast<size_t>(plain.Stride()) * static_cast<size_t>(plain.height), 0);
    for (int y = 0; y < b.height; ++y) {
      const uint8_t* s = b.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(stride);
      uint8_t* d = plain.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(plain.Stride());
      const ByteReader row(s, static_cast<size_t>(stride));
      for (int x = 0; x < b.width; ++x) {
        const uint32_t v =
            bpp == 16 ? row.U16At(2 * static_cast<uint64_t>(x)) : row.U32At(4 * static_cast<uint64_t>(x));
        uint8_t* pixel = d + 3 * static_cast<size_t>(x);
        pixel[0] = MaskValue(v, masks[2]);
        pixel[1] = MaskValue(v, masks[1]);
        pixel[2] = MaskValue(v, masks[0]);
      }
    }
    b = std::move(plain);
  }
  out = std::move(b);
  return true;
}

}  // namespace

bool DecodeDib(std::span<const uint8_t> data, Bitmap& out, std::string& error) {
  return DecodeDibAt(data, -1, out, error);
}

std::vector<uint8_t> EncodeBmpFile(const Bitmap& bitmap) {
  const std::vector<uint8_t> dib = EncodeDib(bitmap);
  if (dib.empty()) return {};
  std::vector<uint8_t> out;
  const size_t colors = bitmap.bitsPerPixel <= 8 ? size_t{1} << bitmap.bitsPerPixel : 0;
  out.reserve(14 + dib.size());
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(14 + dib.size()));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(14 + 40 + colors * 4));
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

bool DecodeBmpFile(std::span<const uint8_t> data, Bitmap& out, std::string& error) {
  if (data.size() < 14 + 12 || data[0] != 'B' || data[1] != 'M') {
    error = "not a bitmap file";
    return false;
  }
  const int64_t offset = static_cast<int64_t>(ByteReader(data.data(), data.size()).U32At(10)) - 14;
  return DecodeDibAt(data.subspan(14), offset, out, error);
}

}  // namespace inkwend
