// Which lines a typed key changed. A key typed into a long paragraph re-wraps all of it, but
// usually only the line it was typed into looks different afterwards: the paragraph's text and
// lines are kept from its previous wrap, and a line whose characters and box are the same as
// then is left as it is on the screen.
#include <algorithm>

#include "richtext/layout/layout.h"

namespace inkwend {
namespace {

// Spaces, tabs and control codes: where lines break.
bool IsBlank(char32_t c) { return c <= U' '; }

// The start of the word `at` is in: a word broken over lines (one longer than a line) is looked
// at whole, as the spelling marks look at it. Where the change is among blanks, their run is
// taken whole too, as the diff cannot tell which of like characters is the new one (a bold
// space typed among plain ones).
size_t WidenBack(std::span<const char32_t> text, size_t at) {
  while (at > 0 && !IsBlank(text[at - 1])) --at;
  while (at > 0 && at < text.size() && IsBlank(text[at]) && text[at - 1] == text[at]) --at;
  return at;
}

// The end of the word `at` is in (or of the run of like blanks it is in).
size_t WidenForward(std::span<const char32_t> text, size_t at) {
  const size_t n = text.size();
  while (at < n && !IsBlank(text[at])) ++at;
  while (at > 0 && at < n && IsBlank(text[at]) && text[at - 1] == text[at]) ++at;
  return at;
}

// Right-to-left scripts and everything above them: the paragraph's direction and the visual
// order of its lines may turn on a single character, so such a paragraph is painted whole.
bool MayReorder(std::span<const char32_t> text) {
  return std::any_of(text.begin(), text.end(), [](char32_t c) { return c >= 0x0590; });
}

bool SameBox(const LineBox& a, const LineBox& b) {
  return a.top == b.top && a.height == b.height && a.ascent == b.ascent && a.flags == b.flags &&
         std::equal(std::begin(a.values), std::end(a.values), std::begin(b.values));
}

}  // namespace

TextLayout::TypedChange TextLayout::ReformatTypedParagraph(Paragraph* par) {
  // The kept lines hold only while nothing else was wrapped since and the paragraph has not
  // moved (a paragraph removed above it moves it without a wrap).
  const bool known = typed_.paragraphId == par->Id() && typed_.wraps == wraps_ && !typed_.boxes.empty() &&
                     Box(par, 0).top == typed_.boxes.front().top;
  const bool height_changed = ReformatParagraph(par, true);
  const std::vector<LineBox>& boxes = BoxesOf(par);
  TypedChange change{boxes.empty() ? 0 : boxes.front().top, BottomOf(par), height_changed};
  if (known && !height_changed) NarrowToChangedLines(par, change);
  typed_.paragraphId = par->Id();
  typed_.wraps = wraps_;
  typed_.text.assign(par->Text().begin(), par->Text().end());
  typed_.lines.resize(static_cast<size_t>(par->LineCount()));
  for (int l = 0; l < par->LineCount(); ++l) typed_.lines[static_cast<size_t>(l)] = par->Line(l);
  typed_.boxes = boxes;
  return change;
}

void TextLayout::NarrowToChangedLines(const Paragraph* par, TypedChange& change) const {
  const std::span<const char32_t> now = par->Text();
  const std::span<const char32_t> before = typed_.text;
  if (MayReorder(now) || MayReorder(before)) return;
  const size_t shorter = std::min(now.size(), before.size());
  size_t prefix = 0;
  while (prefix < shorter && now[prefix] == before[prefix]) ++prefix;
  // The same characters: only their records can have changed, anywhere in the paragraph.
  if (prefix == now.size() && prefix == before.size()) return;
  size_t suffix = 0;
  while (suffix < shorter - prefix && now[now.size() - 1 - suffix] == before[before.size() - 1 - suffix])
    ++suffix;
  // Characters [changed_from, changed_to) of the text now hold the change, widened to whole
  // words; what lies outside is the same text on both sides.
  const size_t changed_from = WidenBack(now, prefix);
  // A line ending right where the change starts ends with a character whose kerning may change.
  const size_t keep_before = changed_from == prefix && changed_from > 0 ? changed_from - 1 : changed_from;
  const size_t changed_to = WidenForward(now, now.size() - suffix);
  const int count = par->LineCount();
  const int old_count = static_cast<int>(typed_.lines.size());
  int top = change.bottom, bottom = change.top;
  for (int k = 0; k < count; ++k) {
    const TextLine& line = par->Line(k);
    const LineBox& box = Box(par, k);
    bool same = false;
    if (k < old_count && line.start + line.length <= keep_before) {
      const TextLine& was = typed_.lines[static_cast<size_t>(k)];
      same = was.start == line.start && was.length == line.length &&
             SameBox(typed_.boxes[static_cast<size_t>(k)], box);
    } else if (const int j = k + old_count - count; j >= 0 && j < old_count && line.start >= changed_to) {
      const TextLine& was = typed_.lines[static_cast<size_t>(j)];
      same = was.length == line.length && before.size() - was.start == now.size() - line.start &&
             SameBox(typed_.boxes[static_cast<size_t>(j)], box);
    }
    if (same) continue;
    top = std::min(top, box.top);
    bottom = std::max(bottom, box.top + box.height);
  }
  if (top < bottom) {
    change.top = top;
    change.bottom = bottom;
  }
}

}  // namespace inkwend
