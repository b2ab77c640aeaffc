#pragma once
// Character metrics of real fonts for the layout engine: fonts are opened once per FontSpec
// as QRawFont at the wanted's pixel size (fontconfig maps "Arial" and friends to the
// metric-compatible Liberation fonts), and the canvas draws with the same raw fonts, so that
// measured and painted advances are the same numbers. A character the font lacks (Chinese in
// Arial, an emoji) is measured and drawn in the font Qt falls back to for it, as any Qt text is;
// a Symbol-font byte the font lacks, as the character it stands for.
#include <QFont>
#include <QRawFont>
#include <array>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/font_line_metrics.h"
#include "platform/pair_kerning.h"
#include "platform/sfnt_font_file.h"
#include "richtext/layout/metrics.h"

namespace inkwend {

class QtTextMetrics : public TextMetrics {
 public:
  FontMetrics Metrics(const FontSpec& font) override;
  void Advances(const FontSpec& font, std::span<const char32_t> chars, std::span<int> out) override;
  bool HasKerning(const FontSpec& font) override;
  double Kerning(const FontSpec& font, char32_t left, char32_t right) override;
  void Shape(const FontSpec& font, std::span<const char32_t> chars, bool rtl, std::span<int> out) override;
  // The font as Qt opens it (for text Qt shapes itself).
  const QFont& WantedFont(const FontSpec& font) { return EntryFor(font).wanted; }
  // The raw font of a wanted (opened on first use and kept).
  const QRawFont& RawFont(const FontSpec& font);
  // Glyph indexes of characters in a font (kept per font; control codes show as spaces), and
  // for each the raw font that holds it: the font itself, or the one Qt falls back to.
  void Glyphs(const FontSpec& font, std::span<const char32_t> chars, QList<quint32>& out,
              std::vector<const QRawFont*>& fonts);

 private:
  struct Glyph {
    quint32 index = 0;
    const QRawFont* raw = nullptr;  // null: the entry's own font
  };
  struct Entry {
    FontSpec font;
    QFont wanted;
    QRawFont raw;
    bool lowReady = false;
    std::array<quint32, 256> low{};
    std::unordered_map<char32_t, Glyph> high;
    std::optional<LineMetrics> lines;  // empty: Qt's own extents
    std::optional<FontFile> sfntFile;  // the OpenType file of a face Qt opened as Type 1
    bool kerningTried = false;
    std::unique_ptr<PairKerning> kerning;  // null: the font does not kern
  };
  Entry& EntryFor(const FontSpec& font);
  Glyph GlyphOf(Entry& e, char32_t c);
  static void FillLowGlyphs(Entry& e);
  static void FindLineMetrics(Entry& e);
  Glyph Fallback(const Entry& e, char32_t c);
  static PairKerning* KerningOf(Entry& e);
  // Fallback fonts, one per family and style met (their addresses stay put).
  std::vector<std::unique_ptr<QRawFont>> fallbacks_;
  std::vector<std::unique_ptr<Entry>> fonts_;
  Entry* last_ = nullptr;
};

// One metrics object for the whole program (fonts are shared by every editor and printout).
QtTextMetrics& SharedTextMetrics();

}  // namespace inkwend
