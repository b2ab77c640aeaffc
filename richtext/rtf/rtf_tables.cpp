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

// \intbl: the paragraph is a cell and takes the border and shading of its cell's definition.
void WPRtfReader::LoadCellProps() {
  const int32_t gap = table_.Gap();
  const RtfCellDef* cell = table_.CurrentCell();
  Prop([&](ParProps& p) {
    p.inTable = true;
    if (cell) {
      p.border[0] = cell->border[0];
      p.border[1] = cell->border[1];
      p.borderWidth = cell->borderWidth;
      const uint8_t spacing = ownFile_ ? SpacingNibble(gap) : CellPaddingNibble(gap);
      p.borderColor = static_cast<uint8_t>((cell->borderColor & 0x0F) | spacing << 4);
      p.shadingColors = cell->shadingColors;
      p.shadingPercent = cell->shadingPercent;
    }
    p.before = gap;
  });
}

void WPRtfReader::EndCell() {
  if (!f_.props.inTable) Prop([&](ParProps& p) { p.inTable = true; });
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
  next->parFlags &=
      static_cast<uint8_t>(~(kParPageBreak | kParKeep | kParTableCell | kParMoreCells | kParContinuesRow));
  next->tabMask = 0;
  next->cellStart = next->cellWidth = 0;
  f_.props.tabRestart = true;
  // The next cell takes its own border and shading when its \intbl comes; until then the
  // paragraph carries the row's plain properties.
  ApplyProps(next, f_.props);
}

void WPRtfReader::EndRow() { table_.EndRow(textWidth_); }

}  // namespace inkwend
