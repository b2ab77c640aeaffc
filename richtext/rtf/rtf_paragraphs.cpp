// Paragraphs of the RTF reader: the properties in force (indents, spacing, alignment, tab
// stops, borders and shading), which act at once on the paragraph being read and on those that
// follow, and the end of a paragraph.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/rtf_values.h"

namespace inkwend {

using namespace rtf_values;

void TWPRtfReader::ApplyProps(TParagraph* par, const ParProps& p) const {
  par->FirstIndent = p.First;
  par->LeftIndent = p.Left;
  par->RightIndent = p.Right;
  par->SpaceBefore = p.Before;
  par->SpaceAfter = p.After;
  par->LineSpacing = p.LineSpacing;
  par->Alignment = p.Alignment;
  const uint8_t ends = par->BorderFlags[0] & kBorderEndsBlock;
  par->BorderFlags[0] = static_cast<uint8_t>(p.Border[0] | (p.Border[0] ? ends : 0));
  par->BorderFlags[1] = p.Border[1];
  par->BorderWidth = p.BorderWidth;
  par->BorderColor = p.BorderColor;
  par->ShadingColors = p.ShadingColors;
  par->ShadingPercent = p.ShadingPercent;
  if (!par->IsTableCell()) par->TabMask = p.TabMask;
  par->MarkDirty();
}

bool TWPRtfReader::DoParagraph(const TRtfKeyword& k, int32_t n) {
  using A = TRtfAction;
  const bool text = f_.Dest == kText;
  switch (k.Action) {
    case A::Pard:
      Pard();
      return true;
    case A::Li:
      Prop([&](ParProps& p) { p.Left = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Ri:
      Prop([&](ParProps& p) { p.Right = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Fi:
      Prop([&](ParProps& p) { p.First = std::clamp(n, -kMaxLength, kMaxLength); });
      return true;
    case A::Sb:
      Prop([&](ParProps& p) { p.Before = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Sa:
      Prop([&](ParProps& p) { p.After = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Sl:
      Prop([&](ParProps& p) { p.LineSpacing = std::clamp(n, -kMaxLength, kMaxLength); });
      return true;
    case A::Align:
      Prop([&](ParProps& p) { p.Alignment = static_cast<uint8_t>(k.Arg); });
      return true;
    case A::PageBreak:
      if (!text || n == 0) return true;
      // A break before any text of the paragraph breaks before it; one inside the text
      // breaks before the next paragraph.
      if (ParagraphEmpty())
        par_->ParFlags |= kParPageBreak;
      else
        page_break_pending_ = true;
      return true;
    case A::Keep:
      if (text) par_->ParFlags |= kParKeep;
      return true;
    case A::Tx:
      AddTab(n);
      return true;
    case A::TabKind:
      pending_tab_kind_ = static_cast<uint8_t>(k.Arg);
      return true;
    default:
      return false;
  }
}

// Borders and shading go to the cell being defined inside a row definition, else to the
// paragraph.
bool TWPRtfReader::DoBorderShading(const TRtfKeyword& k, int32_t n) {
  using A = TRtfAction;
  RtfCellDef* cell = table_.CellBeingDefined();
  switch (k.Action) {
    case A::Border:
      SetBorder(k.Arg);
      return true;
    case A::BrdrW: {
      const auto w = static_cast<uint8_t>(std::clamp(n / 20, 0, 255));
      if (cell)
        cell->BorderWidth = w;
      else
        Prop([&](ParProps& p) { p.BorderWidth = w; });
      return true;
    }
    case A::Brsp: {
      const uint8_t nib = SpacingNibble(n);
      Prop([&](ParProps& p) { p.BorderColor = static_cast<uint8_t>((p.BorderColor & 0x0F) | nib << 4); });
      return true;
    }
    case A::BrdrCf: {
      const uint8_t col = MapColor(n);
      if (cell)
        cell->BorderColor = static_cast<uint8_t>((cell->BorderColor & 0xF0) | col);
      else
        Prop([&](ParProps& p) { p.BorderColor = static_cast<uint8_t>((p.BorderColor & 0xF0) | col); });
      return true;
    }
    case A::Shading: {
      const auto pct = static_cast<uint8_t>(std::clamp(n / 100, 0, 100));
      if (cell) {
        cell->ShadingPercent = pct;
        cell->ShadingColors = 0;
      } else {
        Prop([&](ParProps& p) {
          p.ShadingPercent = pct;
          p.ShadingColors = 0;
        });
      }
      return true;
    }
    case A::Cbpat: {
      const uint8_t col = MapColor(n);
      if (cell)
        cell->ShadingColors = static_cast<uint8_t>((cell->ShadingColors & 0x0F) | col << 4);
      else
        Prop([&](ParProps& p) {
          p.ShadingColors = static_cast<uint8_t>((p.ShadingColors & 0x0F) | col << 4);
        });
      return true;
    }
    case A::Cfpat: {
      const uint8_t col = MapColor(n);
      if (cell)
        cell->ShadingColors = static_cast<uint8_t>((cell->ShadingColors & 0xF0) | col);
      else
        Prop([&](ParProps& p) { p.ShadingColors = static_cast<uint8_t>((p.ShadingColors & 0xF0) | col); });
      return true;
    }
    default:
      return false;
  }
}

void TWPRtfReader::EndParagraph() {
  if (f_.Props.InTable) {
    // Paragraphs inside a table cell become lines of the cell's one paragraph.
    AddChar(kCharLineBreak);
    return;
  }
  ApplyProps(par_, f_.Props);
  TParagraph* next = StartNewParagraph();
  next->ParFlags &=
      static_cast<uint8_t>(~(kParPageBreak | kParKeep | kParTableCell | kParMoreCells | kParContinuesRow));
  if (page_break_pending_) {
    next->ParFlags |= kParPageBreak;
    page_break_pending_ = false;
  }
  next->CellStart = next->CellWidth = 0;
  f_.Props.TabRestart = true;
  ApplyProps(next, f_.Props);
}

void TWPRtfReader::Pard() {
  // A \pard between bordered paragraphs ends their block. Inside a table row it only clears
  // a cell's tab stops (or Word's restated properties); cells keep their own borders.
  const bool in_row = f_.Props.InTable || table_.RowHasCells();
  if (f_.Dest == kText && !in_row && ParagraphEmpty() && par_->Prev && par_->Prev->HasBorder() &&
      f_.Props.Border[0] != 0) {
    par_->Prev->BorderFlags[0] |= kBorderEndsBlock;
  }
  Prop([&](ParProps& p) {
    p.Alignment = 0;
    p.First = p.Left = p.Right = 0;
    p.Border[0] = p.Border[1] = 0;
    p.BorderWidth = p.BorderColor = 0;
    p.ShadingColors = p.ShadingPercent = 0;
    p.TabMask = 0;
    p.InTable = false;
    p.TabRestart = true;
    if (!own_file_) p.Before = p.After = p.LineSpacing = 0;
  });
  pending_tab_kind_ = kTabLeft;
}

void TWPRtfReader::AddTab(int32_t position) {
  const uint8_t kind = pending_tab_kind_;
  pending_tab_kind_ = kTabLeft;
  if (f_.Dest != kText || position <= 0 || position > kMaxLength) return;
  const uint64_t bit = doc_.Header.AddTab(position, kind);
  Prop([&](ParProps& p) {
    if (p.TabRestart) {
      p.TabMask = 0;
      p.TabRestart = false;
    }
    p.TabMask |= bit;
  });
}

void TWPRtfReader::SetBorder(int bits) {
  const auto first = static_cast<uint8_t>(bits & 0xFF);
  const auto second = static_cast<uint8_t>(bits >> 8);
  if (RtfCellDef* cell = table_.CellBeingDefined()) {
    cell->Border[0] |= first;
    cell->Border[1] |= second;
    return;
  }
  Prop([&](ParProps& p) {
    p.Border[0] |= first;
    p.Border[1] |= second;
  });
}

}  // namespace inkwend
