#include "richtext/model/charset.h"

namespace inkwend {

char32_t Cp1252ToUnicode(uint8_t byte) { return Windows1252ToUnicode(byte); }

int UnicodeToCp1252(char32_t c) {
  const auto b = UnicodeToWindows1252(c);
  return b ? static_cast<int>(*b) : -1;
}

}  // namespace inkwend
