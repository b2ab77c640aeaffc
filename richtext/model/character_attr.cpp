#include "richtext/model/character_attr.h"

namespace inkwend {

void TCharacterAttr::SetUseUnderlineColor(bool v) {
  if (use_underline_color_ == v) return;
  use_underline_color_ = v;
  if (underline_ == TThreeState::tsTRUE) Notify(false);
}

void TCharacterAttr::SetColor(TColorRef& color, bool& use, TColorRef value) {
  if (color == value && use) return;
  color = value;
  use = true;
  Notify(false);
}

void TCharacterAttr::SetUnderlineColor(TColorRef c) { SetColor(underline_color_, use_underline_color_, c); }
void TCharacterAttr::SetTextColor(TColorRef c) { SetColor(text_color_, use_text_color_, c); }
void TCharacterAttr::SetBackgroundColor(TColorRef c) {
  SetColor(background_color_, use_background_color_, c);
}

}  // namespace inkwend
