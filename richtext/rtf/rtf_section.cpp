// The document as a whole in the RTF reader: page size and margins, facing pages and
// orientation, the code page of 8-bit text, the default font and the \uc fallback count.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

bool TWPRtfReader::DoSection(const TRtfKeyword& k, int32_t n) {
  switch (k.Action) {
    case TRtfAction::Page:
      SetPage(k.Arg, n);
      return true;
    case TRtfAction::Facing:
      if (!KeepLayout) doc_.Header.FacingPages = n != 0;
      return true;
    case TRtfAction::Landscape:
      if (!KeepLayout) doc_.Header.Landscape = n != 0;
      return true;
    case TRtfAction::AnsiCpg:
      ansi_codepage_ = n;
      SetDecoder(f_.CodePage);
      return true;
    case TRtfAction::Deff:
      deff_ = n;
      return true;
    case TRtfAction::Uc:
      f_.Uc = static_cast<uint8_t>(std::clamp(n, 0, 16));
      return true;
    default:
      return false;
  }
}

void TWPRtfReader::SetPage(int which, int32_t value) {
  if (KeepLayout || f_.Dest == kSkip) return;
  TTextHeader& h = doc_.Header;
  switch (which) {
    case 0:
      h.PageWidth = std::clamp(value, 720, 200000);
      break;
    case 1:
      h.PageHeight = std::clamp(value, 720, 200000);
      break;
    case 2:
      h.MarginLeft = std::clamp(value, 0, 100000);
      break;
    case 3:
      h.MarginRight = std::clamp(value, 0, 100000);
      break;
    case 4:
      h.MarginTop = std::clamp(value, 0, 100000);
      break;
    case 5:
      h.MarginBottom = std::clamp(value, 0, 100000);
      break;
    default:
      break;
  }
  text_width_ = std::max(h.TextWidthTwips(), 1);
}

}  // namespace inkwend
