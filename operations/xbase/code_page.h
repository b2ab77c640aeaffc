#pragma once
// Text of xBase tables is stored in the single-byte code page that the header's language-driver
// byte names. These helpers map that byte to a code page and decode stored bytes into UTF-8.
#include <cstdint>
#include <string>
#include <string_view>

namespace inkwend::xbase {

// A table whose language-driver byte names no code page is read as Windows-1252.
inline constexpr int kDefaultCodePage = 1252;

// The code page named by a language-driver byte: 0 when the byte is zero (names none), -1 when the
// byte is not a value any xBase program is known to write.
int CodePageOfLanguageDriver(uint8_t driver);

// Whether DecodeText has a table for the code page. Double-byte Asian code pages (932, 936, 949,
// 950) and the rare Kamenicky (895) and Mazovia (620) pages have none.
bool CanDecode(int code_page);

// Decodes bytes of the given code page into UTF-8. Bytes below 0x80 are ASCII in every supported
// page. A code page without a table is read as Windows-1252, so every byte still stays visible.
std::string DecodeText(std::string_view bytes, int code_page);

}  // namespace inkwend::xbase
