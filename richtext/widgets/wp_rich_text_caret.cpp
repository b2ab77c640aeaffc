// The caret's blink, repainted without laying anything out.
#include "richtext/widgets/wp_rich_text.h"

namespace inkwend {

bool WPRichText::CaretOnlyRepaint(const QRect& rect) const {
  if (fullUpdatePending_ || lastPaintSelection_ || doc_->HasSelection()) return false;
  const Paragraph* par = doc_->caret.par;
  if (!par || (par->layoutDirty & kDirtyWrap)) return false;
  // The strip RepaintCaret asks for when the caret stayed where it was; anything more (the
  // caret moved, or other repaints joined in) takes the full way.
  const Rect caret = doc_->CaretRect();
  const QRect strip(caret.left - 1, caret.top, caret.Width() + 2, caret.Height());
  return strip.contains(rect);
}

}  // namespace inkwend
