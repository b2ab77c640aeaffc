#include "platform/qt_canvas.h"

#include <QGlyphRun>
#include <QImage>
#include <QPolygon>
#include <algorithm>
#include <cstddef>
#include <utility>
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
      for (int x = 0; x < bitmap.Width; ++x) {
        const uint8_t* px = row + static_cast<ptrdiff_t>(x) * 3;
        out[x] = qRgb(px[2], px[1], px[0]);
      }
    } else if (bitmap.BitsPerPixel == 32) {
      for (int x = 0; x < bitmap.Width; ++x) {
        const uint8_t* px = row + static_cast<ptrdiff_t>(x) * 4;
        out[x] = qRgb(px[2], px[1], px[0]);
      }
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
    case TPenStyle::Dash:
      p.setStyle(Qt::DashLine);
      break;
    case TPenStyle::Dot:
      p.setStyle(Qt::DotLine);
      break;
    case TPenStyle::DashDot:
      p.setStyle(Qt::DashDotLine);
      break;
    case TPenStyle::DashDotDot:
      p.setStyle(Qt::DashDotDotLine);
      break;
    default:
      break;
  }
  return p;
}

QBrush ToQBrush(const TBrush& brush) {
  return brush.Null ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush.Color));
}

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
  std::vector<const QRawFont*> fonts;
  metrics_.Glyphs(font_, text, glyphs, fonts);
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
  painter_.setPen(ToQColor(color));
  // One glyph run per stretch of characters from one font: characters the font lacks come from
  // the font Qt falls back to.
  for (size_t from = 0; from < text.size();) {
    size_t to = from + 1;
    while (to < text.size() && fonts[to] == fonts[from]) ++to;
    QGlyphRun run;
    run.setRawFont(*fonts[from]);
    run.setGlyphIndexes(glyphs.mid(static_cast<qsizetype>(from), static_cast<qsizetype>(to - from)));
    run.setPositions(positions.mid(static_cast<qsizetype>(from), static_cast<qsizetype>(to - from)));
    painter_.drawGlyphRun(QPointF(0, 0), run);
    from = to;
  }
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
  painter_.drawRect(
      QRect(rect.Left, rect.Top, std::max(0, rect.Width() - 1), std::max(0, rect.Height() - 1)));
  painter_.setBrush(Qt::NoBrush);
}

void TQtCanvas::DrawEllipse(const TRect& rect, const TPen& pen, const TBrush& brush) {
  painter_.setPen(ToQPen(pen));
  painter_.setBrush(ToQBrush(brush));
  painter_.drawEllipse(
      QRect(rect.Left, rect.Top, std::max(0, rect.Width() - 1), std::max(0, rect.Height() - 1)));
  painter_.setBrush(Qt::NoBrush);
}

namespace {

// Pictures are painted again on every repaint; their converted images are kept for the few
// pictures seen last. A key holds the bitmap's buffer, size and a sample of its bytes.
struct TImageKey {
  const void* Bits = nullptr;
  size_t Size = 0;
  int Width = 0, Height = 0, Depth = 0;
  uint64_t Sample = 0;
  bool operator==(const TImageKey&) const = default;
};

TImageKey KeyOf(const TBitmap& b) {
  TImageKey k{b.Bits.data(), b.Bits.size(), b.Width, b.Height, b.BitsPerPixel, 1469598103934665603ull};
  const size_t n = b.Bits.size();
  for (size_t i = 0; i < std::min<size_t>(n, 64); ++i) k.Sample = (k.Sample ^ b.Bits[i]) * 1099511628211ull;
  for (size_t i = n > 64 ? n - 64 : 0; i < n; ++i) k.Sample = (k.Sample ^ b.Bits[i]) * 1099511628211ull;
  return k;
}

const QImage& CachedImage(const TBitmap& bitmap) {
  static std::vector<std::pair<TImageKey, QImage>> cache;
  const TImageKey key = KeyOf(bitmap);
  for (size_t i = 0; i < cache.size(); ++i) {
    if (cache[i].first == key) {
      if (i > 0)
        std::rotate(cache.begin(), cache.begin() + static_cast<ptrdiff_t>(i),
                    cache.begin() + static_cast<ptrdiff_t>(i) + 1);
      return cache.front().second;
    }
  }
  if (cache.size() >= 8) cache.pop_back();
  cache.insert(cache.begin(), {key, ToQImage(bitmap)});
  return cache.front().second;
}

}  // namespace

void TQtCanvas::DrawBitmap(const TBitmap& bitmap, const TRect& dest) {
  if (dest.Empty()) return;
  const QImage& image = CachedImage(bitmap);
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
