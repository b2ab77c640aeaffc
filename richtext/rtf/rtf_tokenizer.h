#pragma once
// Control words of RTF: after a backslash, a control symbol (one byte that is not a letter) or
// letters with an optional signed number, ended by a delimiter (a space belongs to the word).
#include <cstddef>
#include <cstdint>

#include "richtext/rtf/reader_input.h"

namespace inkwend {

struct ControlWord {
  char word[33];
  size_t length;  // 0 for a word too long to be a keyword
  uint32_t hash;  // of the word, as the keyword look-up computes it
  bool hasParam;
  int32_t param;  // clamped to 32 bits
};

// Reads the control word after a backslash. False when the input ends inside the word.
bool ReadControlWord(ReaderInput& input, ControlWord& c);

}  // namespace inkwend
