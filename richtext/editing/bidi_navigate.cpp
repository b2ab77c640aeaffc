// The arrow keys in right-to-left and mixed lines move the caret on the screen, not through the
// characters' order: Left goes to the place left of the caret, whatever the direction of the
// text it crosses. Off the end of a line the caret goes on in the paragraph's reading order.
#include <algorithm>
#include <vector>

#include "richtext/editing/text_input.h"

namespace inkwend {

ParPos EditController::OffLine(const TextCursor& c, bool forward) const {
  Paragraph* par = c.par;
  if (forward) {
    if (c.line + 1 < par->LineCount()) return ParPos{par, static_cast<int>(par->Line(c.line + 1).start)};
    if (par->next) return ParPos{par->next, 0};
    return ParPos{par, par->CharCount()};
  }
  if (c.line > 0) {
    const int prev = c.line - 1;
    return ParPos{par, static_cast<int>(par->Line(prev).start) + TextLayout::LastCaretIndex(par, prev)};
  }
  if (par->prev) return ParPos{par->prev, par->prev->CharCount()};
  return ParPos{par, 0};
}

bool EditController::MoveVisually(bool right, bool extend) {
  layout_.Reformat();
  if (!caret.par) return false;
  TextCursor c = caret;
  Paragraph* par = c.par;
  c.line = std::clamp(c.line, 0, par->LineCount() - 1);
  const TextLine& l = par->Line(c.line);
  const bool rtl = TextLayout::RightToLeftParagraph(par);
  if (!rtl && TextLayout::BidiRuns(par, l).empty()) return false;
  if (!extend) HideSelection();
  std::vector<int> xs;
  layout_.LineXs(par, c.line, xs);
  const int last = TextLayout::LastCaretIndex(par, c.line);
  const int here = xs[static_cast<size_t>(std::clamp(c.pos, 0, static_cast<int>(l.length)))];
  // The nearest boundary on the wanted side of the caret.
  int best = -1, best_distance = 0;
  for (int i = 0; i <= last; ++i) {
    if (i == c.pos || !IsClusterBoundary(par->Text(), static_cast<int>(l.start) + i)) continue;
    const int distance = right ? xs[static_cast<size_t>(i)] - here : here - xs[static_cast<size_t>(i)];
    if (distance > 0 && (best < 0 || distance < best_distance)) {
      best = i;
      best_distance = distance;
    }
  }
  const ParPos to = best >= 0 ? ParPos{par, static_cast<int>(l.start) + best} : OffLine(c, right != rtl);
  MoveCaretTo(to, extend);
  return true;
}

}  // namespace inkwend
