#pragma once
// Runs of text that must be shaped as a whole (joined scripts, marks, emoji sequences), measured
// and drawn through Qt's text layout, which shapes with HarfBuzz and falls back per character
// to the font fontconfig picks (colour emoji included). Measuring and drawing lay the run out
// the same way, so the glyphs land where layout measured them.
#include <QColor>
#include <QFont>
#include <QPainter>
#include <span>

namespace inkwend {

// Per character the advance of the cluster it begins (rounded so that the advances add up to
// the run's rounded width), 0 for the other characters of a cluster.
void ShapedAdvances(const QFont& font, std::span<const char32_t> chars, bool rtl, std::span<int> out);
// Draws the run with its left edge at x and its baseline at `baseline`.
void DrawShapedRun(QPainter& painter, const QFont& font, int x, int baseline, std::span<const char32_t> chars,
                   bool rtl, const QColor& color);

}  // namespace inkwend
