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
extern const uint8_t kAlphabet[kAlphabetSize];

// Code 0..63 of any byte: lower-case letters share their upper-case partner's code and every byte
// outside the alphabet has code 0, the code of A.
uint8_t LetterCode(uint8_t byte);

// The letter a node's flag byte stands for; bits 6 and 7 of the flag byte are ignored.
inline uint8_t DecodeLetter(uint8_t flags) { return kAlphabet[flags & 0x3F]; }

uint8_t UpperCase(uint8_t byte);
uint8_t LowerCase(uint8_t byte);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// UTF-8 to Windows-1252. A character Windows-1252 lacks (and a byte that is not valid UTF-8)
// becomes kUnmappable, a byte outside the alphabet, which the engine therefore counts as A.
inline constexpr char kUnmappable = '?';
std::string Utf8ToWindows1252(std::string_view utf8, bool* all_mapped = nullptr);
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace inkwend::spell
