#pragma once
// Character metrics of real fonts for the layout engine: fonts are opened once per TFontSpec
// as QRawFont at the wanted's pixel size (fontconfig maps "Arial" and friends to the
// metric-compatible Liberation fonts), and the canvas draws with the same raw fonts, so that
// measured and painted advances are the same numbers. A character the font lacks (Chinese in
// Arial, an emoji) is measured and drawn in the font Qt falls back to for it, as any Qt text is;
// a Symbol-font byte the font lacks, as the character it stands for.
#include <QFont>
#include <QRawFont>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

#include "richtext/layout/metrics.h"

namespace inkwend {

class TQtTextMetrics : public TTextMetrics {
 public:
  TFontMetrics Metrics(const TFontSpec& font) override;
  void Advances(const TFontSpec& font, std::span<const char32_t> chars, std::span<int> out) override;
  // The raw font of a wanted (opened on first use and kept).
  const QRawFont& RawFont(const TFontSpec& font);
  // Glyph indexes of characters in a font (kept per font; control codes show as spaces), and
  // for each the raw font that holds it: the font itself, or the one Qt falls back to.
  void Glyphs(const TFontSpec& font, std::span<const char32_t> chars, QList<quint32>& out,
              std::vector<const QRawFont*>& fonts);

 private:
  struct TGlyph {
    quint32 Index = 0;
    const QRawFont* Raw = nullptr;  // null: the entry's own font
  };
  struct TEntry {
    TFontSpec Font;
    QFont Wanted;
    QRawFont Raw;
    bool LowReady = false;
    std::array<quint32, 256> Low{};
    std::unordered_map<char32_t, TGlyph> High;
  };
  TEntry& EntryFor(const TFontSpec& font);
  TGlyph GlyphOf(TEntry& e, char32_t c);
  static void FillLowGlyphs(TEntry& e);
  TGlyph Fallback(const TEntry& e, char32_t c);
  // Fallback fonts, one per family and style met (their addresses stay put).
  std::vector<std::unique_ptr<QRawFont>> fallbacks_;
  std::vector<std::unique_ptr<TEntry>> fonts_;
  TEntry* last_ = nullptr;
};

// One metrics object for the whole program (fonts are shared by every editor and printout).
TQtTextMetrics& SharedTextMetrics();

}  // namespace inkwend
