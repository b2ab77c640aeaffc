#include "richtext/rtf/rtf_table_builder.h"

#include <algorithm>

namespace inkwend {

namespace {
constexpr int kMaxTableCells = 50;
constexpr size_t kMaxRowCells = 4096;
}  // namespace

void RtfTableBuilder::StartRowDefinition() {
  cells_.clear();
  cellDef_ = RtfCellDef{};
  rowDefinition_ = true;
  cellGap_ = 0;
}

void RtfTableBuilder::EndCellDefinition(int32_t edge) {
  if (cells_.size() < static_cast<size_t>(kMaxTableCells)) {
    RtfCellDef def = cellDef_;
    def.edge = edge;
    cells_.push_back(def);
  }
  cellDef_ = RtfCellDef{};
}

const RtfCellDef* RtfTableBuilder::CurrentCell() const {
  return static_cast<size_t>(cellIndex_) < cells_.size() ? &cells_[static_cast<size_t>(cellIndex_)] : nullptr;
}

void RtfTableBuilder::AddCell(Paragraph* par) {
  if (rowCells_.size() < kMaxRowCells) rowCells_.push_back(par);
  ++cellIndex_;
}

void RtfTableBuilder::EndRow(int32_t text_width) {
  if (rowCells_.empty()) {
    cellIndex_ = 0;
    return;
  }
  // Widths in 1/255 of the row's usable width, from the cell edges known by now (they may come
  // before the cells or, as newer writers put them, after them).
  int32_t largest = 0;
  for (const RtfCellDef& c : cells_) largest = std::max(largest, c.edge);
  const int32_t width = std::max(text_width, 1);
  int total = 0;
  const size_t count = rowCells_.size();
  for (size_t i = 0; i < count; ++i) {
    Paragraph* p = rowCells_[i];
    int w;
    if (largest <= 0) {
      // No edges at all: the row is shared out evenly.
      w = std::max((255 - total) / static_cast<int>(count - i), 1);
    } else if (i < cells_.size()) {
      w = static_cast<int>((255 * static_cast<int64_t>(cells_[i].edge) + largest / 2) / largest) - total;
      if (w < 1) w = 1;
    } else {
      w = 10;  // a cell without an edge
    }
    p->cellStart = static_cast<uint8_t>(std::min(total, 255));
    p->cellWidth = static_cast<uint8_t>(std::clamp(w, 1, 255 - std::min(total, 254)));
    total += w;
    p->rightIndent = largest > 0 ? std::max(width - largest, 0) : 0;
    p->parFlags |= kParMoreCells;
  }
  rowCells_.back()->parFlags &= static_cast<uint8_t>(~kParMoreCells);
  rowCells_.clear();
  cellIndex_ = 0;
}

}  // namespace inkwend
