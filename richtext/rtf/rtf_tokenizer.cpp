#include "richtext/rtf/rtf_tokenizer.h"

#include <algorithm>
#include <limits>

#include "richtext/rtf/keywords.h"

namespace inkwend {

namespace {

constexpr bool IsLetter(int x) { return (x >= 'a' && x <= 'z') || (x >= 'A' && x <= 'Z'); }
constexpr bool IsDigit(int x) { return x >= '0' && x <= '9'; }
constexpr size_t kMaxWordLetters = 32;  // no keyword is longer; longer words are unknown
constexpr int kMaxDigits = 19;

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The common case: the whole word, its number and delimiter lie in the buffer. False when
// they may not (the careful byte-at-a-time reading then takes over from the same place).
bool ReadControlWordInBuffer(ReaderInput& input, ControlWord& c) {
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

// The number after the letters, from its first byte `b`; false at the end of the input.
// Leaves the delimiter to be read again (or consumed when it is a space).
bool ReadParameter(ReaderInput& input, ControlWord& c, int b) {
  bool negative = false;
  if (b == '-') {
    negative = true;
    b = input.Get();
    if (b < 0) return false;
  }
  if (IsDigit(b)) {
    c.hasParam = true;
    int64_t v = 0;
    int digits = 0;
    while (IsDigit(b)) {
      if (digits < kMaxDigits && v < (int64_t{1} << 40)) v = v * 10 + (b - '0');
      ++digits;
      b = input.Get();
      if (b < 0) break;
    }
    c.param = ClampToInt32(negative ? -v : v);
    if (b < 0) return true;  // the number ended with the input: the word is complete
  } else if (negative) {
    // "-" without digits is not part of the word: both it and the byte after it are read
    // again (the buffer always holds the two bytes just read).
    input.Unget();
    input.Unget();
    return true;
  }
  if (b != ' ') input.Unget();
  return true;
}

}  // namespace

bool ReadControlWord(ReaderInput& input, ControlWord& c) {
  if (ReadControlWordInBuffer(input, c)) return true;
  c.length = 0;
  c.hasParam = false;
  c.param = 0;
  int b = input.Get();
  if (b < 0) return false;
  c.hash = RtfKeywordHashStep(kRtfKeywordHashSeed, static_cast<uint8_t>(b));
  if (!IsLetter(b)) {
    c.word[0] = static_cast<char>(b);
    c.length = 1;
    c.word[1] = 0;
    return true;
  }
  c.hash = kRtfKeywordHashSeed;
  bool too_long = false;
  while (IsLetter(b)) {
    if (c.length < kMaxWordLetters) {
      c.word[c.length++] = static_cast<char>(b);
      c.hash = RtfKeywordHashStep(c.hash, static_cast<uint8_t>(b));
    } else {
      too_long = true;
    }
    b = input.Get();
    if (b < 0) return false;
  }
  if (too_long) c.length = 0;  // no keyword is that long
  c.word[c.length] = 0;
  return ReadParameter(input, c, b);
}

}  // namespace inkwend
