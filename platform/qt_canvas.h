#pragma once
// The layout engine's canvas over a QPainter: text as glyph runs placed at the advances layout
// computed, rectangles, lines and shapes with Qt pens and brushes, bitmaps stretched.
#include <QPainter>

#include "platform/qt_text_metrics.h"
#include "richtext/layout/canvas.h"

namespace inkwend {

class TQtCanvas : public TCanvas {
 public:
  // The painter stays owned by the caller; the metrics provide the raw fonts.
  TQtCanvas(QPainter& painter, TQtTextMetrics& metrics) : painter_(painter), metrics_(metrics) {}

  void SetFont(const TFontSpec& font) override { font_ = font; }
  void DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                TColorRef color) override;
  void FillRect(const TRect& rect, TColorRef color) override;
  void DrawLine(TPoint from, TPoint to, const TPen& pen) override;
  void DrawPolyline(std::span<const TPoint> points, const TPen& pen) override;
  void DrawPolygon(std::span<const TPoint> points, const TPen& pen, const TBrush& brush) override;
  void DrawRectangle(const TRect& rect, const TPen& pen, const TBrush& brush) override;
  void DrawEllipse(const TRect& rect, const TPen& pen, const TBrush& brush) override;
  void DrawBitmap(const TBitmap& bitmap, const TRect& dest) override;
  void SetClip(const TRect* rect) override;

 private:
  QPainter& painter_;
  TQtTextMetrics& metrics_;
  TFontSpec font_;
};

QColor ToQColor(TColorRef c);
// A bitmap of the model as an image (any depth; an invalid bitmap gives a null image).
QImage ToQImage(const TBitmap& bitmap);

}  // namespace inkwend
