#pragma once
// Tables of RTF as the model keeps them: a row is a run of paragraphs, one per cell, each
// flagged as a cell and given its start and width in 1/255 of the row's usable width. The
// builder keeps the row's cell definitions (\trowd ... \cellx) and the cells read so far, and
// computes the widths when the row ends.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "richtext/model/paragraph.h"

namespace inkwend {

struct RtfCellDef {
  int32_t edge = -1;  // right edge relative to the row's left indent; -1 = none
  uint8_t border[2] = {0, 0};
  uint8_t borderWidth = 0, borderColor = 0;
  uint8_t shadingColors = 0, shadingPercent = 0;
  bool merged = false;
  // Padding by side (left, top, right, bottom) in twips, and its unit word (3 = twips; any other
  // leaves the side to the row).
  int32_t padding[4] = {0, 0, 0, 0};
  uint8_t paddingUnit[4] = {0, 0, 0, 0};
};

// A side's padding in twips, -1 when the row or cell does not state it.
inline int32_t PaddingOf(const RtfCellDef& def, int side) {
  constexpr uint8_t kTwips = 3;
  return def.paddingUnit[side] == kTwips ? def.padding[side] : -1;
}

class RtfTableBuilder {
 public:
  // \trowd: a new row definition begins.
  void StartRowDefinition();
  // \cellx: the cell being defined ends at `edge` (relative to the row's left indent).
  void EndCellDefinition(int32_t edge);
  // The cell being defined while a row definition is open (borders and shading go there), or
  // nullptr.
  RtfCellDef* CellBeingDefined() { return rowDefinition_ ? &cellDef_ : nullptr; }
  void MergeCellBeingDefined() { cellDef_.merged = true; }
  // \intbl, \row: the definition is over, cells follow.
  void EndRowDefinition() { rowDefinition_ = false; }
  void SetGap(int32_t gap) { cellGap_ = gap; }
  int32_t Gap() const { return cellGap_; }
  // \trpadd* (of the row: `of_row`) and \clpad* (of the cell being defined), and their units.
  void SetPadding(int side, bool of_row, int32_t twips, bool unit);
  // The padding of the cell being read on `side`: its own, else the row's, else -1.
  int32_t CellPadding(int side) const;

  // The definition of the cell being read, or nullptr when the row defines fewer cells.
  const RtfCellDef* CurrentCell() const;
  // A cell of the row has been read into `par`.
  void AddCell(Paragraph* par);
  bool RowHasCells() const { return !rowCells_.empty(); }
  // The row ends: the widths of its cells, out of `text_width` twips of usable width.
  void EndRow(int32_t text_width);

 private:
  // The widths of rowCells_[from, to), adjacent cells that make one row.
  void EndRowPart(size_t from, size_t to, int32_t text_width);

  std::vector<RtfCellDef> cells_;
  RtfCellDef cellDef_;     // the cell being defined (before its \cellx)
  RtfCellDef rowPadding_;  // the row's padding (only its padding fields are used)
  bool rowDefinition_ = false;
  int cellIndex_ = 0;
  int32_t cellGap_ = 0;
  std::vector<Paragraph*> rowCells_;  // the row's cell paragraphs, owned by the document
};

}  // namespace inkwend
