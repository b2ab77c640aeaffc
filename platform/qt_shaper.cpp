#include "platform/qt_shaper.h"

#include <QTextLayout>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "richtext/layout/text_analysis.h"

namespace inkwend {

namespace {

constexpr qreal kUnboundedWidth = 1e7;

// Qt picks a fallback font by character, not by sequence and not by colour: a thumb would come
// out in the first font that has its outline and a heart with the emoji selector as a black text
// heart. Clusters shown as emoji take the colour emoji font first.
QList<QTextLayout::FormatRange> EmojiPresentation(std::span<const char32_t> chars, const QFont& font) {
  QList<QTextLayout::FormatRange> ranges;
  const int n = static_cast<int>(chars.size());
  int unit = 0;
  for (int from = 0; from < n;) {
    const int to = NextClusterBoundary(chars, from);
    int units = 0;
    for (int i = from; i < to; ++i) units += chars[static_cast<size_t>(i)] > 0xFFFF ? 2 : 1;
    if (IsEmojiCluster(chars.subspan(static_cast<size_t>(from), static_cast<size_t>(to - from)))) {
      QTextLayout::FormatRange range;
      range.start = unit;
      range.length = units;
      range.format.setFontFamilies({QStringLiteral("Noto Color Emoji"), font.family()});
      ranges.push_back(range);
    }
    unit += units;
    from = to;
  }
  return ranges;
}

// One line holding the whole run, its left edge at 0 whatever the direction.
class RunLayout {
 public:
  RunLayout(const QFont& font, std::span<const char32_t> chars, bool rtl)
      : text_(QString::fromUcs4(chars.data(), static_cast<qsizetype>(chars.size()))), layout_(text_, font) {
    QTextOption option;
    option.setTextDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::NoWrap);
    layout_.setTextOption(option);
    // Without this the layout drops its glyphs at the end of laying out and shapes the run again
    // on every draw, decoding each colour emoji's picture anew to learn its advance.
    layout_.setCacheEnabled(true);
    layout_.setFormats(EmojiPresentation(chars, font));
    layout_.beginLayout();
    line_ = layout_.createLine();
    if (line_.isValid()) line_.setLineWidth(kUnboundedWidth);
    layout_.endLayout();
  }
  QTextLayout& Layout() { return layout_; }
  const QTextLine& Line() const { return line_; }

 private:
  QString text_;
  QTextLayout layout_;
  QTextLine line_;
};

QFont ShapingFont(const QFont& font) {
  QFont shaping(font);
  shaping.setKerning(true);  // part of shaping: marks and kerning come from the same table
  return shaping;
}

// Shaping a run costs far more than drawing it, and a repaint (a caret blink, a key, a scroll)
// draws the same runs again: the runs drawn lately are kept shaped. Per thread, as printing
// may draw away from the window's thread.
constexpr size_t kCachedRuns = 4096;

RunLayout& CachedRun(const QFont& font, std::span<const char32_t> chars, bool rtl) {
  thread_local std::unordered_map<QString, std::unique_ptr<RunLayout>> runs;
  QString key = font.key();
  key += rtl ? QLatin1Char('R') : QLatin1Char('L');
  key += QString::fromUcs4(chars.data(), static_cast<qsizetype>(chars.size()));
  std::unique_ptr<RunLayout>& run = runs[key];
  if (!run) {
    if (runs.size() > kCachedRuns) {
      runs.clear();
      return *runs.emplace(key, std::make_unique<RunLayout>(ShapingFont(font), chars, rtl)).first->second;
    }
    run = std::make_unique<RunLayout>(ShapingFont(font), chars, rtl);
  }
  return *run;
}

}  // namespace

void ShapedAdvances(const QFont& font, std::span<const char32_t> chars, bool rtl, std::span<int> out) {
  std::fill(out.begin(), out.end(), 0);
  if (chars.empty()) return;
  RunLayout run(ShapingFont(font), chars, rtl);
  if (!run.Line().isValid()) return;
  // The UTF-16 position of every character, and the end.
  std::vector<int> unit_of;
  unit_of.reserve(chars.size() + 1);
  int units = 0;
  for (char32_t c : chars) {
    unit_of.push_back(units);
    units += c > 0xFFFF ? 2 : 1;
  }
  unit_of.push_back(units);
  const QTextLayout& layout = run.Layout();
  const auto rounded_x = [&](int unit) { return static_cast<int>(std::lround(run.Line().cursorToX(unit))); };
  size_t cluster = 0;
  int cluster_x = rounded_x(0);
  for (size_t i = 1; i <= chars.size(); ++i) {
    const int unit = unit_of[i];
    if (i < chars.size() && !layout.isValidCursorPosition(unit)) continue;
    const int x = rounded_x(unit);
    out[cluster] = std::abs(x - cluster_x);
    cluster = i;
    cluster_x = x;
  }
}

void DrawShapedRun(QPainter& painter, const QFont& font, int x, int baseline, std::span<const char32_t> chars,
                   bool rtl, const QColor& color) {
  if (chars.empty()) return;
  RunLayout& run = CachedRun(font, chars, rtl);
  if (!run.Line().isValid()) return;
  painter.setPen(color);
  run.Layout().draw(&painter, QPointF(x, baseline - run.Line().ascent()));
}

}  // namespace inkwend
