#include "base/text_encoding.h"

#include <array>

namespace inkwend {
namespace {

// 0x80..0x9F; the unassigned bytes keep their C1 code points.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// What a malformed UTF-8 sequence decodes to.
constexpr char32_t kReplacementCharacter = U'\uFFFD';

}  // namespace

char32_t Windows1252ToUnicode(unsigned char byte) {
  return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : static_cast<char32_t>(byte);
}

std::optional<unsigned char> UnicodeToWindows1252(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  // The characters of 0x80..0x9F all lie below U+2123: one table lookup for them (the RTF
  // writer asks for every character it writes).
  static const std::array<uint8_t, 0x2123> kReverse = [] {
    std::array<uint8_t, 0x2123> t{};
    for (unsigned i = 0; i < 32; ++i) t[kHigh[i]] = static_cast<uint8_t>(0x80 + i);
    return t;
  }();
  if (c >= kReverse.size() || kReverse[c] == 0) return std::nullopt;
  return kReverse[c];
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
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
      out += kReplacementCharacter;
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(extra) >= text.size()) {
      out += kReplacementCharacter;
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
      out += kReplacementCharacter;
      ++i;
      continue;
    }
    out += c;
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

}  // namespace inkwend
