#pragma once
// Windows-1252, the code page of diaries and settings written on Windows.
#include <optional>
#include <string>
#include <string_view>

namespace inkwend {

// The code point of a Windows-1252 byte (the five unassigned bytes map to U+0081 etc., as the
// system's own conversion does).
char32_t Windows1252ToUnicode(unsigned char byte);
// The byte for a code point, or nothing when Windows-1252 cannot hold it.
std::optional<unsigned char> UnicodeToWindows1252(char32_t c);

// Appends a code point as UTF-8 (surrogates and values beyond U+10FFFF as U+FFFD).
void AppendUtf8(std::string& out, char32_t c);

// A password as bytes: Windows-1252 when every character fits (so diaries made on Windows
// open with the same password), UTF-8 otherwise.
std::string PasswordBytes(std::u32string_view password);

}  // namespace inkwend
