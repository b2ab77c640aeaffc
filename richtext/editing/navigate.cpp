// Caret movement and the geometry the widget needs: where characters are on the screen, which
// character is under a point, where the caret is drawn, and scrolling it into view.
#include <algorithm>

#include "richtext/editing/text_input.h"

namespace inkwend {

ParPos EditController::PosAtPoint(int x, int y) const {
  const TextCursor c = layout_.HitTest(x + scrollX, y + scrollY);
  return ParPos{c.par, static_cast<int>(c.par->Line(c.line).start) + c.pos};
}

Rect EditController::CaretRect() const {
  const TextCursor c = caret.par ? caret : TextCursor{doc_.FirstParagraph(), 0, 0};
  const Rect r = layout_.CaretRect(c);
  return Rect{r.left - scrollX, r.top - scrollY, r.right - scrollX, r.bottom - scrollY};
}

int EditController::CaretX() const { return CaretRect().left + scrollX; }

bool EditController::EnsureCaretVisible(int view_width, int view_height) {
  const Rect r = CaretRect();
  const int old_x = scrollX, old_y = scrollY;
  const int top = r.top + scrollY, bottom = r.bottom + scrollY;
  if (view_height > 0) {
    if (bottom > scrollY + view_height) scrollY = bottom - view_height;
    if (top < scrollY) scrollY = top;
  }
  const int left = r.left + scrollX;
  if (view_width > 0) {
    const int margin = std::min(32, view_width / 4);
    if (left + r.Width() > scrollX + view_width) scrollX = left + r.Width() - view_width + margin;
    if (left < scrollX) scrollX = std::max(0, left - margin);
  }
  if (layout_.WordWrap()) scrollX = 0;
  scrollX = std::max(scrollX, 0);
  scrollY = std::max(scrollY, 0);
  const bool scrolled = scrollX != old_x || scrollY != old_y;
  if (scrolled) MarkAllDirty();
  return scrolled;
}

// --------------------------------------------------------------------------------------------
// Keys

void EditController::MoveLeft(bool word, bool extend) {
  if (!word && MoveVisually(false, extend)) return;
  if (!extend) HideSelection();
  ParPos p = CaretPos();
  auto step_back = [&]() {
    if (p.offset > 0) {
      --p.offset;
      return true;
    }
    if (p.par->prev) {
      p = ParPos{p.par->prev, p.par->prev->CharCount()};
      return true;
    }
    return false;
  };
  auto char_before = [&]() -> char32_t {
    return p.offset > 0 ? p.par->Text()[static_cast<size_t>(p.offset - 1)] : U'\n';
  };
  if (!word) {
    step_back();
    // A letter with its marks, an emoji sequence: one step.
    while (p.offset > 0 && !IsClusterBoundary(p.par->Text(), p.offset)) --p.offset;
  } else {
    // Over separators, then to the start of the word.
    if (p.offset == 0) step_back();
    while (p.offset > 0 && !IsWordChar(char_before())) --p.offset;
    while (p.offset > 0 && IsWordChar(char_before())) --p.offset;
  }
  MoveCaretTo(p, extend);
}

void EditController::MoveRight(bool word, bool extend) {
  if (!word && MoveVisually(true, extend)) return;
  if (!extend) HideSelection();
  ParPos p = CaretPos();
  if (!word) {
    if (p.offset < p.par->CharCount())
      p.offset = NextClusterBoundary(p.par->Text(), p.offset);
    else if (p.par->next)
      p = ParPos{p.par->next, 0};
  } else {
    // To the start of the next word.
    if (p.offset >= p.par->CharCount()) {
      if (p.par->next) p = ParPos{p.par->next, 0};
    } else {
      auto text = p.par->Text();
      const int n = p.par->CharCount();
      while (p.offset < n && IsWordChar(text[static_cast<size_t>(p.offset)])) ++p.offset;
      while (p.offset < n && !IsWordChar(text[static_cast<size_t>(p.offset)])) ++p.offset;
    }
  }
  MoveCaretTo(p, extend);
}

void EditController::MoveUp(bool extend) {
  layout_.Reformat();
  const int goal = goalX_ >= 0 ? goalX_ : CaretX();
  TextCursor c = caret.par ? caret : TextCursor{doc_.FirstParagraph(), 0, 0};
  Paragraph* par = c.par;
  int line = c.line - 1;
  if (line < 0) {
    if (!par->prev) {
      MoveCaretTo(ParPos{par, 0}, extend);
      goalX_ = goal;
      return;
    }
    par = par->prev;
    line = par->LineCount() - 1;
  }
  const ParPos p = PosAtPoint(goal - scrollX, layout_.Box(par, line).top - scrollY);
  MoveCaretTo(p, extend);
  goalX_ = goal;
}

void EditController::MoveDown(bool extend) {
  layout_.Reformat();
  const int goal = goalX_ >= 0 ? goalX_ : CaretX();
  TextCursor c = caret.par ? caret : TextCursor{doc_.FirstParagraph(), 0, 0};
  Paragraph* par = c.par;
  int line = c.line + 1;
  if (line >= par->LineCount()) {
    if (!par->next) {
      MoveCaretTo(ParPos{par, par->CharCount()}, extend);
      goalX_ = goal;
      return;
    }
    par = par->next;
    line = 0;
  }
  const ParPos p = PosAtPoint(goal - scrollX, layout_.Box(par, line).top - scrollY);
  MoveCaretTo(p, extend);
  goalX_ = goal;
}

void EditController::MoveHome(bool document, bool extend) {
  if (document) {
    MoveCaretTo(ParPos{doc_.FirstParagraph(), 0}, extend);
    return;
  }
  const TextCursor c = caret.par ? caret : TextCursor{doc_.FirstParagraph(), 0, 0};
  MoveCaretTo(ParPos{c.par, static_cast<int>(c.par->Line(c.line).start)}, extend);
}

void EditController::MoveEnd(bool document, bool extend) {
  if (document) {
    MoveCaretTo(ParPos{doc_.LastParagraph(), doc_.LastParagraph()->CharCount()}, extend);
    return;
  }
  const TextCursor c = caret.par ? caret : TextCursor{doc_.FirstParagraph(), 0, 0};
  MoveCaretTo(
      ParPos{c.par, static_cast<int>(c.par->Line(c.line).start) + layout_.LastCaretIndex(c.par, c.line)},
      extend);
}

void EditController::PageMove(bool down, bool extend, bool keep_caret, int view_height) {
  layout_.Reformat();
  view_height = std::max(view_height, 1);
  const int max_scroll = std::max(0, layout_.DocumentHeight() - view_height);
  const int old = scrollY;
  const int target = std::clamp(scrollY + (down ? view_height : -view_height), 0, max_scroll);
  if (keep_caret) {
    scrollY = target;
    if (scrollY != old) MarkAllDirty();
    return;
  }
  const Rect r = CaretRect();
  const int goal = goalX_ >= 0 ? goalX_ : CaretX();
  scrollY = target;
  if (scrollY != old) MarkAllDirty();
  if (scrollY == old) {
    // Nothing left to scroll: to the start or the end of the text.
    if (down)
      MoveCaretTo(ParPos{doc_.LastParagraph(), doc_.LastParagraph()->CharCount()}, extend);
    else
      MoveCaretTo(ParPos{doc_.FirstParagraph(), 0}, extend);
    return;
  }
  MoveCaretTo(PosAtPoint(goal - scrollX, r.top + 1), extend);
  goalX_ = goal;
}

}  // namespace inkwend
