#pragma once
// What layout needs to know about Unicode text beyond one character at a time: which characters
// only look right shaped together with their neighbours (joined scripts, marks, emoji
// sequences), where a user-perceived character (a grapheme cluster) begins, and in which
// visual order the runs of a right-to-left or mixed line stand. Answered with ICU; text that is
// all Latin skips ICU altogether.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace inkwend {

// True for characters that only show right when a run is shaped as a whole: right-to-left and
// complex scripts, combining marks, joiners, variation selectors and everything beyond the
// Basic Multilingual Plane (emoji with their modifiers and flags).
bool NeedsShaping(char32_t c);
// True for strong right-to-left characters (Hebrew, Arabic, Syriac, Thaana, N'Ko, ...).
bool IsRightToLeft(char32_t c);
// Direction of the first strong character: 1 right-to-left, 0 left-to-right, -1 none.
int FirstStrongDirection(std::span<const char32_t> text);

// Whether a caret may stand before text[offset] (a grapheme cluster boundary); the ends of the
// text always are.
bool IsClusterBoundary(std::span<const char32_t> text, int offset);
// The nearest cluster boundary after / before `offset` (clamped to the text).
int NextClusterBoundary(std::span<const char32_t> text, int offset);
int PreviousClusterBoundary(std::span<const char32_t> text, int offset);

// Where a line may end inside a run of a script written without spaces between words (Thai,
// Lao, Khmer, Burmese): the last word boundary at or before `offset` that lies after `from`
// and after the run's start, found in ICU's dictionaries. -1 when text[offset] is not in such a
// run or the run has no boundary there.
int DictionaryLineBreak(std::span<const char32_t> text, int from, int offset);

// Whether a cluster shows as an emoji picture: its first character is drawn as one by default
// (a face, a thumb, a flag) or the emoji selector U+FE0F asks for it (a heart), and the text
// selector U+FE0E does not ask otherwise.
bool IsEmojiCluster(std::span<const char32_t> cluster);

// A stretch of one line shown in one direction, in logical offsets [from, to) of the paragraph.
struct VisualRun {
  int from = 0;
  int to = 0;
  bool rtl = false;
  int level = 0;  // embedding level: a run inside another (a Latin word in Hebrew) is one deeper
};

// The bidirectional levels of one paragraph. Paragraphs without right-to-left characters and
// with a left-to-right base take no ICU work: IsPlain() tells layout to keep its simple path.
class ParagraphBidi {
 public:
  // direction: 1 right-to-left, 0 left-to-right, -1 from the first strong character.
  ParagraphBidi(std::span<const char32_t> text, int direction);
  ~ParagraphBidi();
  ParagraphBidi(const ParagraphBidi&) = delete;
  ParagraphBidi& operator=(const ParagraphBidi&) = delete;

  bool IsPlain() const { return plain_; }
  bool BaseRightToLeft() const { return baseRtl_; }
  // The runs of the characters [from, from + length) in visual order, left to right.
  std::vector<VisualRun> LineRuns(int from, int length) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  bool plain_ = true;
  bool baseRtl_ = false;
};

}  // namespace inkwend
