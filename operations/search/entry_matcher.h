#pragma once
// EntryMatcher: whether one entry's RTF holds a search text, by the rules of the editor's find
// with its default options (letters without regard to case, anywhere in a word, "*" for any one
// character, within one paragraph). Most entries are ruled out by their ASCII reduction
// (rtf_ascii_filter.h) without building a document; the others are read as the editor reads
// them and searched paragraph by paragraph, so the answer is the editor's.
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"

namespace inkwend {

// Where an entry holds the text first, and the words around it.
struct TextHit {
  int paragraph = 0;  // counted from 0
  int offset = 0;     // characters into the paragraph
  int length = 0;     // characters matched
  // Up to a few words on either side of the match, within its paragraph, with the match at
  // contextMatch; runs of white space and control characters read as one space.
  std::u32string context;
  int contextMatch = 0;
};

class EntryMatcher {
 public:
  explicit EntryMatcher(std::u32string text);

  const std::u32string& Text() const { return text_; }

  // The first occurrence in the entry, or none. `read` receives the outcome of reading the RTF
  // when it had to be read (Damaged: what could be read was searched); it is left as it is when
  // the quick test ruled the entry out.
  std::optional<TextHit> Find(std::string_view rtf, Status* read = nullptr) const;

  // How many entries the quick test decided alone, and how many were read whole (for the
  // benchmark and the tests).
  int RuledOut() const { return ruledOut_; }
  int ReadWhole() const { return readWhole_; }

 private:
  std::u32string text_;
  // Whether the reduction holds the core.
  bool ReducedHoldsCore() const;

  std::string core_;   // the ASCII core the quick test looks for
  size_t anchor_ = 0;  // the core's character that is rarest in writing, looked for first
  mutable std::string reduced_;
  mutable int ruledOut_ = 0;
  mutable int readWhole_ = 0;
};

}  // namespace inkwend
