// Paragraphs of the RTF reader: the properties in force (indents, spacing, alignment, tab
// stops, borders and shading), which act at once on the paragraph being read and on those that
// follow, and the end of a paragraph.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"
#include "richtext/rtf/rtf_values.h"

namespace inkwend {

using namespace rtf_values;

void WPRtfReader::ApplyProps(Paragraph* par, const ParProps& p) const {
  par->firstIndent = p.first;
  par->leftIndent = p.left;
  par->rightIndent = p.right;
  par->spaceBefore = p.before;
  par->spaceAfter = p.after;
  par->lineSpacing = p.lineSpacing;
  par->lineSpacingMultiple = p.lineMultiple && p.lineSpacing > 0;
  par->alignment = p.alignment;
  const uint8_t ends = par->borderFlags[0] & kBorderEndsBlock;
  par->borderFlags[0] = static_cast<uint8_t>(p.border[0] | (p.border[0] ? ends : 0));
  par->borderFlags[1] = p.border[1];
  par->borderWidth = p.borderWidth;
  par->borderColor = p.borderColor;
  par->shadingColors = p.shadingColors;
  par->shadingPercent = p.shadingPercent;
  par->tableLayout[0] = p.cellPadding[0];
  par->tableLayout[1] = p.cellPadding[1];
  if (!par->IsTableCell()) par->tabMask = p.tabMask;
  par->MarkDirty();
}

bool WPRtfReader::DoParagraph(const RtfKeyword& k, int32_t n) {
  using A = RtfAction;
  const bool text = f_.dest == Destination::Text;
  switch (k.action) {
    case A::Pard:
      Pard();
      return true;
    case A::Li:
      Prop([&](ParProps& p) { p.left = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Ri:
      Prop([&](ParProps& p) { p.right = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Fi:
      Prop([&](ParProps& p) { p.first = std::clamp(n, -kMaxLength, kMaxLength); });
      return true;
    case A::Sb:
      Prop([&](ParProps& p) { p.before = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Sa:
      Prop([&](ParProps& p) { p.after = std::clamp(n, 0, kMaxLength); });
      return true;
    case A::Sl:
      Prop([&](ParProps& p) {
        p.lineSpacing = std::clamp(n, -kMaxLength, kMaxLength);
        p.lineMultiple = false;  // until a \slmult1 says otherwise
      });
      return true;
    case A::SlMult:
      Prop([&](ParProps& p) { p.lineMultiple = n != 0; });
      return true;
    case A::Align:
      Prop([&](ParProps& p) { p.alignment = static_cast<uint8_t>(k.arg); });
      return true;
    case A::PageBreak:
      if (!text || n == 0) return true;
      // A break before any text of the paragraph breaks before it; one inside the text
      // breaks before the next paragraph.
      if (ParagraphEmpty())
        par_->parFlags |= kParPageBreak;
      else
        pageBreakPending_ = true;
      return true;
    case A::ParDirection:
      // Of this paragraph only, as the writer writes it for every paragraph that has one.
      if (text) {
        par_->parFlags =
            static_cast<uint8_t>((par_->parFlags & ~(kParRightToLeft | kParLeftToRight)) | k.arg);
      }
      return true;
    case A::Keep:
      if (text) par_->parFlags |= kParKeep;
      return true;
    case A::Tx:
      AddTab(n);
      return true;
    case A::TabKind:
      pendingTabKind_ = static_cast<uint8_t>(k.arg);
      return true;
    case A::TabLeader:
      pendingTabLeader_ = static_cast<uint8_t>(k.arg);
      return true;
    default:
      return false;
  }
}

// Borders and shading go to the cell being defined inside a row definition, else to the
// paragraph.
bool WPRtfReader::DoBorderShading(const RtfKeyword& k, int32_t n) {
  using A = RtfAction;
  RtfCellDef* cell = table_.CellBeingDefined();
  switch (k.action) {
    case A::Border:
      SetBorder(k.arg);
      return true;
    case A::BorderNone:
      ClearLastBorderSide();
      return true;
    case A::BrdrW: {
      const auto w = static_cast<uint8_t>(std::clamp(n / 20, 0, 255));
      if (cell)
        cell->borderWidth = w;
      else
        Prop([&](ParProps& p) { p.borderWidth = w; });
      return true;
    }
    case A::Brsp: {
      const uint8_t nib = SpacingNibble(n);
      Prop([&](ParProps& p) { p.borderColor = static_cast<uint8_t>((p.borderColor & 0x0F) | nib << 4); });
      return true;
    }
    case A::BrdrCf: {
      const uint8_t col = MapParagraphColor(n);
      if (cell)
        cell->borderColor = static_cast<uint8_t>((cell->borderColor & 0xF0) | col);
      else
        Prop([&](ParProps& p) { p.borderColor = static_cast<uint8_t>((p.borderColor & 0xF0) | col); });
      return true;
    }
    case A::Shading: {
      const auto pct = static_cast<uint8_t>(std::clamp(n / 100, 0, 100));
      if (cell) {
        cell->shadingPercent = pct;
        cell->shadingColors = 0;
      } else {
        Prop([&](ParProps& p) {
          p.shadingPercent = pct;
          p.shadingColors = 0;
        });
      }
      return true;
    }
    case A::Cbpat: {
      const uint8_t col = MapParagraphColor(n);
      if (cell)
        cell->shadingColors = static_cast<uint8_t>((cell->shadingColors & 0x0F) | col << 4);
      else
        Prop([&](ParProps& p) {
          p.shadingColors = static_cast<uint8_t>((p.shadingColors & 0x0F) | col << 4);
        });
      return true;
    }
    case A::Cfpat: {
      const uint8_t col = MapParagraphColor(n);
      if (cell)
        cell->shadingColors = static_cast<uint8_t>((cell->shadingColors & 0xF0) | col);
      else
        Prop([&](ParProps& p) { p.shadingColors = static_cast<uint8_t>((p.shadingColors & 0xF0) | col); });
      return true;
    }
    default:
      return false;
  }
}

void WPRtfReader::EndParagraph() {
  if (f_.props.inTable) {
    // Paragraphs inside a table cell become lines of the cell's one paragraph.
    AddChar(kCharLineBreak);
    cellParAlignment_ = f_.props.alignment;
    cellParEnd_ = CellTextLength();
    return;
  }
  ApplyProps(par_, f_.props);
  Paragraph* next = StartNewParagraph();
  next->parFlags &= static_cast<uint8_t>(~(kParPageBreak | kParKeep | kParTableCell | kParMoreCells |
                                           kParContinuesRow | kParRightToLeft | kParLeftToRight));
  if (pageBreakPending_) {
    next->parFlags |= kParPageBreak;
    pageBreakPending_ = false;
  }
  next->cellStart = next->cellWidth = 0;
  f_.props.tabRestart = true;
  ApplyProps(next, f_.props);
}

void WPRtfReader::Pard() {
  // A \pard between bordered paragraphs ends their block. Inside a table row it only clears
  // a cell's tab stops (or Word's restated properties); cells keep their own borders.
  const bool in_row = f_.props.inTable || table_.RowHasCells();
  if (f_.dest == Destination::Text && !in_row && ParagraphEmpty() && par_->prev && par_->prev->HasBorder() &&
      f_.props.border[0] != 0) {
    par_->prev->borderFlags[0] |= kBorderEndsBlock;
  }
  Prop([&](ParProps& p) {
    p.alignment = 0;
    p.first = p.left = p.right = 0;
    p.border[0] = p.border[1] = 0;
    p.borderWidth = p.borderColor = 0;
    p.shadingColors = p.shadingPercent = 0;
    p.cellPadding[0] = p.cellPadding[1] = 0;
    p.tabMask = 0;
    p.inTable = false;
    p.tabRestart = true;
    if (!ownFile_) {
      p.before = p.after = p.lineSpacing = 0;
      p.lineMultiple = false;
    }
  });
  pendingTabKind_ = kTabLeft;
  pendingTabLeader_ = kTabLeaderNone;
}

void WPRtfReader::AddTab(int32_t position) {
  const uint8_t kind = pendingTabKind_;
  const uint8_t leader = pendingTabLeader_;
  pendingTabKind_ = kTabLeft;
  pendingTabLeader_ = kTabLeaderNone;
  if (f_.dest != Destination::Text || position <= 0 || position > kMaxLength) return;
  const uint64_t bit = doc_.header.AddTab(position, kind, leader, TabSnap::Exact);
  Prop([&](ParProps& p) {
    if (p.tabRestart) {
      p.tabMask = 0;
      p.tabRestart = false;
    }
    p.tabMask |= bit;
  });
}

void WPRtfReader::SetBorder(int bits) {
  const auto first = static_cast<uint8_t>(bits & 0xFF);
  const auto second = static_cast<uint8_t>(bits >> 8);
  constexpr uint8_t kSides = kBorderTop | kBorderBottom | kBorderLeft | kBorderRight | kBorderBox;
  if (first & kSides) lastBorderSide_ = first & kSides;
  if (RtfCellDef* cell = table_.CellBeingDefined()) {
    cell->border[0] |= first;
    cell->border[1] |= second;
    return;
  }
  Prop([&](ParProps& p) {
    p.border[0] |= first;
    p.border[1] |= second;
  });
}

// \brdrnone and its kin after a side: that side has no border (Word states every side of a
// borderless table so). A border with no side left is no border.
void WPRtfReader::ClearLastBorderSide() {
  const auto side = static_cast<uint8_t>(lastBorderSide_);
  lastBorderSide_ = 0;
  if (side == 0) return;
  auto clear = [side](uint8_t(&border)[2]) {
    border[0] = static_cast<uint8_t>(border[0] & ~side);
    constexpr uint8_t kSides = kBorderTop | kBorderBottom | kBorderLeft | kBorderRight | kBorderBox;
    if ((border[0] & kSides) == 0) border[0] = border[1] = 0;
  };
  if (RtfCellDef* cell = table_.CellBeingDefined()) {
    clear(cell->border);
    return;
  }
  Prop([&](ParProps& p) { clear(p.border); });
}

}  // namespace inkwend
