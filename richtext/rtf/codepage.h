#pragma once
// Decoding the bytes of RTF text ("\'xx" escapes and 8-bit text) in the code page in force:
// the document's \ansicpg, or the one a font's \fcharset implies. Windows-1252 comes from
// base/text_encoding; other code pages, double-byte ones included, are converted through the C
// library's iconv into tables that are built once per code page and kept.
#include <cstdint>
#include <memory>
#include <unordered_map>

namespace inkwend {

inline constexpr int kCodePageSymbol = 2;  // symbol fonts: byte xx becomes U+F0xx

// The code page a font character set stands for; 0 when the set names none (the default set 1
// and unknown ones: the document's \ansicpg applies).
int CodePageOfCharSet(int charset);

class CodePageDecoder {
 public:
  // 1252 (or 0, or an unknown code page) decodes as Windows-1252; kCodePageSymbol as symbol.
  explicit CodePageDecoder(int codepage = 1252);

  int CodePage() const { return codepage_; }
  // Feeds one byte. Returns the character, or 0 when the byte opens a double-byte character
  // whose second byte is still to come. A pair that does not decode gives U+FFFD.
  char32_t Feed(uint8_t byte);
  // The character one byte stands for on its own, without changing any state; 0 for the first
  // byte of a double-byte character.
  char32_t Single(uint8_t byte) const;
  // Forgets a pending first byte (a group or control word came between the two bytes).
  void Reset() { lead_ = 0; }
  bool Pending() const { return lead_ != 0; }

  struct Table;  // conversion tables of one code page, shared by all decoders

 private:
  int codepage_;
  const Table* table_ = nullptr;  // null: Windows-1252 or symbol
  uint8_t lead_ = 0;
};

// The way back: the bytes of a code page that CodePageDecoder reads as a given character. Built
// by decoding every byte and every pair once, so whatever it gives reads back as the character
// it was asked for.
class CodePageEncoder {
 public:
  // The encoder of a code page that has one; null for Windows-1252 (and the code pages that
  // decode as it), for symbols, and for a code page whose table cannot be built. Built on first
  // use and kept for the process.
  static const CodePageEncoder* For(int codepage);

  // The bytes of c, a lead byte first: 1 or 2 of them, or 0 when the code page has none for it.
  // Characters below 0x80 are never encoded (they are written as they are).
  struct Bytes {
    int count = 0;
    uint8_t bytes[2] = {};
  };
  Bytes Encode(char32_t c) const;

  explicit CodePageEncoder(int codepage);

 private:
  std::unordered_map<char32_t, uint16_t> bytes_;  // a pair as lead << 8 | trail, a single byte < 256
};

}  // namespace inkwend
