#include "richtext/rtf/rtf_tokenizer.h"

#include "richtext/rtf/keywords.h"

namespace inkwend {

namespace {

using namespace rtf_tokenizer;

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

bool ReadControlWordByBytes(ReaderInput& input, ControlWord& c) {
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
