#pragma once
// Windows-1252 character rules of the spell engine: the 64-letter alphabet with its codes, the
// upper- and lower-case tables, and conversions between UTF-8 (what the rest of the program
// speaks) and the single-byte text the dictionaries are made of.
#include <cstdint>
#include <string>
#include <string_view>

namespace inkwend::spell {

// The engine's alphabet; a letter's code is its position.
inline constexpr int kAlphabetSize = 64;
inline constexpr uint8_t kAlphabet[kAlphabetSize] = {
    'A',  'B',  'C',  'D',  'E',  'F',  'G',  'H',  'I',  'J',  'K',  'L',  'M',  'N',  'O',  'P',
    'Q',  'R',  'S',  'T',  'U',  'V',  'W',  'X',  'Y',  'Z',  0x27, 0x2D, 0x8A, 0x8C, 0x9F,  // ' - Š Œ Ÿ
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC,              // À..Ì
    0xCD, 0xCE, 0xCF,                                                                          // Í Î Ï
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6,                                                  // Ð..Ö
    0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,                                            // Ø..ß
    0xF0, 0x60,                                                                                // ð `
};

namespace detail {
struct CaseTables {
  uint8_t code[256];
  uint8_t upper[256];
  uint8_t lower[256];
};
extern const CaseTables kTables;
}  // namespace detail

// Code 0..63 of any byte: lower-case letters share their upper-case partner's code and every byte
// outside the alphabet has code 0, the code of A.
inline uint8_t LetterCode(uint8_t byte) { return detail::kTables.code[byte]; }

// The letter a node's flag byte stands for; bits 6 and 7 of the flag byte are ignored.
inline uint8_t DecodeLetter(uint8_t flags) { return kAlphabet[flags & 0x3F]; }

inline uint8_t UpperCase(uint8_t byte) { return detail::kTables.upper[byte]; }
inline uint8_t LowerCase(uint8_t byte) { return detail::kTables.lower[byte]; }
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// UTF-8 to Windows-1252. A character Windows-1252 lacks (and a byte that is not valid UTF-8)
// becomes kUnmappable, a byte outside the alphabet, which the engine therefore counts as A.
inline constexpr char kUnmappable = '?';
std::string Utf8ToWindows1252(std::string_view utf8, bool* all_mapped = nullptr);
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace inkwend::spell
