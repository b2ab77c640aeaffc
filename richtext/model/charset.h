#pragma once
// Windows-1252, the byte encoding of the stored RTF, and UTF-8 helpers (base/text_encoding.h).
#include <cstdint>
#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace inkwend {

// The character of a Windows-1252 byte. The five bytes Windows leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same value, so every byte round-trips.
char32_t Cp1252ToUnicode(uint8_t byte);
// The Windows-1252 byte of a character, or -1 when it has none.
int UnicodeToCp1252(char32_t c);

// Symbol fonts (character set 2) keep their byte xx as the private-use character U+F0xx.
inline constexpr char32_t kSymbolBase = 0xF000;
inline bool IsSymbolChar(char32_t c) { return c >= 0xF000 && c <= 0xF0FF; }

}  // namespace inkwend
