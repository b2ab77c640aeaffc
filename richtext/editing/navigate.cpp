// Caret movement and the geometry the widget needs: where characters are on the screen, which
// character is under a point, where the caret is drawn, and scrolling it into view.
#include <algorithm>

#include "richtext/editing/text_input.h"

namespace inkwend {

TParPos EditController::PosAtPoint(int x, int y) const {
  const TTextCursor c = layout_.HitTest(x + ScrollX, y + ScrollY);
  return TParPos{c.Par, static_cast<int>(c.Par->Line(c.Line).Start) + c.Pos};
}

TRect EditController::CaretRect() const {
  const TTextCursor c = Caret.Par ? Caret : TTextCursor{doc_.FirstParagraph(), 0, 0};
  const TRect r = layout_.CaretRect(c);
  return TRect{r.Left - ScrollX, r.Top - ScrollY, r.Right - ScrollX, r.Bottom - ScrollY};
}

int EditController::CaretX() const { return CaretRect().Left + ScrollX; }

bool EditController::EnsureCaretVisible(int view_width, int view_height) {
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
  if (layout_.WordWrap()) ScrollX = 0;
  ScrollX = std::max(ScrollX, 0);
  ScrollY = std::max(ScrollY, 0);
  const bool scrolled = ScrollX != old_x || ScrollY != old_y;
  if (scrolled) MarkAllDirty();
  return scrolled;
}

// --------------------------------------------------------------------------------------------
// Keys

void EditController::MoveLeft(bool word, bool extend) {
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

void EditController::MoveRight(bool word, bool extend) {
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

void EditController::MoveUp(bool extend) {
  layout_.Reformat();
  const int goal = goal_x_ >= 0 ? goal_x_ : CaretX();
  TTextCursor c = Caret.Par ? Caret : TTextCursor{doc_.FirstParagraph(), 0, 0};
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
  const TParPos p = PosAtPoint(goal - ScrollX, layout_.Box(par, line).top - ScrollY);
  MoveCaretTo(p, extend);
  goal_x_ = goal;
}

void EditController::MoveDown(bool extend) {
  layout_.Reformat();
  const int goal = goal_x_ >= 0 ? goal_x_ : CaretX();
  TTextCursor c = Caret.Par ? Caret : TTextCursor{doc_.FirstParagraph(), 0, 0};
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
  const TParPos p = PosAtPoint(goal - ScrollX, layout_.Box(par, line).top - ScrollY);
  MoveCaretTo(p, extend);
  goal_x_ = goal;
}

void EditController::MoveHome(bool document, bool extend) {
  if (document) {
    MoveCaretTo(TParPos{doc_.FirstParagraph(), 0}, extend);
    return;
  }
  const TTextCursor c = Caret.Par ? Caret : TTextCursor{doc_.FirstParagraph(), 0, 0};
  MoveCaretTo(TParPos{c.Par, static_cast<int>(c.Par->Line(c.Line).Start)}, extend);
}

void EditController::MoveEnd(bool document, bool extend) {
  if (document) {
    MoveCaretTo(TParPos{doc_.LastParagraph(), doc_.LastParagraph()->CharCount()}, extend);
    return;
  }
  const TTextCursor c = Caret.Par ? Caret : TTextCursor{doc_.FirstParagraph(), 0, 0};
  MoveCaretTo(
      TParPos{c.Par, static_cast<int>(c.Par->Line(c.Line).Start) + layout_.LastCaretIndex(c.Par, c.Line)},
      extend);
}

void EditController::PageMove(bool down, bool extend, bool keep_caret, int view_height) {
  layout_.Reformat();
  view_height = std::max(view_height, 1);
  const int max_scroll = std::max(0, layout_.DocumentHeight() - view_height);
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
      MoveCaretTo(TParPos{doc_.LastParagraph(), doc_.LastParagraph()->CharCount()}, extend);
    else
      MoveCaretTo(TParPos{doc_.FirstParagraph(), 0}, extend);
    return;
  }
  MoveCaretTo(PosAtPoint(goal - ScrollX, r.Top + 1), extend);
  goal_x_ = goal;
}

}  // namespace inkwend
