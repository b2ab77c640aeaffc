// The font and colour tables of the RTF reader. RTF fonts are mapped to slots of the document's
// font table (each with the code page of its character set); RTF colours become the document's
// colours, those past the room of its table (256) the nearest colour in it.
#include <algorithm>

#include "richtext/rtf/keywords.h"
#include "richtext/rtf/reader.h"

namespace inkwend {

namespace {
constexpr size_t kMaxRtfFonts = 4096;
}

bool WPRtfReader::DoFontColorTable(const RtfKeyword& k, int32_t n) {
  switch (k.action) {
    case RtfAction::Red:
      SetColorComponent(0, n);
      return true;
    case RtfAction::Green:
      SetColorComponent(8, n);
      return true;
    case RtfAction::Blue:
      SetColorComponent(16, n);
      return true;
    case RtfAction::FCharset:
      if (f_.dest == Destination::FontTable) {
        definingCharset_ = n;
        if (definingCodepage_ == 0 || CodePageOfCharSet(n) != 0) definingCodepage_ = CodePageOfCharSet(n);
        SetDecoder(definingCodepage_);
      }
      return true;
    case RtfAction::Cpg:
      if (f_.dest == Destination::FontTable && definingCharset_ != 2) {
        definingCodepage_ = n;
        SetDecoder(n);
      }
      return true;
    case RtfAction::Family:
      if (f_.dest == Destination::FontTable) definingFamily_ = static_cast<uint8_t>(k.arg);
      return true;
    default:
      return false;
  }
}

int WPRtfReader::FontCodePage(int32_t number) const {
  for (const RtfFont& f : fonts_) {
    if (f.number == number) return f.codePage;
  }
  return 0;
}

void WPRtfReader::SetFont(int32_t number) {
  for (const RtfFont& font : fonts_) {
    if (font.number == number) {
      FlushRun();
      attr_.fontIndex = font.slot;
      f_.attr = attr_;
      f_.codePage = font.codePage;
      SetDecoder(font.codePage);
      return;
    }
  }
}

void WPRtfReader::SelectDefaultFont() {
  // The default font is in force wherever no \f says otherwise.
  for (const RtfFont& font : fonts_) {
    if (font.number == deff_) {
      attr_.fontIndex = font.slot;
      f_.attr.fontIndex = font.slot;
    }
  }
}

void WPRtfReader::StartFontDefinition(int32_t number) {
  if (!fontName_.empty()) EndFontDefinition();
  definingFont_ = number;
  definingCharset_ = 0;
  definingCodepage_ = 0;
  definingFamily_ = 0;
}

void WPRtfReader::EndFontDefinition() {
  std::u32string name = std::move(fontName_);
  fontName_.clear();
  // Cut to the length the font table keeps before the spaces go: a name cut after a space
  // would be written with it and lose it when read back.
  if (name.size() > static_cast<size_t>(kMaxFontNameLength))
    name.resize(static_cast<size_t>(kMaxFontNameLength));
  while (!name.empty() && name.back() == U' ') name.pop_back();
  if (name.empty() || fonts_.size() >= kMaxRtfFonts) return;
  TextHeader& h = doc_.header;
  const bool is_new = h.FindFont(name) < 0;
  int slot = h.FontIndexOf(name);
  if (slot >= kFontSlots) slot = 0;  // the table is full: the default font stands in
  if (is_new && slot > 0) {
    h.fonts[static_cast<size_t>(slot)].pitchFamily = definingFamily_;
    h.fonts[static_cast<size_t>(slot)].charSet = static_cast<uint8_t>(std::clamp(definingCharset_, 0, 255));
  }
  for (RtfFont& f : fonts_) {
    if (f.number == definingFont_) {
      f.slot = static_cast<uint8_t>(slot);
      f.codePage = definingCodepage_;
      return;
    }
  }
  fonts_.push_back(RtfFont{definingFont_, static_cast<uint8_t>(slot), definingCodepage_});
}

void WPRtfReader::SetColorComponent(int shift, int32_t value) {
  if (f_.dest != Destination::ColorTable || KeepsColors() || rtfColors_.empty()) return;
  const size_t index = rtfColors_.size() - 1;
  ColorRef& c = rtfColors_[index];
  c = (c & ~(0xFFu << shift)) | (static_cast<ColorRef>(std::clamp(value, 0, 255)) << shift);
  if (index < 15) doc_.header.colors[index] = c;
}

void WPRtfReader::EndColorDefinition() {
  // Colours from index 15 on join the document's table once their definition is complete, so
  // that the unfinished entry after the table's last ";" adds nothing.
  const size_t index = rtfColors_.size() - 1;
  TextHeader& h = doc_.header;
  if (index == 15) h.colors[15] = rtfColors_[index];
  if (index >= 16 && h.ColorCount() < kMaxColors && index == static_cast<size_t>(h.ColorCount()))
    h.moreColors.push_back(rtfColors_[index]);
}

uint8_t WPRtfReader::MapColor(int32_t n) {
  if (n < 0) return 0;
  // Colours the document's table holds keep their index; RTF colours past its room take the
  // nearest colour of the table, and an index past the RTF table reads as colour 0.
  if (n < 16 || n < doc_.header.ColorCount()) return static_cast<uint8_t>(n);
  if (static_cast<size_t>(n) >= rtfColors_.size()) return 0;
  if (colorMap_.size() < rtfColors_.size()) colorMap_.resize(rtfColors_.size(), -1);
  int16_t& m = colorMap_[static_cast<size_t>(n)];
  if (m < 0)
    m = static_cast<int16_t>(doc_.header.NearestColor(rtfColors_[static_cast<size_t>(n)], kMaxColors));
  return static_cast<uint8_t>(m);
}

uint8_t WPRtfReader::MapParagraphColor(int32_t n) {
  // A paragraph's borders and shading keep a colour in 4 bits: the table's first 16 entries.
  const uint8_t m = MapColor(n);
  return m < 16 ? m : static_cast<uint8_t>(doc_.header.NearestColor(doc_.header.Color(m), 16));
}

}  // namespace inkwend
