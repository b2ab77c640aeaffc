// Where things are on the laid-out document: the x of every character boundary of a line, the
// place under a point and the caret's rectangle, all in document pixels.
#include <algorithm>
#include <cstdlib>

#include "richtext/layout/layout.h"

namespace inkwend {

void TextLayout::LineXs(const Paragraph* par, int line, std::vector<int>& xs) const {
  const TextLine& l = par->Line(line);
  auto text = par->Text();
  const bool has_attrs = par->HasAttributes();
  const int left = LeftIndentPixels(par, line);
  const int right = RightIndentPixels(par);
  int x = left;
  const uint8_t alignment = ShownAlignment(par);
  if (alignment == kAlignRight || alignment == kAlignCenter) {
    const int d = LayoutWidth() - left - right - VisibleWidth(par, line);
    if (alignment == kAlignRight)
      x += std::max(d, 0);
    else if (d > 1)
      x += d / 2;
  }
  LineStretch stretch(l, Box(par, line), text);  // justified spaces, as painting widens them
  const bool tabs_as_spaces = par->alignment == kAlignRight || par->alignment == kAlignCenter;
  const ParagraphBoxes* measured = FindBoxes(par);
  int rel_x = 0;
  xs.resize(static_cast<size_t>(l.length) + 1);
  xs[0] = x;
  for (int j = 0; j < l.length; ++j) {
    const int off = static_cast<int>(l.start) + j;
    const char32_t c = text[static_cast<size_t>(off)];
    int adv;
    if (c == kCharTab && !tabs_as_spaces) {
      adv = NextTabPosition(par, line, rel_x, off) - rel_x;
    } else if (!stretch.Widens(j, c, adv)) {
      adv = CharWidthIn(measured, par, off);
    }
    if (has_attrs && (par->AttrAt(static_cast<size_t>(off)).charFlags & kCharHidden) && !showHiddenText)
      adv = 0;
    rel_x += adv;
    x += adv;
    xs[static_cast<size_t>(j) + 1] = x;
  }
  if (const auto runs = BidiRuns(par, l); !runs.empty()) ReorderCaretXs(runs, xs);
}

int TextLayout::LastCaretIndex(const Paragraph* par, int line) {
  const TextLine& l = par->Line(line);
  if (line + 1 < par->LineCount() && l.length > 0) return l.length - 1;
  if (l.length > 0 && par->Text()[l.start + l.length - 1] == kCharLineBreak) return l.length - 1;
  return l.length;
}

namespace {

// In a line of mixed directions the caret xs do not grow with the index: the caret goes to the
// cluster boundary nearest to x.
int NearestCaretIndex(const Paragraph* par, const TextLine& l, const std::vector<int>& xs, int x,
                      int max_index) {
  int best = 0;
  for (int i = 0; i <= max_index; ++i) {
    if (!IsClusterBoundary(par->Text(), static_cast<int>(l.start) + i)) continue;
    if (std::abs(xs[static_cast<size_t>(i)] - x) < std::abs(xs[static_cast<size_t>(best)] - x)) best = i;
  }
  return best;
}

}  // namespace

TextCursor TextLayout::HitTest(int x, int y) const {
  Paragraph* par = doc_.FirstParagraph();
  int line = 0;
  for (Paragraph* p = doc_.FirstParagraph(); p; p = p->next) {
    par = p;
    line = p->LineCount() - 1;
    if (y < BottomOf(p)) {
      line = 0;
      while (line + 1 < p->LineCount() && y >= Box(p, line).top + Box(p, line).height) ++line;
      break;
    }
  }
  std::vector<int> xs;
  LineXs(par, line, xs);
  const int max_index = LastCaretIndex(par, line);
  const TextLine& l = par->Line(line);
  if (!BidiRuns(par, l).empty()) return TextCursor{par, line, NearestCaretIndex(par, l, xs, x, max_index)};
  int index = 0;
  while (index < max_index &&
         x >= (xs[static_cast<size_t>(index)] + xs[static_cast<size_t>(index) + 1] + 1) / 2) {
    ++index;
  }
  // Never inside a cluster (a letter with its marks, an emoji sequence): the cluster's width is
  // on its first character, so a place inside it stands at the cluster's end.
  while (index < max_index && !IsClusterBoundary(par->Text(), static_cast<int>(l.start) + index)) ++index;
  return TextCursor{par, line, index};
}

Rect TextLayout::CaretRect(const TextCursor& c) const {
  const int line = std::clamp(c.line, 0, c.par->LineCount() - 1);
  const TextLine& l = c.par->Line(line);
  std::vector<int> xs;
  LineXs(c.par, line, xs);
  const int x = xs[static_cast<size_t>(std::clamp(c.pos, 0, static_cast<int>(l.length)))];
  int top = Box(c.par, line).top;
  int height = Box(c.par, line).height;
  if (line == 0) {
    const int before = doc_.header.TwipsToPixelsY(c.par->spaceBefore);
    top += std::clamp(before, 0, height);
    height -= std::clamp(before, 0, height);
  }
  if (line == c.par->LineCount() - 1)
    height -= std::clamp(doc_.header.TwipsToPixelsY(c.par->spaceAfter), 0, height);
  if (height <= 0) height = doc_.defaultLineHeight;
  return Rect{x, top, x + 2, top + height};
}

}  // namespace inkwend
