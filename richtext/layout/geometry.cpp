// Where things are on the laid-out document: the x of every character boundary of a line, the
// place under a point and the caret's rectangle, all in document pixels.
#include <algorithm>

#include "richtext/layout/layout.h"

namespace inkwend {

void TextLayout::LineXs(const TParagraph* par, int line, std::vector<int>& xs) const {
  const TTextLine& l = par->Line(line);
  auto text = par->Text();
  const bool has_attrs = par->HasAttributes();
  const int left = LeftIndentPixels(par, line);
  const int right = RightIndentPixels(par);
  int x = left;
  if (par->Alignment == kAlignRight || par->Alignment == kAlignCenter) {
    const int d = LayoutWidth() - left - right - VisibleWidth(par, line);
    if (par->Alignment == kAlignRight)
      x += std::max(d, 0);
    else if (d > 1)
      x += d / 2;
  }
  TLineStretch stretch(l, Box(par, line), text);  // justified spaces, as painting widens them
  const bool tabs_as_spaces = par->Alignment == kAlignRight || par->Alignment == kAlignCenter;
  int rel_x = 0;
  xs.resize(static_cast<size_t>(l.Length) + 1);
  xs[0] = x;
  for (int j = 0; j < l.Length; ++j) {
    const int off = static_cast<int>(l.Start) + j;
    const char32_t c = text[static_cast<size_t>(off)];
    int adv;
    if (c == kCharTab && !tabs_as_spaces) {
      adv = NextTabPosition(par, line, rel_x, off) - rel_x;
    } else if (!stretch.Widens(j, c, adv)) {
      adv = CharWidth(par, off);
    }
    if (has_attrs && (par->Attrs()[static_cast<size_t>(off)].CharFlags & kCharHidden) && !ShowHiddenText)
      adv = 0;
    rel_x += adv;
    x += adv;
    xs[static_cast<size_t>(j) + 1] = x;
  }
}

int TextLayout::LastCaretIndex(const TParagraph* par, int line) {
  const TTextLine& l = par->Line(line);
  if (line + 1 < par->LineCount() && l.Length > 0) return l.Length - 1;
  if (l.Length > 0 && par->Text()[l.Start + l.Length - 1] == kCharLineBreak) return l.Length - 1;
  return l.Length;
}

TTextCursor TextLayout::HitTest(int x, int y) const {
  TParagraph* par = doc_.FirstParagraph();
  int line = 0;
  for (TParagraph* p = doc_.FirstParagraph(); p; p = p->Next) {
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
  int index = 0;
  while (index < max_index &&
         x >= (xs[static_cast<size_t>(index)] + xs[static_cast<size_t>(index) + 1] + 1) / 2) {
    ++index;
  }
  return TTextCursor{par, line, index};
}

TRect TextLayout::CaretRect(const TTextCursor& c) const {
  const int line = std::clamp(c.Line, 0, c.Par->LineCount() - 1);
  const TTextLine& l = c.Par->Line(line);
  std::vector<int> xs;
  LineXs(c.Par, line, xs);
  const int x = xs[static_cast<size_t>(std::clamp(c.Pos, 0, static_cast<int>(l.Length)))];
  int top = Box(c.Par, line).top;
  int height = Box(c.Par, line).height;
  if (line == 0) {
    const int before = doc_.Header.TwipsToPixelsY(c.Par->SpaceBefore);
    top += std::clamp(before, 0, height);
    height -= std::clamp(before, 0, height);
  }
  if (line == c.Par->LineCount() - 1)
    height -= std::clamp(doc_.Header.TwipsToPixelsY(c.Par->SpaceAfter), 0, height);
  if (height <= 0) height = doc_.DefaultLineHeight;
  return TRect{x, top, x + 2, top + height};
}

}  // namespace inkwend
