#include "richtext/picture/pcx_codec.h"

#include <array>
#include <cstddef>
#include <vector>

namespace inkwend {

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kPalette256Size = 769;  // the marker byte 12, then 256 RGB triples
constexpr int64_t kMaxPixels = int64_t{1} << 26;

struct PcxHeader {
  int bitsPerPixel = 0;
  int planes = 0;
  int bytesPerLine = 0;
  int width = 0;
  int height = 0;
};

uint16_t Word(std::span<const uint8_t> d, size_t at) { return static_cast<uint16_t>(d[at] | d[at + 1] << 8); }

bool ReadHeader(std::span<const uint8_t> data, int max_side, PcxHeader& h, std::string& error) {
  if (data.size() < kHeaderSize || data[0] != 0x0A || data[2] != 1) {
    error = "not a run-length PCX picture";
    return false;
  }
  h.bitsPerPixel = data[3];
  h.planes = data[65];
  h.bytesPerLine = Word(data, 66);
  const int x_min = Word(data, 4), y_min = Word(data, 6), x_max = Word(data, 8), y_max = Word(data, 10);
  h.width = x_max - x_min + 1;
  h.height = y_max - y_min + 1;
  if (h.width <= 0 || h.height <= 0 || h.width > max_side || h.height > max_side ||
      int64_t{h.width} * h.height > kMaxPixels) {
    error = "the picture's size is out of range";
    return false;
  }
  const bool known = (h.bitsPerPixel == 1 && (h.planes == 1 || h.planes == 4)) ||
                     (h.bitsPerPixel == 4 && h.planes == 1) ||
                     (h.bitsPerPixel == 8 && (h.planes == 1 || h.planes == 3));
  if (!known || int64_t{h.bytesPerLine} * 8 < int64_t{h.width} * h.bitsPerPixel) {
    error = "a PCX picture of an unknown kind";
    return false;
  }
  return true;
}

// Every scan line of every plane, run-length decoded; missing bytes stay 0.
std::vector<uint8_t> Unpack(std::span<const uint8_t> data, size_t end, const PcxHeader& h) {
  std::vector<uint8_t> raw(static_cast<size_t>(h.bytesPerLine) * static_cast<size_t>(h.planes) *
                           static_cast<size_t>(h.height));
  size_t in = kHeaderSize, out = 0;
  while (out < raw.size() && in < end) {
    uint8_t b = data[in++];
    size_t count = 1;
    if ((b & 0xC0) == 0xC0) {
      count = b & 0x3F;
      if (in >= end) break;
      b = data[in++];
    }
    for (; count > 0 && out < raw.size(); --count) raw[out++] = b;
  }
  return raw;
}

using Rgb = std::array<uint8_t, 3>;

std::array<Rgb, 256> Palette(std::span<const uint8_t> data, const PcxHeader& h, bool& trailing_palette) {
  std::array<Rgb, 256> pal{};
  trailing_palette = h.bitsPerPixel == 8 && h.planes == 1 && data.size() >= kHeaderSize + kPalette256Size &&
                     data[data.size() - kPalette256Size] == 12;
  if (trailing_palette) {
    const size_t at = data.size() - kPalette256Size + 1;
    for (size_t i = 0; i < 256; ++i) pal[i] = {data[at + 3 * i], data[at + 3 * i + 1], data[at + 3 * i + 2]};
  } else if (h.bitsPerPixel == 8 && h.planes == 1) {
    for (size_t i = 0; i < 256; ++i)
      pal[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  } else if (h.bitsPerPixel == 1 && h.planes == 1) {
    pal[0] = {0, 0, 0};
    pal[1] = {255, 255, 255};
  } else {
    for (size_t i = 0; i < 16; ++i) pal[i] = {data[16 + 3 * i], data[16 + 3 * i + 1], data[16 + 3 * i + 2]};
  }
  return pal;
}

// The colour of pixel x of a line whose planes start at `line`.
Rgb PixelAt(const uint8_t* line, int x, const PcxHeader& h, const std::array<Rgb, 256>& pal) {
  const auto bpl = static_cast<size_t>(h.bytesPerLine);
  const auto ux = static_cast<size_t>(x);
  if (h.planes == 3) return {line[ux], line[bpl + ux], line[2 * bpl + ux]};
  if (h.bitsPerPixel == 8) return pal[line[ux]];
  if (h.bitsPerPixel == 4) return pal[(line[ux / 2] >> (ux % 2 == 0 ? 4 : 0)) & 15];
  size_t index = 0;
  for (size_t plane = 0; plane < static_cast<size_t>(h.planes); ++plane) {
    index |= static_cast<size_t>((line[plane * bpl + ux / 8] >> (7 - ux % 8)) & 1) << plane;
  }
  return pal[index];
}

}  // namespace

bool DecodePcx(std::span<const uint8_t> data, int max_side, Bitmap& out, std::string& error) {
  PcxHeader h;
  if (!ReadHeader(data, max_side, h, error)) return false;
  bool trailing_palette = false;
  const std::array<Rgb, 256> pal = Palette(data, h, trailing_palette);
  const size_t end = trailing_palette ? data.size() - kPalette256Size : data.size();
  const std::vector<uint8_t> raw = Unpack(data, end, h);
  Bitmap bmp;
  bmp.width = h.width;
  bmp.height = h.height;
  bmp.bitsPerPixel = 24;
  const auto stride = static_cast<size_t>(bmp.Stride());
  bmp.bits.assign(stride * static_cast<size_t>(h.height), 0);
  const size_t line_bytes = static_cast<size_t>(h.bytesPerLine) * static_cast<size_t>(h.planes);
  for (int y = 0; y < h.height; ++y) {
    const uint8_t* line = raw.data() + static_cast<size_t>(y) * line_bytes;
    uint8_t* dst = bmp.bits.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < h.width; ++x) {
      const Rgb c = PixelAt(line, x, h, pal);
      uint8_t* px = dst + static_cast<ptrdiff_t>(3) * x;
      px[0] = c[2];
      px[1] = c[1];
      px[2] = c[0];
    }
  }
  out = std::move(bmp);
  return true;
}

}  // namespace inkwend
