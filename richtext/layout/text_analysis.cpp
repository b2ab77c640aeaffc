#include "richtext/layout/text_analysis.h"

#include <unicode/ubidi.h>
#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>
#include <array>
#include <utility>

namespace inkwend {

namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// Blocks whose characters change shape, order or position with their neighbours.
constexpr std::array<Range, 16> kShapedBlocks = {{
    {0x0300, 0x036F},  // combining diacritical marks
    {0x0483, 0x0489},  // Cyrillic combining marks
    {0x0590, 0x0DFF},  // Hebrew, Arabic, Syriac, Thaana, N'Ko, ..., the Indic scripts, Sinhala
    {0x0E00, 0x109F},  // Thai, Lao, Tibetan, Myanmar
    {0x1100, 0x11FF},  // conjoining Hangul jamo
    {0x1700, 0x1CFF},  // Philippine scripts, Khmer, Mongolian, Balinese, ..., Vedic marks
    {0x1DC0, 0x1DFF},  // combining marks supplement
    {0x200C, 0x200F},  // joiners and direction marks
    {0x202A, 0x202E},  // direction embeddings and overrides
    {0x2066, 0x2069},  // direction isolates
    {0x20D0, 0x20FF},  // combining marks for symbols (keycaps)
    {0xA800, 0xABFF},  // Syloti Nagri, ..., Javanese, Cham, Meetei Mayek
    {0xFB1D, 0xFDFF},  // Hebrew and Arabic presentation forms
    {0xFE00, 0xFE0F},  // variation selectors (emoji or text presentation)
    {0xFE20, 0xFE2F},  // combining half marks
    {0xFE70, 0xFEFF},  // Arabic presentation forms B
}};

// Text in ICU's UTF-16 with the index of the character each unit belongs to.
struct Utf16Text {
  std::vector<UChar> units;
  std::vector<int> charOf;  // one per unit, plus the end
  std::vector<int> unitOf;  // one per character, plus the end

  explicit Utf16Text(std::span<const char32_t> text) {
    units.reserve(text.size());
    charOf.reserve(text.size() + 1);
    unitOf.reserve(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) {
      const char32_t c = text[i] > 0x10FFFF || (text[i] >= 0xD800 && text[i] <= 0xDFFF) ? 0xFFFD : text[i];
      unitOf.push_back(static_cast<int>(units.size()));
      if (c > 0xFFFF) {
        units.push_back(U16_LEAD(c));
        units.push_back(U16_TRAIL(c));
        charOf.push_back(static_cast<int>(i));
      } else {
        units.push_back(static_cast<UChar>(c));
      }
      charOf.push_back(static_cast<int>(i));
    }
    unitOf.push_back(static_cast<int>(units.size()));
    charOf.push_back(static_cast<int>(text.size()));
  }
};

// One break iterator of each kind per thread (opening one costs more than a whole cluster
// lookup); null where ICU cannot open it.
template <UBreakIteratorType kKind>
UBreakIterator* ThreadIterator() {
  thread_local UBreakIterator* iterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator* it = ubrk_open(kKind, "", nullptr, 0, &status);
    return U_SUCCESS(status) ? it : nullptr;
  }();
  return iterator;
}

UBreakIterator* ClusterIterator() { return ThreadIterator<UBRK_CHARACTER>(); }

// Clusters are short: a window of this many characters on each side decides a boundary.
constexpr int kClusterWindow = 32;

UBreakIterator* WordLineIterator() { return ThreadIterator<UBRK_LINE>(); }

// Scripts whose words run together (line break class "complex context"); all of them lie
// from Thai on, so the text before it is settled without a property lookup.
bool RunsWordsTogether(char32_t c) {
  return c >= 0x0E00 &&
         u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_LINE_BREAK) == U_LB_COMPLEX_CONTEXT;
}

// A word boundary needs the words on both sides of it: the dictionary looks this far past the
// place where the line is full, which keeps a long paragraph without spaces linear.
constexpr int kDictionaryLookahead = 48;

bool SimplePair(char32_t before, char32_t after) {
  // Below the combining marks every character stands alone, except CR LF.
  return before < 0x300 && after < 0x300 && !(before == U'\r' && after == U'\n');
}

}  // namespace

bool NeedsShaping(char32_t c) {
  if (c < 0x0300) return false;
  if (c >= 0x10000) return true;
  return std::any_of(kShapedBlocks.begin(), kShapedBlocks.end(),
                     [c](const Range& r) { return c >= r.first && c <= r.last; });
}

bool IsRightToLeft(char32_t c) {
  if (c < 0x0590) return false;
  const UCharDirection d = u_charDirection(static_cast<UChar32>(c));
  return d == U_RIGHT_TO_LEFT || d == U_RIGHT_TO_LEFT_ARABIC;
}

int FirstStrongDirection(std::span<const char32_t> text) {
  for (char32_t c : text) {
    if (c < 0x41) continue;
    const UCharDirection d = u_charDirection(static_cast<UChar32>(c));
    if (d == U_LEFT_TO_RIGHT) return 0;
    if (d == U_RIGHT_TO_LEFT || d == U_RIGHT_TO_LEFT_ARABIC) return 1;
  }
  return -1;
}

bool IsClusterBoundary(std::span<const char32_t> text, int offset) {
  const int n = static_cast<int>(text.size());
  if (offset <= 0 || offset >= n) return true;
  const auto at = [&](int i) { return text[static_cast<size_t>(i)]; };
  if (SimplePair(at(offset - 1), at(offset))) return true;
  const int from = std::max(0, offset - kClusterWindow);
  const int to = std::min(n, offset + kClusterWindow);
  UBreakIterator* it = ClusterIterator();
  if (!it) return true;
  const Utf16Text window(text.subspan(static_cast<size_t>(from), static_cast<size_t>(to - from)));
  UErrorCode status = U_ZERO_ERROR;
  ubrk_setText(it, window.units.data(), static_cast<int32_t>(window.units.size()), &status);
  if (U_FAILURE(status)) return true;
  const bool boundary = ubrk_isBoundary(it, window.unitOf[static_cast<size_t>(offset - from)]) != 0;
  ubrk_setText(it, nullptr, 0, &status);
  return boundary;
}

int NextClusterBoundary(std::span<const char32_t> text, int offset) {
  const int n = static_cast<int>(text.size());
  offset = std::clamp(offset + 1, 0, n);
  while (offset < n && !IsClusterBoundary(text, offset)) ++offset;
  return offset;
}

int PreviousClusterBoundary(std::span<const char32_t> text, int offset) {
  offset = std::clamp(offset - 1, 0, static_cast<int>(text.size()));
  while (offset > 0 && !IsClusterBoundary(text, offset)) --offset;
  return offset;
}

int DictionaryLineBreak(std::span<const char32_t> text, int from, int offset) {
  const int n = static_cast<int>(text.size());
  if (offset < 0 || offset >= n || !RunsWordsTogether(text[static_cast<size_t>(offset)])) return -1;
  int start = offset;
  while (start > from && RunsWordsTogether(text[static_cast<size_t>(start - 1)])) --start;
  int end = offset + 1;
  while (end < n && end < offset + kDictionaryLookahead && RunsWordsTogether(text[static_cast<size_t>(end)]))
    ++end;
  UBreakIterator* it = WordLineIterator();
  if (!it || start == offset) return -1;
  const Utf16Text run(text.subspan(static_cast<size_t>(start), static_cast<size_t>(end - start)));
  UErrorCode status = U_ZERO_ERROR;
  ubrk_setText(it, run.units.data(), static_cast<int32_t>(run.units.size()), &status);
  if (U_FAILURE(status)) return -1;
  const int32_t unit = ubrk_preceding(it, run.unitOf[static_cast<size_t>(offset - start)] + 1);
  ubrk_setText(it, nullptr, 0, &status);
  if (unit == UBRK_DONE || unit <= 0) return -1;
  return start + run.charOf[static_cast<size_t>(unit)];
}

bool IsEmojiCluster(std::span<const char32_t> cluster) {
  if (cluster.empty() || cluster.front() < 0x2000) return false;
  bool asked = false;
  for (char32_t c : cluster) {
    if (c == 0xFE0E) return false;
    asked = asked || c == 0xFE0F;
  }
  return asked || u_hasBinaryProperty(static_cast<UChar32>(cluster.front()), UCHAR_EMOJI_PRESENTATION);
}

struct ParagraphBidi::Impl {
  explicit Impl(std::span<const char32_t> text) : utf16(text) {}
  ~Impl() {
    if (para) ubidi_close(para);
  }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  Utf16Text utf16;
  UBiDi* para = nullptr;
};

ParagraphBidi::ParagraphBidi(std::span<const char32_t> text, int direction) {
  const bool any_rtl = std::any_of(text.begin(), text.end(), [](char32_t c) { return IsRightToLeft(c); });
  if (!any_rtl && direction != 1) return;
  impl_ = std::make_unique<Impl>(text);
  UErrorCode status = U_ZERO_ERROR;
  impl_->para = ubidi_open();
  const UBiDiLevel level = direction == 1 ? 1 : direction == 0 ? 0 : UBIDI_DEFAULT_LTR;
  ubidi_setPara(impl_->para, impl_->utf16.units.data(), static_cast<int32_t>(impl_->utf16.units.size()),
                level, nullptr, &status);
  if (U_FAILURE(status)) {
    impl_.reset();
    return;
  }
  plain_ = false;
  baseRtl_ = (ubidi_getParaLevel(impl_->para) & 1) != 0;
}

ParagraphBidi::~ParagraphBidi() = default;

std::vector<VisualRun> ParagraphBidi::LineRuns(int from, int length) const {
  std::vector<VisualRun> runs;
  if (length <= 0) return runs;
  if (plain_) {
    runs.push_back({from, from + length, false, 0});
    return runs;
  }
  const Utf16Text& u = impl_->utf16;
  const int start = u.unitOf[static_cast<size_t>(from)];
  const int end = from + length;
  const int limit = u.unitOf[static_cast<size_t>(end)];
  UErrorCode status = U_ZERO_ERROR;
  UBiDi* line = ubidi_openSized(limit - start, 0, &status);
  ubidi_setLine(impl_->para, start, limit, line, &status);
  const int32_t count = U_SUCCESS(status) ? ubidi_countRuns(line, &status) : 0;
  for (int32_t i = 0; i < count && U_SUCCESS(status); ++i) {
    int32_t logical = 0, units = 0;
    const UBiDiDirection dir = ubidi_getVisualRun(line, i, &logical, &units);
    const int first = start + logical;
    const int after = first + units;
    runs.push_back({u.charOf[static_cast<size_t>(first)], u.charOf[static_cast<size_t>(after)],
                    dir == UBIDI_RTL, ubidi_getLevelAt(line, logical)});
  }
  if (line) ubidi_close(line);
  if (runs.empty()) runs.push_back({from, from + length, baseRtl_, baseRtl_ ? 1 : 0});
  return runs;
}

}  // namespace inkwend
