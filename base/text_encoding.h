#pragma once
// Text encodings the diary meets: Windows-1252, the code page of diaries, settings and
// dictionaries written on Windows, and UTF-8, what the rest of the program speaks.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace inkwend {

// The code point of a Windows-1252 byte. The five bytes Windows leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as the system's own conversion
// does, so every byte survives a round trip.
char32_t Windows1252ToUnicode(unsigned char byte);
// The byte for a code point, or nothing when Windows-1252 cannot hold it.
std::optional<unsigned char> UnicodeToWindows1252(char32_t c);

// Appends a code point as UTF-8 (surrogates and values beyond U+10FFFF as U+FFFD).
void AppendUtf8(std::string& out, char32_t c);
std::string ToUtf8(std::u32string_view text);
// Invalid sequences (bad lead or continuation bytes, overlong forms, surrogates, values beyond
// U+10FFFF, a sequence cut off by the end) become U+FFFD.
std::u32string FromUtf8(std::string_view text);

}  // namespace inkwend
