#pragma once
// The layout engine's canvas over a QPainter: text as glyph runs placed at the advances layout
// computed, rectangles, lines and shapes with Qt pens and brushes, bitmaps stretched.
#include <QPainter>

#include "platform/qt_text_metrics.h"
#include "richtext/layout/canvas.h"

namespace inkwend {

class QtCanvas : public Canvas {
 public:
  // The painter stays owned by the caller; the metrics provide the raw fonts.
  QtCanvas(QPainter& painter, QtTextMetrics& metrics) : painter_(painter), metrics_(metrics) {}

  void SetFont(const FontSpec& font) override { font_ = font; }
  void DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                ColorRef color) override;
  void DrawShapedText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                      bool rtl, ColorRef color) override;
  void FillRect(const Rect& rect, ColorRef color) override;
  void DrawLine(Point from, Point to, const Pen& pen) override;
  void DrawPolyline(std::span<const Point> points, const Pen& pen) override;
  void DrawPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush) override;
  void DrawRectangle(const Rect& rect, const Pen& pen, const Brush& brush) override;
  void DrawEllipse(const Rect& rect, const Pen& pen, const Brush& brush) override;
  void DrawBitmap(const Bitmap& bitmap, const Rect& dest) override;
  void SetClip(const Rect* rect) override;

 private:
  QPainter& painter_;
  QtTextMetrics& metrics_;
  FontSpec font_;
};

QColor ToQColor(ColorRef c);
// A bitmap of the model as an image (any depth; an invalid bitmap gives a null image).
QImage ToQImage(const Bitmap& bitmap);

}  // namespace inkwend
