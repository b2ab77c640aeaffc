#include "richtext/model/charset.h"

#include <array>

#include "store/windows1252.h"

namespace inkwend {

char32_t Cp1252ToUnicode(uint8_t byte) { return Windows1252ToUnicode(byte); }

int UnicodeToCp1252(char32_t c) {
  const auto b = UnicodeToWindows1252(c);
  return b ? static_cast<int>(*b) : -1;
}

std::string ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

std::u32string FromUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<uint8_t>(text[i]);
    int extra;
    char32_t c;
    if (b < 0x80) {
      out += b;
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1;
      c = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2;
      c = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3;
      c = b & 0x07;
    } else {
      out += 0xFFFD;
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(extra) >= text.size()) {
      out += 0xFFFD;
      break;
    }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto cb = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
      if ((cb & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (cb & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (!ok || c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += 0xFFFD;
      ++i;
      continue;
    }
    out += c;
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

}  // namespace inkwend
