// Where a repaint starts: the paragraph that reaches the top of the clip, found without walking
// the paragraphs above it.
#include <algorithm>

#include "richtext/layout/layout.h"

namespace inkwend {

size_t TextLayout::FirstParagraphReaching(int y) const {
  if (inReformat_ || order_.empty() || !extra_.empty() || order_.front().par != doc_.FirstParagraph())
    return 0;
  // Tops never decrease along the chain (the cells of a row share the row's top), so the last
  // paragraph starting at or above y is found by halving. It may reach y, and so may the cells
  // of its row before it; everything before those ends above them.
  const auto after =
      std::upper_bound(order_.begin(), order_.end(), y, [this](int v, const ParagraphBoxes& e) {
        return !e.lines.empty() && v < e.lines.front().top + TopLag(static_cast<size_t>(&e - order_.data()));
      });
  size_t index = after == order_.begin() ? 0 : static_cast<size_t>(after - order_.begin()) - 1;
  for (; index > 0; --index) {
    const Paragraph* p = order_[index].par;
    const bool continues_row =
        p->IsTableCell() && (p->parFlags & kParContinuesRow) && p->prev && p->prev->IsTableCell();
    if (!continues_row) break;
  }
  return index;
}

bool TextLayout::SelectionEnclosesIndex(size_t index) const {
  if (index == 0 || !selBeginPar_) return false;
  const auto begin = index_.find(selBeginPar_), end = index_.find(selEndPar_);
  return begin != index_.end() && end != index_.end() && begin->second < index && end->second >= index;
}

}  // namespace inkwend
