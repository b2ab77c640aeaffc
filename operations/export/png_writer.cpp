#include "operations/export/png_writer.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace inkwend {
namespace {

uint32_t Crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> kTable = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t c = 0xFFFFFFFFu;
  for (const char b : bytes) c = kTable[(c ^ static_cast<uint8_t>(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uint32_t Adler32(std::string_view bytes) {
  uint32_t a = 1, b = 0;
  for (const char c : bytes) {
    a = (a + static_cast<uint8_t>(c)) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBe32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void Chunk(std::string& out, std::string_view type, std::string_view data) {
  PutBe32(out, static_cast<uint32_t>(data.size()));
  std::string body(type);
  body += data;
  out += body;
  PutBe32(out, Crc32(body));
}

// A zlib stream of stored deflate blocks (at most 65535 bytes each).
std::string StoredZlib(std::string_view raw) {
  std::string out("\x78\x01", 2);
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(raw.size() - at, 65535);
    const bool last = at + n == raw.size();
    out.push_back(last ? '\x01' : '\x00');
    out.push_back(static_cast<char>(n & 0xFF));
    out.push_back(static_cast<char>(n >> 8));
    out.push_back(static_cast<char>(~n & 0xFF));
    out.push_back(static_cast<char>((~n >> 8) & 0xFF));
    out.append(raw.substr(at, n));
    at += n;
  } while (at < raw.size());
  PutBe32(out, Adler32(raw));
  return out;
}

}  // namespace

std::string EncodePng(const Bitmap& bitmap) {
  if (!bitmap.Valid() || bitmap.width <= 0 || bitmap.height <= 0) return {};
  std::string raw;
  raw.reserve(static_cast<size_t>(bitmap.height) * (1 + 3 * static_cast<size_t>(bitmap.width)));
  for (int y = 0; y < bitmap.height; ++y) {
    raw.push_back('\0');  // filter type None
    for (int x = 0; x < bitmap.width; ++x) {
      const uint32_t rgb = bitmap.PixelRgb(x, y);
      raw.push_back(static_cast<char>((rgb >> 16) & 0xFF));
      raw.push_back(static_cast<char>((rgb >> 8) & 0xFF));
      raw.push_back(static_cast<char>(rgb & 0xFF));
    }
  }
  std::string header;
  PutBe32(header, static_cast<uint32_t>(bitmap.width));
  PutBe32(header, static_cast<uint32_t>(bitmap.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  std::string out("\x89PNG\r\n\x1A\n", 8);
  Chunk(out, "IHDR", header);
  Chunk(out, "IDAT", StoredZlib(raw));
  Chunk(out, "IEND", {});
  return out;
}

}  // namespace inkwend
