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
  rowPadding_ = RtfCellDef{};
  rowDefinition_ = true;
  cellGap_ = 0;
}

void RtfTableBuilder::SetPadding(int side, bool of_row, int32_t twips, bool unit) {
  RtfCellDef& def = of_row ? rowPadding_ : cellDef_;
  if (unit)
    def.paddingUnit[side] = static_cast<uint8_t>(std::clamp(twips, 0, 255));
  else
    def.padding[side] = std::clamp(twips, 0, 31680);  // at most the width of a page
}

int32_t RtfTableBuilder::CellPadding(int side) const {
  const RtfCellDef* cell = CurrentCell();
  const int32_t own = cell ? PaddingOf(*cell, side) : -1;
  return own >= 0 ? own : PaddingOf(rowPadding_, side);
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
  // A paragraph that is no cell (Word's second paragraph of a cell, or damaged input) breaks the
  // row: each run of adjacent cells is a row of its own, with the edges of its own cells.
  size_t first = 0;
  for (size_t i = 1; i <= rowCells_.size(); ++i) {
    if (i == rowCells_.size() || rowCells_[i - 1]->next != rowCells_[i]) {
      EndRowPart(first, i, text_width);
      first = i;
    }
  }
  rowCells_.clear();
  cellIndex_ = 0;
}

void RtfTableBuilder::EndRowPart(size_t from, size_t to, int32_t text_width) {
  if (from >= to) return;
  // Widths in 1/255 of the row's usable width, from the cell edges known by now (they may come
  // before the cells or, as newer writers put them, after them). Only the edges of the part's
  // own cells count, measured from the edge before them.
  const size_t count = to - from;
  const int32_t base = from > 0 && from - 1 < cells_.size() ? std::max(cells_[from - 1].edge, 0) : 0;
  const size_t edges = cells_.size() > from ? std::min(count, cells_.size() - from) : 0;
  int32_t largest = 0;
  for (size_t i = 0; i < edges; ++i) largest = std::max(largest, cells_[from + i].edge - base);
  const int32_t width = std::max(text_width, 1);
  // Cells past the last edge get a narrow width each at the end of the row, and the cells with
  // edges share the rest: every cell then ends inside the row, where the writer can state it.
  const int narrow = std::clamp(255 / static_cast<int>(std::min<size_t>(count, 255)), 1, 10);
  const int room = 255 - static_cast<int>(count - edges) * narrow;
  int total = 0;
  for (size_t i = 0; i < count; ++i) {
    Paragraph* p = rowCells_[from + i];
    int w;
    if (largest <= 0) {
      // No edges at all: the row is shared out evenly.
      w = std::max((255 - total) / static_cast<int>(count - i), 1);
    } else if (i < edges) {
      const int64_t edge = cells_[from + i].edge - base;
      w = static_cast<int>((room * edge + largest / 2) / largest) - total;
      if (w < 1) w = 1;
    } else {
      w = narrow;  // a cell without an edge
    }
    // Room is left for one unit of each cell after this one, so that no cell ends past the row.
    const int after = static_cast<int>(std::min<size_t>(count - i - 1, 254));
    w = std::clamp(w, 1, std::max(255 - after - total, 1));
    p->cellStart = static_cast<uint8_t>(std::min(total, 255));
    p->cellWidth = static_cast<uint8_t>(std::clamp(w, 1, 255 - std::min(total, 254)));
    total += w;
    p->rightIndent = largest > 0 ? std::max(width - largest, 0) : 0;
    p->parFlags |= kParMoreCells;
  }
  // The last cell ends the row (edges out of order may leave it short): a row written back then
  // states the same edges.
  Paragraph* last = rowCells_[to - 1];
  if (last->cellStart < 255) last->cellWidth = static_cast<uint8_t>(255 - last->cellStart);
  last->parFlags &= static_cast<uint8_t>(~kParMoreCells);
}

}  // namespace inkwend
