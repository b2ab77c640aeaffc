#include "platform/qt_text_metrics.h"

#include <QFont>
#include <QGlyphRun>
#include <QString>
#include <QTextLayout>
#include <cmath>

#include "platform/font_line_metrics.h"
#include "platform/qt_shaper.h"
#include "platform/sfnt_font_file.h"
#include "richtext/model/charset.h"
#include "richtext/model/symbol_font.h"

namespace inkwend {

namespace {

QString ToQString(std::u32string_view s) {
  return QString::fromUcs4(reinterpret_cast<const char32_t*>(s.data()), static_cast<qsizetype>(s.size()));
}

}  // namespace

const QRawFont& QtTextMetrics::RawFont(const FontSpec& wanted) { return EntryFor(wanted).raw; }

// The glyphs of the first 256 characters, asked for in one call (control characters as spaces).
void QtTextMetrics::FillLowGlyphs(Entry& e) {
  char32_t codes[256];
  for (int i = 0; i < 256; ++i) codes[i] = i < 32 ? U' ' : static_cast<char32_t>(i);
  // Latin-1 is one UTF-16 unit per character, so the glyphs map one to one.
  const QList<quint32> g = e.raw.glyphIndexesForString(QString::fromUcs4(codes, 256));
  for (int i = 0; i < 256; ++i) e.low[static_cast<size_t>(i)] = i < g.size() ? g[i] : 0;
  e.lowReady = true;
}

QtTextMetrics::Glyph QtTextMetrics::GlyphOf(Entry& e, char32_t c) {
  if (c < 32) c = U' ';
  if (c < 256) {
    if (!e.lowReady) FillLowGlyphs(e);
    if (e.low[c] != 0) return {e.low[c], nullptr};
  }
  auto it = e.high.find(c);
  if (it != e.high.end()) return it->second;
  Glyph glyph;
  if (e.raw.supportsCharacter(static_cast<uint>(c))) {
    const QList<quint32> g = e.raw.glyphIndexesForString(QString::fromUcs4(&c, 1));
    glyph.index = g.isEmpty() ? 0 : g.front();
  }
  // A Symbol-font byte (kept as U+F0xx) in a font without such codes, as "Symbol" is on
  // most Linux systems: the character it stands for, such as Word's list bullet.
  if (glyph.index == 0 && IsSymbolChar(c) && !IsDingbatFontName(e.font.name)) {
    const char32_t meant = SymbolCharToUnicode(c);
    if (meant != c) glyph = GlyphOf(e, meant);
  }
  if (glyph.index == 0) glyph = Fallback(e, c);
  e.high.emplace(c, glyph);
  return glyph;
}

QtTextMetrics::Glyph QtTextMetrics::Fallback(const Entry& e, char32_t c) {
  // A fallback font already open at this size and style usually has the neighbours of a
  // character it was opened for (the rest of a Chinese sentence): asking it first saves a
  // text layout per character.
  for (const auto& known : fallbacks_) {
    if (known->pixelSize() != std::max(1, e.font.pixelSize) ||
        (known->weight() >= QFont::Bold) != e.font.bold ||
        (known->style() != QFont::StyleNormal) != e.font.italic ||
        !known->supportsCharacter(static_cast<uint>(c))) {
      continue;
    }
    const QList<quint32> g = known->glyphIndexesForString(QString::fromUcs4(&c, 1));
    if (!g.isEmpty() && g.front() != 0) return {g.front(), known.get()};
  }
  // Qt's own text layout picks the font that has the character (fontconfig's choice). Qt does
  // not fall back from a symbol font, so the plain sans-serif font of the same size is asked next.
  QFont plain(QStringLiteral("sans-serif"));
  plain.setPixelSize(std::max(1, e.font.pixelSize));
  plain.setBold(e.font.bold);
  plain.setItalic(e.font.italic);
  for (const QFont& font : {e.wanted, plain}) {
    QTextLayout layout(QString::fromUcs4(&c, 1), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
      const QList<quint32> indexes = run.glyphIndexes();
      if (indexes.isEmpty() || indexes.front() == 0) continue;
      const QRawFont raw = run.rawFont();
      for (const auto& known : fallbacks_) {
        if (known->familyName() == raw.familyName() && known->styleName() == raw.styleName() &&
            known->pixelSize() == raw.pixelSize()) {
          return {indexes.front(), known.get()};
        }
      }
      fallbacks_.push_back(std::make_unique<QRawFont>(raw));
      return {indexes.front(), fallbacks_.back().get()};
    }
  }
  return {};  // no font has it: the font's own missing-glyph box
}

void QtTextMetrics::Glyphs(const FontSpec& font, std::span<const char32_t> chars, QList<quint32>& out,
                           std::vector<const QRawFont*>& fonts) {
  Entry& e = EntryFor(font);
  out.clear();
  out.reserve(static_cast<qsizetype>(chars.size()));
  fonts.clear();
  fonts.reserve(chars.size());
  for (char32_t c : chars) {
    const Glyph g = e.raw.isValid() ? GlyphOf(e, c) : Glyph{};
    out.push_back(g.index);
    fonts.push_back(g.raw ? g.raw : &e.raw);
  }
}

// The line heights the face's designer gave it. A Type 1 file has no font tables, so they come
// from the same face's OpenType file where fontconfig has one (the glyphs and their advances
// are the same in both; Qt's PDF output draws only the Type 1 one).
void QtTextMetrics::FindLineMetrics(Entry& e) {
  if (!e.raw.isValid()) return;
  e.lines = DesignLineMetrics(e.raw);
  if (e.lines || !e.raw.fontTable("hhea").isEmpty()) return;
  const auto file = SfntFileFor(e.raw.familyName(), e.font.bold, e.font.italic);
  if (!file || file->index != 0) return;
  const QRawFont sfnt(file->path, e.raw.pixelSize(), e.wanted.hintingPreference());
  if (!sfnt.isValid() || sfnt.familyName() != e.raw.familyName()) return;
  e.lines = DesignLineMetrics(sfnt);
  e.sfntFile = file;
}

PairKerning* QtTextMetrics::KerningOf(Entry& e) {
  if (!e.kerningTried) {
    e.kerningTried = true;
    e.kerning = PairKerning::For(e.raw, e.sfntFile);
  }
  return e.kerning.get();
}

bool QtTextMetrics::HasKerning(const FontSpec& font) { return KerningOf(EntryFor(font)) != nullptr; }

double QtTextMetrics::Kerning(const FontSpec& font, char32_t left, char32_t right) {
  Entry& e = EntryFor(font);
  PairKerning* kerning = KerningOf(e);
  // A character drawn from a fallback font does not kern with this font's glyphs.
  if (!kerning || GlyphOf(e, left).raw || GlyphOf(e, right).raw) return 0;
  return kerning->Kerning(left, right);
}

QtTextMetrics::Entry& QtTextMetrics::EntryFor(const FontSpec& wanted) {
  if (last_ && last_->font == wanted) return *last_;
  for (auto& e : fonts_) {
    if (e->font == wanted) {
      last_ = e.get();
      return *last_;
    }
  }
  QFont font(ToQString(wanted.name));
  font.setPixelSize(std::max(1, wanted.pixelSize));
  font.setBold(wanted.bold);
  font.setItalic(wanted.italic);
  font.setStrikeOut(wanted.strikeOut);
  font.setKerning(false);
  auto entry = std::make_unique<Entry>();
  entry->font = wanted;
  entry->wanted = font;
  entry->raw = QRawFont::fromFont(font);
  if (!entry->raw.isValid()) {
    QFont fallback;
    fallback.setPixelSize(std::max(1, wanted.pixelSize));
    fallback.setBold(wanted.bold);
    fallback.setItalic(wanted.italic);
    entry->raw = QRawFont::fromFont(fallback);
  }
  FindLineMetrics(*entry);
  fonts_.push_back(std::move(entry));
  last_ = fonts_.back().get();
  return *last_;
}

FontMetrics QtTextMetrics::Metrics(const FontSpec& font) {
  const Entry& e = EntryFor(font);
  const QRawFont& raw = e.raw;
  if (!raw.isValid()) return {std::max(1, font.pixelSize * 23 / 20), std::max(1, font.pixelSize * 9 / 10)};
  if (const auto& design = e.lines) {
    // Each part rounded on its own, as LibreOffice rounds them, so lines stand at its heights.
    const int ascent = static_cast<int>(std::lround(design->ascent));
    const int descent = static_cast<int>(std::lround(design->descent));
    const int leading = static_cast<int>(std::lround(design->leading));
    return {std::max(1, ascent + descent + leading), ascent};
  }
  const int ascent = static_cast<int>(std::ceil(raw.ascent()));
  const int descent = static_cast<int>(std::ceil(raw.descent()));
  const int leading = std::max(0, static_cast<int>(std::lround(raw.leading())));
  return {ascent + descent + leading, ascent};
}

void QtTextMetrics::Advances(const FontSpec& font, std::span<const char32_t> chars, std::span<int> out) {
  const QRawFont& raw = RawFont(font);
  if (!raw.isValid()) {
    for (size_t i = 0; i < chars.size(); ++i) out[i] = std::max(1, font.pixelSize / 2);
    return;
  }
  QList<quint32> glyphs;
  std::vector<const QRawFont*> fonts;
  Glyphs(font, chars, glyphs, fonts);
  const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs, QRawFont::SeparateAdvances);
  for (size_t i = 0; i < chars.size(); ++i) {
    const auto at = static_cast<qsizetype>(i);
    double x = at < advances.size() ? advances[at].x() : 0;
    if (fonts[i] != &raw) {
      const QList<QPointF> own =
          fonts[i]->advancesForGlyphIndexes(QList<quint32>{glyphs[at]}, QRawFont::SeparateAdvances);
      x = own.isEmpty() ? 0 : own.front().x();
    }
    out[i] = static_cast<int>(std::lround(x));
  }
}

void QtTextMetrics::Shape(const FontSpec& font, std::span<const char32_t> chars, bool rtl,
                          std::span<int> out) {
  if (!RawFont(font).isValid()) {
    Advances(font, chars, out);
    return;
  }
  ShapedAdvances(WantedFont(font), chars, rtl, out);
}

QtTextMetrics& SharedTextMetrics() {
  static QtTextMetrics metrics;
  return metrics;
}

}  // namespace inkwend
