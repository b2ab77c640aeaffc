#include "spell/engine/windows1252.h"

#include <array>

#include "base/text_encoding.h"

namespace inkwend::spell {

namespace {

constexpr uint8_t UpperOf(int b) {
  if (b >= 'a' && b <= 'z') return static_cast<uint8_t>(b - 0x20);
  if (b == 0x9A) return 0x8A;  // š
  if (b == 0x9C) return 0x8C;  // œ
  if (b == 0xFF) return 0x9F;  // ÿ
  if (b >= 0xE0 && b <= 0xFE && b != 0xF0 && b != 0xF7) return static_cast<uint8_t>(b - 0x20);
  return static_cast<uint8_t>(b);
}

constexpr uint8_t LowerOf(int b) {
  if (b >= 'A' && b <= 'Z') return static_cast<uint8_t>(b + 0x20);
  if (b == 0x8A) return 0x9A;
  if (b == 0x8C) return 0x9C;
  if (b == 0x9F) return 0xFF;
  if (b >= 0xC0 && b <= 0xDE && b != 0xD0 && b != 0xD7) return static_cast<uint8_t>(b + 0x20);
  return static_cast<uint8_t>(b);
}

constexpr detail::CaseTables MakeTables() {
  detail::CaseTables t{};
  for (int b = 0; b < 256; ++b) {
    t.upper[b] = UpperOf(b);
    t.lower[b] = LowerOf(b);
  }
  for (int c = kAlphabetSize - 1; c >= 0; --c) t.code[kAlphabet[c]] = static_cast<uint8_t>(c);
  // Lower-case partners: a-z, š œ ÿ, 0xE0-0xEF, 0xF1-0xF6 and 0xF8-0xFE.
  auto partner = [&t](int lower, int upper) { t.code[lower] = t.code[upper]; };
  for (int b = 'a'; b <= 'z'; ++b) partner(b, b - 0x20);
  partner(0x9A, 0x8A);
  partner(0x9C, 0x8C);
  partner(0xFF, 0x9F);
  for (int b = 0xE0; b <= 0xEF; ++b) partner(b, b - 0x20);
  for (int b = 0xF1; b <= 0xF6; ++b) partner(b, b - 0x20);
  for (int b = 0xF8; b <= 0xFE; ++b) partner(b, b - 0x20);
  return t;
}

// The byte of a code point, or -1 when Windows-1252 has none.
int FromCodePoint(uint32_t cp) {
  const auto byte = UnicodeToWindows1252(static_cast<char32_t>(cp));
  return byte ? static_cast<int>(*byte) : -1;
}

}  // namespace

namespace detail {
constinit const CaseTables kTables = MakeTables();
}  // namespace detail

std::string UpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(UpperCase(static_cast<uint8_t>(c)));
  return out;
}

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(LowerCase(static_cast<uint8_t>(c)));
  return out;
}

std::string Utf8ToWindows1252(std::string_view utf8, bool* all_mapped) {
  std::string out;
  out.reserve(utf8.size());
  bool ok = true;
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i]);
    int extra = 0;
    uint32_t cp = 0;
    if (lead < 0x80) {
      cp = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      cp = lead & 0x07;
    } else {
      extra = -1;
    }
    bool valid = extra >= 0 && i + static_cast<size_t>(extra) < utf8.size();
    if (valid) {
      for (int k = 1; k <= extra; ++k) {
        const uint8_t c = static_cast<uint8_t>(utf8[i + k]);
        if ((c & 0xC0) != 0x80) {
          valid = false;
          break;
        }
        cp = (cp << 6) | (c & 0x3F);
      }
    }
    if (!valid) {  // a stray byte stands for one unmappable character
      out += kUnmappable;
      ok = false;
      ++i;
      continue;
    }
    i += static_cast<size_t>(extra) + 1;
    const int byte = FromCodePoint(cp);
    if (byte < 0) {
      out += kUnmappable;
      ok = false;
    } else {
      out += static_cast<char>(byte);
    }
  }
  if (all_mapped) *all_mapped = ok;
  return out;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char ch : text) {
    AppendUtf8(out, Windows1252ToUnicode(static_cast<uint8_t>(ch)));
  }
  return out;
}

}  // namespace inkwend::spell
