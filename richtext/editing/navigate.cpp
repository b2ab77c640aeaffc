// Caret movement and the geometry the widget needs: where characters are on the screen, which
// character is under a point, where the caret is drawn, and scrolling it into view.
#include <algorithm>

#include "richtext/editing/text_input.h"

namespace inkwend {

void TWPRTFTextInput::LineXs(const TParagraph* par, int line, std::vector<int>& xs) const {
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
  TLineStretch stretch(l, text);  // justified spaces, as painting widens them
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

namespace {
// The last index the caret may take in a line: before the character that ends a wrapped line
// (its space or line break), so that the caret stays on the line it was put on.
int LastCaretIndex(const TParagraph* par, int line) {
  const TTextLine& l = par->Line(line);
  if (line + 1 < par->LineCount() && l.Length > 0) return l.Length - 1;
  if (l.Length > 0 && par->Text()[l.Start + l.Length - 1] == kCharLineBreak) return l.Length - 1;
  return l.Length;
}
}  // namespace

TParPos TWPRTFTextInput::PosAtPoint(int x, int y) const {
  const int doc_y = y + ScrollY;
  const int doc_x = x + ScrollX;
  TParagraph* par = FirstParagraph();
  int line = 0;
  for (TParagraph* p = FirstParagraph(); p; p = p->Next) {
    par = p;
    line = p->LineCount() - 1;
    const TTextLine& last = p->Line(line);
    if (doc_y < last.Top + last.Height) {
      line = 0;
      while (line + 1 < p->LineCount() && doc_y >= p->Line(line).Top + p->Line(line).Height) ++line;
      break;
    }
  }
  std::vector<int> xs;
  LineXs(par, line, xs);
  const int max_index = LastCaretIndex(par, line);
  int index = 0;
  while (index < max_index &&
         doc_x >= (xs[static_cast<size_t>(index)] + xs[static_cast<size_t>(index) + 1] + 1) / 2) {
    ++index;
  }
  return TParPos{par, static_cast<int>(par->Line(line).Start) + index};
}

TRect TWPRTFTextInput::CaretRect() const {
  const TTextCursor c = Caret.Par ? Caret : TTextCursor{FirstParagraph(), 0, 0};
  const int line = std::clamp(c.Line, 0, c.Par->LineCount() - 1);
  const TTextLine& l = c.Par->Line(line);
  std::vector<int> xs;
  LineXs(c.Par, line, xs);
  const int x = xs[static_cast<size_t>(std::clamp(c.Pos, 0, static_cast<int>(l.Length)))] - ScrollX;
  int top = l.Top;
  int height = l.Height;
  if (line == 0) {
    const int before = Header.TwipsToPixelsY(c.Par->SpaceBefore);
    top += std::clamp(before, 0, height);
    height -= std::clamp(before, 0, height);
  }
  if (line == c.Par->LineCount() - 1)
    height -= std::clamp(Header.TwipsToPixelsY(c.Par->SpaceAfter), 0, height);
  if (height <= 0) height = DefaultLineHeight;
  return TRect{x, top - ScrollY, x + 2, top - ScrollY + height};
}

int TWPRTFTextInput::CaretX() const { return CaretRect().Left + ScrollX; }

bool TWPRTFTextInput::EnsureCaretVisible(int view_width, int view_height) {
  const TRect r = CaretRect();
  const int old_x = ScrollX, old_y = ScrollY;
  const int top = r.Top + ScrollY, bottom = r.Bottom + ScrollY;
  if (view_height > 0) {
    if (bottom > ScrollY + view_height) ScrollY = bottom - view_height;
    if (top < ScrollY) ScrollY = top;
  }
  const int left = r.Left + ScrollX;
  if (view_width > 0) {
    const int margin = std::min(32, view_width / 4);
    if (left + r.Width() > ScrollX + view_width) ScrollX = left + r.Width() - view_width + margin;
    if (left < ScrollX) ScrollX = std::max(0, left - margin);
  }
  if (WordWrap()) ScrollX = 0;
  ScrollX = std::max(ScrollX, 0);
  ScrollY = std::max(ScrollY, 0);
  const bool scrolled = ScrollX != old_x || ScrollY != old_y;
  if (scrolled) MarkAllDirty();
  return scrolled;
}

// --------------------------------------------------------------------------------------------
// Keys

void TWPRTFTextInput::MoveLeft(bool word, bool extend) {
  if (!extend) HideSelection();
  TParPos p = CaretPos();
  auto step_back = [&]() {
    if (p.Offset > 0) {
      --p.Offset;
      return true;
    }
    if (p.Par->Prev) {
      p = TParPos{p.Par->Prev, p.Par->Prev->CharCount()};
      return true;
    }
    return false;
  };
  auto char_before = [&]() -> char32_t {
    return p.Offset > 0 ? p.Par->Text()[static_cast<size_t>(p.Offset - 1)] : U'\n';
  };
  if (!word) {
    step_back();
  } else {
    // Over separators, then to the start of the word.
    if (p.Offset == 0) step_back();
    while (p.Offset > 0 && !IsWordChar(char_before())) --p.Offset;
    while (p.Offset > 0 && IsWordChar(char_before())) --p.Offset;
  }
  MoveCaretTo(p, extend);
}

void TWPRTFTextInput::MoveRight(bool word, bool extend) {
  if (!extend) HideSelection();
  TParPos p = CaretPos();
  if (!word) {
    if (p.Offset < p.Par->CharCount())
      ++p.Offset;
    else if (p.Par->Next)
      p = TParPos{p.Par->Next, 0};
  } else {
    // To the start of the next word.
    if (p.Offset >= p.Par->CharCount()) {
      if (p.Par->Next) p = TParPos{p.Par->Next, 0};
    } else {
      auto text = p.Par->Text();
      const int n = p.Par->CharCount();
      while (p.Offset < n && IsWordChar(text[static_cast<size_t>(p.Offset)])) ++p.Offset;
      while (p.Offset < n && !IsWordChar(text[static_cast<size_t>(p.Offset)])) ++p.Offset;
    }
  }
  MoveCaretTo(p, extend);
}

void TWPRTFTextInput::MoveUp(bool extend) {
  Reformat();
  const int goal = goal_x_ >= 0 ? goal_x_ : CaretX();
  TTextCursor c = Caret.Par ? Caret : TTextCursor{FirstParagraph(), 0, 0};
  TParagraph* par = c.Par;
  int line = c.Line - 1;
  if (line < 0) {
    if (!par->Prev) {
      MoveCaretTo(TParPos{par, 0}, extend);
      goal_x_ = goal;
      return;
    }
    par = par->Prev;
    line = par->LineCount() - 1;
  }
  const TTextLine& l = par->Line(line);
  const TParPos p = PosAtPoint(goal - ScrollX, l.Top - ScrollY);
  MoveCaretTo(p, extend);
  goal_x_ = goal;
}

void TWPRTFTextInput::MoveDown(bool extend) {
  Reformat();
  const int goal = goal_x_ >= 0 ? goal_x_ : CaretX();
  TTextCursor c = Caret.Par ? Caret : TTextCursor{FirstParagraph(), 0, 0};
  TParagraph* par = c.Par;
  int line = c.Line + 1;
  if (line >= par->LineCount()) {
    if (!par->Next) {
      MoveCaretTo(TParPos{par, par->CharCount()}, extend);
      goal_x_ = goal;
      return;
    }
    par = par->Next;
    line = 0;
  }
  const TTextLine& l = par->Line(line);
  const TParPos p = PosAtPoint(goal - ScrollX, l.Top - ScrollY);
  MoveCaretTo(p, extend);
  goal_x_ = goal;
}

void TWPRTFTextInput::MoveHome(bool document, bool extend) {
  if (document) {
    MoveCaretTo(TParPos{FirstParagraph(), 0}, extend);
    return;
  }
  const TTextCursor c = Caret.Par ? Caret : TTextCursor{FirstParagraph(), 0, 0};
  MoveCaretTo(TParPos{c.Par, static_cast<int>(c.Par->Line(c.Line).Start)}, extend);
}

void TWPRTFTextInput::MoveEnd(bool document, bool extend) {
  if (document) {
    MoveCaretTo(TParPos{LastParagraph(), LastParagraph()->CharCount()}, extend);
    return;
  }
  const TTextCursor c = Caret.Par ? Caret : TTextCursor{FirstParagraph(), 0, 0};
  MoveCaretTo(TParPos{c.Par, static_cast<int>(c.Par->Line(c.Line).Start) + LastCaretIndex(c.Par, c.Line)},
              extend);
}

void TWPRTFTextInput::PageMove(bool down, bool extend, bool keep_caret, int view_height) {
  Reformat();
  view_height = std::max(view_height, 1);
  const int max_scroll = std::max(0, DocumentHeight() - view_height);
  const int old = ScrollY;
  const int target = std::clamp(ScrollY + (down ? view_height : -view_height), 0, max_scroll);
  if (keep_caret) {
    ScrollY = target;
    if (ScrollY != old) MarkAllDirty();
    return;
  }
  const TRect r = CaretRect();
  const int goal = goal_x_ >= 0 ? goal_x_ : CaretX();
  ScrollY = target;
  if (ScrollY != old) MarkAllDirty();
  if (ScrollY == old) {
    // Nothing left to scroll: to the start or the end of the text.
    if (down)
      MoveCaretTo(TParPos{LastParagraph(), LastParagraph()->CharCount()}, extend);
    else
      MoveCaretTo(TParPos{FirstParagraph(), 0}, extend);
    return;
  }
  MoveCaretTo(PosAtPoint(goal - ScrollX, r.Top + 1), extend);
  goal_x_ = goal;
}

}  // namespace inkwend
