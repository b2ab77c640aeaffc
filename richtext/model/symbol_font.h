#pragma once
// The Symbol font's characters as Unicode. Text in a symbol font is kept as U+F0xx (its byte
// xx) so that it is written back as the same byte; plain text handed to other programs (the
// clipboard, text conversion) should carry the character the font draws instead, such as the
// bullet U+2022 that Word puts before list items as Symbol byte B7.
#include <string_view>

#include "richtext/model/char_attr.h"
#include "richtext/model/text_header.h"

namespace inkwend {

// True for the font whose byte encoding the table below describes ("Symbol", any case).
bool IsSymbolFontName(std::u32string_view name);

// The Unicode character of a Symbol-font character U+F020..U+F0FF; any other character, and a
// Symbol byte with no Unicode equivalent (the pieces of large brackets, say), comes back as is.
char32_t SymbolCharToUnicode(char32_t c);

// True for picture fonts (Wingdings, Webdings, Zapf Dingbats and the like), whose bytes mean
// other pictures than the Symbol font's.
bool IsDingbatFontName(std::u32string_view name);

// The character plain text shows for c in the font of attr: U+F0xx as the Symbol font draws it,
// unless the font is another symbol font (Wingdings and the like, or any other font of the
// symbol character set), whose bytes mean other pictures. Word and LibreOffice also write
// Symbol's bullet as U+F0B7 in the list text's ordinary font.
char32_t PlainTextChar(const TextHeader& header, char32_t c, const CharAttr& attr);

}  // namespace inkwend
