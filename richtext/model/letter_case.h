#pragma once
// The capital of a small letter, for text shown in capitals (\caps, \scaps) while the text
// itself keeps its case: Latin (with Latin-1 and Latin Extended-A), Greek and Cyrillic, the
// scripts of the diary's code pages; any other character is its own capital.
namespace inkwend {

// Latin Extended-A: pairs of capital and small letter; the odd one is small except from U+0139
// to U+0148 and from U+0179 to U+017E, where the even one is.
constexpr char32_t UpperCaseLatinExtended(char32_t c) {
  if (c == 0x138 || c == 0x149 || c == 0x17F) return c;
  const bool even_small = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
  return (c % 2 == 0) == even_small ? c - 1 : c;
}

constexpr char32_t UpperCaseLetter(char32_t c) {
  if (c < 0x80) return c >= U'a' && c <= U'z' ? c - 0x20 : c;
  if (c == 0xFF) return 0x178;
  if (c < 0x100) return c >= 0xE0 && c != 0xF7 ? c - 0x20 : c;
  if (c < 0x180) return UpperCaseLatinExtended(c);
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

constexpr bool IsSmallLetter(char32_t c) { return UpperCaseLetter(c) != c; }

}  // namespace inkwend
