// Moving the lines below an edit. When a paragraph grows or shrinks, every line below it moves
// by the same number of pixels; that number is kept instead of being written into every box at
// once, and a box takes it when it is looked at (painting looks at the few on the screen).
#include <algorithm>

#include "richtext/layout/layout.h"

namespace inkwend {

bool TextLayout::MoveTopsBelow(const Paragraph* first, int new_top) {
  if (!extra_.empty()) return false;
  const auto at = index_.find(first);
  if (at == index_.end()) return false;
  const size_t index = at->second;
  if (index >= order_.size()) return false;
  const ParagraphBoxes& entry = order_[index];
  if (entry.par != first || entry.paragraphId != first->Id() || entry.lines.empty() ||
      entry.lines.size() != static_cast<size_t>(first->LineCount()))
    return false;
  const int moved = new_top - (entry.lines.front().top + TopLag(index));
  documentHeight_ += moved;
  if (moved == 0) return true;
  if (lagFrom_ == kNoLag) {
    lagFrom_ = index;
    lagBy_ = moved;
    return true;
  }
  // The boxes between `index` and those already lagging are moved now (usually the few that
  // painting caught up), the rest lag by both moves.
  if (index > lagFrom_) CatchUpTops(index - 1);
  for (size_t i = index; i < lagFrom_; ++i)
    for (LineBox& box : order_[i].lines) box.top += moved;
  lagBy_ += moved;
  return true;
}

void TextLayout::CatchUpTops(size_t last) const {
  if (lagFrom_ == kNoLag) return;
  auto& order = const_cast<std::vector<ParagraphBoxes>&>(order_);
  const size_t end = std::min(last + 1, order.size());
  for (size_t i = lagFrom_; i < end; ++i)
    for (LineBox& box : order[i].lines) box.top += lagBy_;
  lagFrom_ = end;
  if (lagFrom_ >= order.size()) {
    lagFrom_ = kNoLag;
    lagBy_ = 0;
  }
}

}  // namespace inkwend
