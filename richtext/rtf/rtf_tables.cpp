// Tables of the RTF reader: row definitions and cells. The cells of a row are paragraphs; the
// table builder keeps the row's definition and gives the cells their widths when the row ends.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/rtf_values.h"

namespace inkwend {

using namespace rtf_values;

bool WPRtfReader::DoTable(const RtfKeyword& k, int32_t n) {
  using A = RtfAction;
  const bool text = f_.dest == Destination::Text;
  switch (k.action) {
    case A::Trowd:
      table_.StartRowDefinition();
      if (text) Prop([&](ParProps& p) { p.inTable = true; });
      return true;
    case A::Cellx:
      table_.EndCellDefinition(ClampInt(static_cast<int64_t>(n) - f_.props.left, 0, kMaxLength));
      return true;
    case A::Clmrg:
      table_.MergeCellBeingDefined();
      return true;
    case A::Trgaph:
      table_.SetGap(std::clamp(n, 0, kMaxLength));
      return true;
    case A::CellPadding:
    case A::CellPaddingUnit:
      table_.SetPadding(k.arg % kPaddingOfRow, k.arg >= kPaddingOfRow, n, k.action == A::CellPaddingUnit);
      return true;
    case A::Trleft:
      Prop([&](ParProps& p) { p.left = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Intbl:
      table_.EndRowDefinition();
      if (text) LoadCellProps();
      return true;
    case A::Cell:
      if (text) EndCell();
      return true;
    case A::Row:
      table_.EndRowDefinition();
      if (text) EndRow();
      return true;
    default:
      return false;
  }
}

namespace {

uint8_t PaddingUnits(int32_t twips) {
  return static_cast<uint8_t>(std::clamp((twips + kCellPaddingUnit / 2) / kCellPaddingUnit, 0, 255));
}

}  // namespace

// \intbl: the paragraph is a cell and takes the border, shading and padding of its cell's
// definition. The diary's own cells keep their gap as border distance and space before; other
// programs' keep their text off the cell's edges by the padding (the gap where none is stated).
void WPRtfReader::LoadCellProps() {
  const int32_t gap = table_.Gap();
  const RtfCellDef* cell = table_.CurrentCell();
  auto side = [&](int s, int32_t unset) {
    const int32_t v = table_.CellPadding(s);
    return v >= 0 ? v : unset;
  };
  const int32_t unset_side = ownFile_ ? 0 : gap;
  const uint8_t across = PaddingUnits((side(0, unset_side) + side(2, unset_side)) / 2);
  const uint8_t down = PaddingUnits((side(1, 0) + side(3, 0)) / 2);
  Prop([&](ParProps& p) {
    p.inTable = true;
    if (cell) {
      p.border[0] = cell->border[0];
      p.border[1] = cell->border[1];
      p.borderWidth = cell->borderWidth;
      const uint8_t spacing = ownFile_ ? SpacingNibble(gap) : 0;
      p.borderColor = static_cast<uint8_t>((cell->borderColor & 0x0F) | spacing << 4);
      p.shadingColors = cell->shadingColors;
      p.shadingPercent = cell->shadingPercent;
    }
    p.cellPadding[0] = across;
    p.cellPadding[1] = down;
    if (ownFile_) p.before = gap;
  });
}

void WPRtfReader::EndCell() {
  if (!f_.props.inTable) Prop([&](ParProps& p) { p.inTable = true; });
  // A cell whose last paragraph ended inside a group (pandoc's "{\pard\intbl\qr text\par}\cell")
  // keeps that paragraph's alignment, not the one in force after the group.
  if (cellParEnd_ >= 0 && cellParEnd_ == CellTextLength())
    Prop([&](ParProps& p) { p.alignment = cellParAlignment_; });
  cellParEnd_ = -1;
  ApplyProps(par_, f_.props);
  par_->parFlags |= kParTableCell | kParMoreCells;
  // A table ends the bordered block before it, as a paragraph of other borders would.
  if (par_->prev && !par_->prev->IsTableCell() && par_->prev->HasBorder())
    par_->prev->borderFlags[0] |= kBorderEndsBlock;
  if (table_.RowHasCells())
    par_->parFlags |= kParContinuesRow;
  else
    par_->parFlags &= static_cast<uint8_t>(~kParContinuesRow);
  par_->tabMask = f_.props.tabMask;
  table_.AddCell(par_);
  Paragraph* next = StartNewParagraph();
  next->parFlags &= static_cast<uint8_t>(~(kParPageBreak | kParKeep | kParTableCell | kParMoreCells |
                                           kParContinuesRow | kParRightToLeft | kParLeftToRight));
  next->tabMask = 0;
  next->cellStart = next->cellWidth = 0;
  f_.props.tabRestart = true;
  // The next cell takes its own border and shading when its \intbl comes; until then the
  // paragraph carries the row's plain properties.
  ApplyProps(next, f_.props);
}

void WPRtfReader::EndRow() {
  cellParEnd_ = -1;
  table_.EndRow(textWidth_);
}

}  // namespace inkwend
