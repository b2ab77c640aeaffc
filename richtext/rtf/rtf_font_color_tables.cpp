// The font and colour tables of the RTF reader. RTF fonts are mapped to slots of the document's
// font table (each with the code page of its character set); RTF colours 0..14 become the
// document's colours, further ones take the nearest colour of the document's table.
#include <algorithm>
#include <limits>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {
constexpr size_t kMaxRtfFonts = 4096;
}

bool TWPRtfReader::DoFontColorTable(const TRtfKeyword& k, int32_t n) {
  switch (k.Action) {
    case TRtfAction::Red:
      SetColorComponent(0, n);
      return true;
    case TRtfAction::Green:
      SetColorComponent(8, n);
      return true;
    case TRtfAction::Blue:
      SetColorComponent(16, n);
      return true;
    case TRtfAction::FCharset:
      if (f_.Dest == kFontTable) {
        defining_charset_ = n;
        if (defining_codepage_ == 0 || CodePageOfCharSet(n) != 0) defining_codepage_ = CodePageOfCharSet(n);
        SetDecoder(defining_codepage_);
      }
      return true;
    case TRtfAction::Cpg:
      if (f_.Dest == kFontTable && defining_charset_ != 2) {
        defining_codepage_ = n;
        SetDecoder(n);
      }
      return true;
    case TRtfAction::Family:
      if (f_.Dest == kFontTable) defining_family_ = static_cast<uint8_t>(k.Arg);
      return true;
    default:
      return false;
  }
}

int TWPRtfReader::FontCodePage(int32_t number) const {
  for (const RtfFont& f : fonts_) {
    if (f.Number == number) return f.CodePage;
  }
  return 0;
}

void TWPRtfReader::SetFont(int32_t number) {
  for (const RtfFont& font : fonts_) {
    if (font.Number == number) {
      FlushRun();
      attr_.FontIndex = font.Slot;
      f_.Attr = attr_;
      f_.CodePage = font.CodePage;
      SetDecoder(font.CodePage);
      return;
    }
  }
}

void TWPRtfReader::SelectDefaultFont() {
  // The default font is in force wherever no \f says otherwise.
  for (const RtfFont& font : fonts_) {
    if (font.Number == deff_) {
      attr_.FontIndex = font.Slot;
      f_.Attr.FontIndex = font.Slot;
    }
  }
}

void TWPRtfReader::StartFontDefinition(int32_t number) {
  if (!font_name_.empty()) EndFontDefinition();
  defining_font_ = number;
  defining_charset_ = 0;
  defining_codepage_ = 0;
  defining_family_ = 0;
}

void TWPRtfReader::EndFontDefinition() {
  std::u32string name = std::move(font_name_);
  font_name_.clear();
  while (!name.empty() && name.back() == U' ') name.pop_back();
  if (name.empty() || fonts_.size() >= kMaxRtfFonts) return;
  TTextHeader& h = doc_.Header;
  const bool is_new = h.FindFont(name) < 0;
  int slot = h.FontIndexOf(name);
  if (slot >= kFontSlots) slot = 0;  // the table is full: the default font stands in
  if (is_new && slot > 0) {
    h.Fonts[static_cast<size_t>(slot)].PitchFamily = defining_family_;
    h.Fonts[static_cast<size_t>(slot)].CharSet = static_cast<uint8_t>(std::clamp(defining_charset_, 0, 255));
  }
  for (RtfFont& f : fonts_) {
    if (f.Number == defining_font_) {
      f.Slot = static_cast<uint8_t>(slot);
      f.CodePage = defining_codepage_;
      return;
    }
  }
  fonts_.push_back(RtfFont{defining_font_, static_cast<uint8_t>(slot), defining_codepage_});
}

void TWPRtfReader::SetColorComponent(int shift, int32_t value) {
  if (f_.Dest != kColorTable || KeepLayout || rtf_colors_.empty()) return;
  const size_t index = rtf_colors_.size() - 1;
  TColorRef& c = rtf_colors_[index];
  c = (c & ~(0xFFu << shift)) | (static_cast<TColorRef>(std::clamp(value, 0, 255)) << shift);
  if (index < 15) doc_.Header.Colors[index] = c;
}

uint8_t TWPRtfReader::MapColor(int32_t n) {
  if (n < 0) return 0;
  // Colours the document's table can hold keep their index; further RTF colours take the
  // nearest colour of the table.
  if (n < 15 || static_cast<size_t>(n) >= rtf_colors_.size()) return static_cast<uint8_t>(n <= 15 ? n : 0);
  if (color_map_.size() < rtf_colors_.size()) color_map_.resize(rtf_colors_.size(), -1);
  int16_t& m = color_map_[static_cast<size_t>(n)];
  if (m < 0) {
    const TColorRef c = rtf_colors_[static_cast<size_t>(n)];
    int best = 0;
    int64_t best_d = std::numeric_limits<int64_t>::max();
    for (int i = 0; i < 16; ++i) {
      const TColorRef d = doc_.Header.Colors[static_cast<size_t>(i)];
      const int64_t dr = RedOf(c) - RedOf(d), dg = GreenOf(c) - GreenOf(d), db = BlueOf(c) - BlueOf(d);
      const int64_t dist = dr * dr + dg * dg + db * db;
      if (dist < best_d) {
        best_d = dist;
        best = i;
      }
    }
    m = static_cast<int16_t>(best);
  }
  return static_cast<uint8_t>(m);
}

}  // namespace inkwend
