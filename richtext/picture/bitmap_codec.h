#pragma once
// Conversions between Bitmap and the two bitmap forms stored in RTF: the device-dependent
// bitmap (raw scan lines, word-aligned, top-down, no palette) and the device-independent bitmap
// (info header, palette, 4-byte aligned scan lines bottom-up), plus whole .bmp files.
// Decoders check every size against the bytes at hand and never read past them.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "richtext/model/objects.h"

namespace inkwend {

inline constexpr int kMaxBitmapDimension = 32768;

// Device-dependent form: bytes per scan line (even) and the raw bits of every row, top-down.
// A device bitmap has no palette, so paletted bitmaps other than black-and-white are written
// with 24 bits per pixel; `encoded_bits_per_pixel` tells which depth was used.
struct DdbImage {
  uint16_t bitsPerPixel = 0;
  uint16_t planes = 1;
  int widthBytes = 0;
  std::vector<uint8_t> bits;
};
DdbImage EncodeDdb(const Bitmap& bitmap);
// Builds a bitmap from device-dependent bits (one plane; 1, 4, 8, 16, 24 or 32 bits per pixel).
// 1-bit bitmaps are black and white; 4- and 8-bit ones take the standard VGA colours.
bool DecodeDdb(int width, int height, int planes, int bits_per_pixel, int width_bytes,
               std::span<const uint8_t> bits, Bitmap& out, std::string& error);

// Device-independent form: 40-byte info header, palette, bits (the .bmp file after its 14-byte
// file header).
std::vector<uint8_t> EncodeDib(const Bitmap& bitmap);
// Reads an info header (40 bytes or longer, or the 12-byte core header), palette and
// uncompressed bits (or 8/4-bit run-length encoded bits).
bool DecodeDib(std::span<const uint8_t> data, Bitmap& out, std::string& error);

// A whole .bmp file.
std::vector<uint8_t> EncodeBmpFile(const Bitmap& bitmap);
bool DecodeBmpFile(std::span<const uint8_t> data, Bitmap& out, std::string& error);

}  // namespace inkwend
