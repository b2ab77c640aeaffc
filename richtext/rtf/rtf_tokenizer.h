#pragma once
// Control words of RTF: after a backslash, a control symbol (one byte that is not a letter) or
// letters with an optional signed number, ended by a delimiter (a space belongs to the word).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader_input.h"

namespace inkwend {

struct ControlWord {
  char word[33];
  size_t length;  // 0 for a word too long to be a keyword
  uint32_t hash;  // of the word, as the keyword look-up computes it
  bool hasParam;
  int32_t param;  // clamped to 32 bits
};

namespace rtf_tokenizer {

constexpr bool IsLetter(int x) { return (x >= 'a' && x <= 'z') || (x >= 'A' && x <= 'Z'); }
constexpr bool IsDigit(int x) { return x >= '0' && x <= '9'; }
inline constexpr size_t kMaxWordLetters = 32;  // no keyword is longer; longer words are unknown
inline constexpr int kMaxDigits = 19;

inline int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The common case: the whole word, its number and delimiter lie in the buffer. False when
// they may not (the careful byte-at-a-time reading then takes over from the same place).
inline bool ReadControlWordInBuffer(ReaderInput& input, ControlWord& c) {
  constexpr size_t kNeed = 1 + kMaxWordLetters + 1 + 24 + 1;
  if (input.Available() < kNeed) return false;
  const uint8_t* p = input.Cursor();
  size_t i = 0;
  uint8_t b = p[i++];
  c.hasParam = false;
  c.param = 0;
  c.hash = RtfKeywordHashStep(kRtfKeywordHashSeed, b);
  c.word[0] = static_cast<char>(b);
  if (!IsLetter(b)) {
    c.length = 1;
    c.word[1] = 0;
    input.Advance(1);
    return true;
  }
  size_t len = 1;
  b = p[i++];
  while (IsLetter(b)) {
    if (len == kMaxWordLetters) return false;
    c.word[len++] = static_cast<char>(b);
    c.hash = RtfKeywordHashStep(c.hash, b);
    b = p[i++];
  }
  c.length = len;
  c.word[len] = 0;
  const bool negative = b == '-';
  if (negative) {
    if (!IsDigit(p[i])) {
      // "-" without digits is not part of the word.
      input.Advance(i - 1);
      return true;
    }
    b = p[i++];
  }
  if (IsDigit(b)) {
    int64_t v = 0;
    int digits = 0;
    while (IsDigit(b)) {
      if (++digits > 20) return false;
      if (digits <= kMaxDigits && v < (int64_t{1} << 40)) v = v * 10 + (b - '0');
      b = p[i++];
    }
    c.hasParam = true;
    c.param = ClampToInt32(negative ? -v : v);
  }
  // `b` is the delimiter: a space belongs to the word, anything else is read again.
  input.Advance(b == ' ' ? i : i - 1);
  return true;
}

}  // namespace rtf_tokenizer

// The control word when it may reach past the bytes at hand: a byte at a time.
bool ReadControlWordByBytes(ReaderInput& input, ControlWord& c);

// Reads the control word after a backslash. False when the input ends inside the word. Inline:
// it runs for every control word, and nearly always finds the word in the buffer.
inline bool ReadControlWord(ReaderInput& input, ControlWord& c) {
  return rtf_tokenizer::ReadControlWordInBuffer(input, c) || ReadControlWordByBytes(input, c);
}

}  // namespace inkwend
