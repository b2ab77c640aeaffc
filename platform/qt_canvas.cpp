#include "platform/qt_canvas.h"

#include <QGlyphRun>
#include <QImage>
#include <QPolygon>
#include <vector>

namespace inkwend {

QColor ToQColor(TColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

QImage ToQImage(const TBitmap& bitmap) {
  if (!bitmap.Valid() || bitmap.Width <= 0 || bitmap.Height <= 0) return {};
  QImage image(bitmap.Width, bitmap.Height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  const int stride = bitmap.Stride();
  for (int y = 0; y < bitmap.Height; ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    const uint8_t* row = bitmap.Bits.data() + static_cast<size_t>(y) * static_cast<size_t>(stride);
    if (bitmap.BitsPerPixel == 24) {
      for (int x = 0; x < bitmap.Width; ++x) out[x] = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    } else if (bitmap.BitsPerPixel == 32) {
      for (int x = 0; x < bitmap.Width; ++x) out[x] = qRgb(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
    } else {
      for (int x = 0; x < bitmap.Width; ++x) out[x] = 0xFF000000u | bitmap.PixelRgb(x, y);
    }
  }
  return image;
}

namespace {

QPen ToQPen(const TPen& pen) {
  if (pen.Style == TPenStyle::Null) return QPen(Qt::NoPen);
  QPen p(ToQColor(pen.Color));
  p.setWidth(std::max(1, pen.Width));
  p.setCapStyle(Qt::FlatCap);
  switch (pen.Style) {
    case TPenStyle::Dash: p.setStyle(Qt::DashLine); break;
    case TPenStyle::Dot: p.setStyle(Qt::DotLine); break;
    case TPenStyle::DashDot: p.setStyle(Qt::DashDotLine); break;
    case TPenStyle::DashDotDot: p.setStyle(Qt::DashDotDotLine); break;
    default: break;
  }
  return p;
}

QBrush ToQBrush(const TBrush& brush) { return brush.Null ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush.Color)); }

QPolygon ToQPolygon(std::span<const TPoint> points) {
  QPolygon poly;
  poly.reserve(static_cast<qsizetype>(points.size()));
  for (const TPoint& p : points) poly << QPoint(p.X, p.Y);
  return poly;
}

}  // namespace

void TQtCanvas::DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                         TColorRef color) {
  if (text.empty()) return;
  const QRawFont& raw = metrics_.RawFont(font_);
  if (!raw.isValid()) return;
  QList<quint32> glyphs;
  metrics_.Glyphs(font_, text, glyphs);
  QList<QPointF> positions;
  positions.reserve(static_cast<qsizetype>(text.size()));
  std::vector<int> own;
  if (advances.size() != text.size()) {
    own.resize(text.size());
    metrics_.Advances(font_, text, own);
    advances = own;
  }
  double pen_x = x;
  for (size_t i = 0; i < text.size(); ++i) {
    positions.push_back(QPointF(pen_x, baseline));
    pen_x += advances[i];
  }
  QGlyphRun run;
  run.setRawFont(raw);
  run.setGlyphIndexes(glyphs);
  run.setPositions(positions);
  run.setStrikeOut(font_.StrikeOut);
  painter_.setPen(ToQColor(color));
  painter_.drawGlyphRun(QPointF(0, 0), run);
}

void TQtCanvas::FillRect(const TRect& rect, TColorRef color) {
  if (rect.Empty()) return;
  painter_.fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), ToQColor(color));
}

void TQtCanvas::DrawLine(TPoint from, TPoint to, const TPen& pen) {
  painter_.setPen(ToQPen(pen));
  painter_.drawLine(from.X, from.Y, to.X, to.Y);
}

void TQtCanvas::DrawPolyline(std::span<const TPoint> points, const TPen& pen) {
  painter_.setPen(ToQPen(pen));
  painter_.drawPolyline(ToQPolygon(points));
}

void TQtCanvas::DrawPolygon(std::span<const TPoint> points, const TPen& pen, const TBrush& brush) {
  painter_.setPen(ToQPen(pen));
  painter_.setBrush(ToQBrush(brush));
  painter_.drawPolygon(ToQPolygon(points));
  painter_.setBrush(Qt::NoBrush);
}

void TQtCanvas::DrawRectangle(const TRect& rect, const TPen& pen, const TBrush& brush) {
  painter_.setPen(ToQPen(pen));
  painter_.setBrush(ToQBrush(brush));
  painter_.drawRect(QRect(rect.Left, rect.Top, std::max(0, rect.Width() - 1), std::max(0, rect.Height() - 1)));
  painter_.setBrush(Qt::NoBrush);
}

void TQtCanvas::DrawEllipse(const TRect& rect, const TPen& pen, const TBrush& brush) {
  painter_.setPen(ToQPen(pen));
  painter_.setBrush(ToQBrush(brush));
  painter_.drawEllipse(QRect(rect.Left, rect.Top, std::max(0, rect.Width() - 1), std::max(0, rect.Height() - 1)));
  painter_.setBrush(Qt::NoBrush);
}

void TQtCanvas::DrawBitmap(const TBitmap& bitmap, const TRect& dest) {
  if (dest.Empty()) return;
  const QImage image = ToQImage(bitmap);
  if (image.isNull()) return;
  painter_.drawImage(QRect(dest.Left, dest.Top, dest.Width(), dest.Height()), image);
}

void TQtCanvas::SetClip(const TRect* rect) {
  if (!rect) {
    painter_.setClipping(false);
    return;
  }
  painter_.setClipRect(QRect(rect->Left, rect->Top, rect->Width(), rect->Height()));
}

}  // namespace inkwend
