#pragma once
// How a special kind of text is shown: insert points, automatic text, hyperlinks and protected
// text each get one of these. A three-state style either forces a style on or off or leaves the
// character's own style alone. Every change is reported to the owner with a flag that says
// whether layout (not only painting) is affected.
#include <cstdint>
#include <functional>

#include "richtext/model/text_header.h"

namespace inkwend {

enum class ThreeState : uint8_t { Ignore, True, False };

// Ids of the four highlight attributes: the flag word (CharAttr::FlagWord) bit they stand for.
inline constexpr int kInsertPointAttrId = 4096;
inline constexpr int kAutomaticTextAttrId = 8192;
inline constexpr int kHyperlinkTextAttrId = 16;
inline constexpr int kProtectedTextAttrId = 0;

class CharacterAttr {
 public:
  explicit CharacterAttr(int id) : id_(id) {}
  CharacterAttr(const CharacterAttr&) = delete;
  CharacterAttr& operator=(const CharacterAttr&) = delete;

  int Id() const { return id_; }
  // Called with (id, layout affected) after every change of a value.
  std::function<void(int id, bool layout)> onChange;

  ThreeState Bold() const { return bold_; }
  ThreeState Italic() const { return italic_; }
  ThreeState Underline() const { return underline_; }
  ThreeState StrikeOut() const { return strikeOut_; }
  ThreeState SuperScript() const { return superScript_; }
  ThreeState SubScript() const { return subScript_; }
  bool Hidden() const { return hidden_; }
  bool UseUnderlineColor() const { return useUnderlineColor_; }
  bool UseTextColor() const { return useTextColor_; }
  bool UseBackgroundColor() const { return useBackgroundColor_; }
  ColorRef UnderlineColor() const { return underlineColor_; }
  ColorRef TextColor() const { return textColor_; }
  ColorRef BackgroundColor() const { return backgroundColor_; }

  void SetBold(ThreeState v) { Set(bold_, v, true); }
  void SetItalic(ThreeState v) { Set(italic_, v, true); }
  void SetUnderline(ThreeState v) { Set(underline_, v, false); }
  void SetStrikeOut(ThreeState v) { Set(strikeOut_, v, false); }
  void SetSuperScript(ThreeState v) { Set(superScript_, v, true); }
  void SetSubScript(ThreeState v) { Set(subScript_, v, true); }
  void SetHidden(bool v) { Set(hidden_, v, true); }
  void SetUseTextColor(bool v) { Set(useTextColor_, v, false); }
  void SetUseBackgroundColor(bool v) { Set(useBackgroundColor_, v, false); }
  // Notifies only while Underline is on: the colour shows nowhere else.
  void SetUseUnderlineColor(bool v);
  // Setting a colour also switches its use on.
  void SetUnderlineColor(ColorRef c);
  void SetTextColor(ColorRef c);
  void SetBackgroundColor(ColorRef c);

 private:
  template <typename T>
  void Set(T& field, T value, bool layout) {
    if (field == value) return;
    field = value;
    Notify(layout);
  }
  void SetColor(ColorRef& color, bool& use, ColorRef value);
  void Notify(bool layout) {
    if (onChange) onChange(id_, layout);
  }

  int id_;
  ThreeState bold_ = ThreeState::Ignore;
  ThreeState italic_ = ThreeState::Ignore;
  ThreeState underline_ = ThreeState::Ignore;
  ThreeState strikeOut_ = ThreeState::Ignore;
  ThreeState superScript_ = ThreeState::Ignore;
  ThreeState subScript_ = ThreeState::Ignore;
  bool hidden_ = false;
  bool useUnderlineColor_ = false;
  bool useTextColor_ = false;
  bool useBackgroundColor_ = false;
  ColorRef underlineColor_ = 0;
  ColorRef textColor_ = 0;
  ColorRef backgroundColor_ = 0;
};

}  // namespace inkwend
