#pragma once
// How a special kind of text is shown: insert points, automatic text, hyperlinks and protected
// text each get one of these. A three-state style either forces a style on or off or leaves the
// character's own style alone. Every change is reported to the owner with a flag that says
// whether layout (not only painting) is affected.
#include <cstdint>
#include <functional>

#include "richtext/model/text_header.h"

namespace inkwend {

enum class TThreeState : uint8_t { tsIgnore, tsTRUE, tsFALSE };

// Ids of the four highlight attributes: the flag word (TCharAttr::FlagWord) bit they stand for.
inline constexpr int kInsertPointAttrId = 4096;
inline constexpr int kAutomaticTextAttrId = 8192;
inline constexpr int kHyperlinkTextAttrId = 16;
inline constexpr int kProtectedTextAttrId = 0;

class TCharacterAttr {
 public:
  explicit TCharacterAttr(int id) : id_(id) {}
  TCharacterAttr(const TCharacterAttr&) = delete;
  TCharacterAttr& operator=(const TCharacterAttr&) = delete;

  int Id() const { return id_; }
  // Called with (id, layout affected) after every change of a value.
  std::function<void(int id, bool layout)> OnChange;

  TThreeState Bold() const { return bold_; }
  TThreeState Italic() const { return italic_; }
  TThreeState Underline() const { return underline_; }
  TThreeState StrikeOut() const { return strike_out_; }
  TThreeState SuperScript() const { return super_script_; }
  TThreeState SubScript() const { return sub_script_; }
  bool Hidden() const { return hidden_; }
  bool UseUnderlineColor() const { return use_underline_color_; }
  bool UseTextColor() const { return use_text_color_; }
  bool UseBackgroundColor() const { return use_background_color_; }
  TColorRef UnderlineColor() const { return underline_color_; }
  TColorRef TextColor() const { return text_color_; }
  TColorRef BackgroundColor() const { return background_color_; }

  void SetBold(TThreeState v) { Set(bold_, v, true); }
  void SetItalic(TThreeState v) { Set(italic_, v, true); }
  void SetUnderline(TThreeState v) { Set(underline_, v, false); }
  void SetStrikeOut(TThreeState v) { Set(strike_out_, v, false); }
  void SetSuperScript(TThreeState v) { Set(super_script_, v, true); }
  void SetSubScript(TThreeState v) { Set(sub_script_, v, true); }
  void SetHidden(bool v) { Set(hidden_, v, true); }
  void SetUseTextColor(bool v) { Set(use_text_color_, v, false); }
  void SetUseBackgroundColor(bool v) { Set(use_background_color_, v, false); }
  // Notifies only while Underline is on: the colour shows nowhere else.
  void SetUseUnderlineColor(bool v);
  // Setting a colour also switches its use on.
  void SetUnderlineColor(TColorRef c);
  void SetTextColor(TColorRef c);
  void SetBackgroundColor(TColorRef c);

 private:
  template <typename T>
  void Set(T& field, T value, bool layout) {
    if (field == value) return;
    field = value;
    Notify(layout);
  }
  void SetColor(TColorRef& color, bool& use, TColorRef value);
  void Notify(bool layout) {
    if (OnChange) OnChange(id_, layout);
  }

  int id_;
  TThreeState bold_ = TThreeState::tsIgnore;
  TThreeState italic_ = TThreeState::tsIgnore;
  TThreeState underline_ = TThreeState::tsIgnore;
  TThreeState strike_out_ = TThreeState::tsIgnore;
  TThreeState super_script_ = TThreeState::tsIgnore;
  TThreeState sub_script_ = TThreeState::tsIgnore;
  bool hidden_ = false;
  bool use_underline_color_ = false;
  bool use_text_color_ = false;
  bool use_background_color_ = false;
  TColorRef underline_color_ = 0;
  TColorRef text_color_ = 0;
  TColorRef background_color_ = 0;
};

}  // namespace inkwend
