// Tables of the RTF reader: row definitions and cells. The cells of a row are paragraphs; the
// table builder keeps the row's definition and gives the cells their widths when the row ends.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/rtf_values.h"

namespace inkwend {

using namespace rtf_values;

bool TWPRtfReader::DoTable(const TRtfKeyword& k, int32_t n) {
  using A = TRtfAction;
  const bool text = f_.Dest == kText;
  switch (k.Action) {
    case A::Trowd:
      table_.StartRowDefinition();
      if (text) Prop([&](ParProps& p) { p.InTable = true; });
      return true;
    case A::Cellx:
      table_.EndCellDefinition(ClampInt(static_cast<int64_t>(n) - f_.Props.Left, 0, kMaxLength));
      return true;
    case A::Clmrg:
      table_.MergeCellBeingDefined();
      return true;
    case A::Trgaph:
      table_.SetGap(std::clamp(n, 0, kMaxLength));
      return true;
    case A::Trleft:
      Prop([&](ParProps& p) { p.Left = std::clamp(n, 0, kMaxLength); });
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
void TWPRtfReader::LoadCellProps() {
  const int32_t gap = table_.Gap();
  const RtfCellDef* cell = table_.CurrentCell();
  Prop([&](ParProps& p) {
    p.InTable = true;
    if (cell) {
      p.Border[0] = cell->Border[0];
      p.Border[1] = cell->Border[1];
      p.BorderWidth = cell->BorderWidth;
      const uint8_t spacing = own_file_ ? SpacingNibble(gap) : CellPaddingNibble(gap);
      p.BorderColor = static_cast<uint8_t>((cell->BorderColor & 0x0F) | spacing << 4);
      p.ShadingColors = cell->ShadingColors;
      p.ShadingPercent = cell->ShadingPercent;
    }
    p.Before = gap;
  });
}

void TWPRtfReader::EndCell() {
  if (!f_.Props.InTable) Prop([&](ParProps& p) { p.InTable = true; });
  ApplyProps(par_, f_.Props);
  par_->ParFlags |= kParTableCell | kParMoreCells;
  if (table_.RowHasCells())
    par_->ParFlags |= kParContinuesRow;
  else
    par_->ParFlags &= static_cast<uint8_t>(~kParContinuesRow);
  par_->TabMask = f_.Props.TabMask;
  table_.AddCell(par_);
  TParagraph* next = StartNewParagraph();
  next->ParFlags &=
      static_cast<uint8_t>(~(kParPageBreak | kParKeep | kParTableCell | kParMoreCells | kParContinuesRow));
  next->TabMask = 0;
  next->CellStart = next->CellWidth = 0;
  f_.Props.TabRestart = true;
  // The next cell takes its own border and shading when its \intbl comes; until then the
  // paragraph carries the row's plain properties.
  ApplyProps(next, f_.Props);
}

void TWPRtfReader::EndRow() { table_.EndRow(text_width_); }

}  // namespace inkwend
