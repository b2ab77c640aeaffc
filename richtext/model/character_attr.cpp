#include "richtext/model/character_attr.h"

namespace inkwend {

void CharacterAttr::SetUseUnderlineColor(bool v) {
  if (useUnderlineColor_ == v) return;
  useUnderlineColor_ = v;
  if (underline_ == ThreeState::True) Notify(false);
}

void CharacterAttr::SetColor(ColorRef& color, bool& use, ColorRef value) {
  if (color == value && use) return;
  color = value;
  use = true;
  Notify(false);
}

void CharacterAttr::SetUnderlineColor(ColorRef c) { SetColor(underlineColor_, useUnderlineColor_, c); }
void CharacterAttr::SetTextColor(ColorRef c) { SetColor(textColor_, useTextColor_, c); }
void CharacterAttr::SetBackgroundColor(ColorRef c) { SetColor(backgroundColor_, useBackgroundColor_, c); }

}  // namespace inkwend
