#include "platform/qt_canvas.h"

#include <QGlyphRun>
#include <QImage>
#include <QPolygon>
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/qt_shaper.h"

namespace inkwend {

QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

QImage ToQImage(const Bitmap& bitmap) {
  if (!bitmap.Valid() || bitmap.width <= 0 || bitmap.height <= 0) return {};
  QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  const int stride = bitmap.Stride();
  for (int y = 0; y < bitmap.height; ++y) {
    auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    const uint8_t* row = bitmap.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(stride);
    if (bitmap.bitsPerPixel == 24) {
      for (int x = 0; x < bitmap.width; ++x) {
        const uint8_t* px = row + static_cast<ptrdiff_t>(x) * 3;
        out[x] = qRgb(px[2], px[1], px[0]);
      }
    } else if (bitmap.bitsPerPixel == 32) {
      for (int x = 0; x < bitmap.width; ++x) {
        const uint8_t* px = row + static_cast<ptrdiff_t>(x) * 4;
        out[x] = qRgb(px[2], px[1], px[0]);
      }
    } else {
      for (int x = 0; x < bitmap.width; ++x) out[x] = 0xFF000000u | bitmap.PixelRgb(x, y);
    }
  }
  return image;
}

namespace {

QPen ToQPen(const Pen& pen) {
  if (pen.style == PenStyle::Null) return QPen(Qt::NoPen);
  QPen p(ToQColor(pen.color));
  p.setWidth(std::max(1, pen.width));
  p.setCapStyle(Qt::FlatCap);
  switch (pen.style) {
    case PenStyle::Dash:
      p.setStyle(Qt::DashLine);
      break;
    case PenStyle::Dot:
      p.setStyle(Qt::DotLine);
      break;
    case PenStyle::DashDot:
      p.setStyle(Qt::DashDotLine);
      break;
    case PenStyle::DashDotDot:
      p.setStyle(Qt::DashDotDotLine);
      break;
    default:
      break;
  }
  return p;
}

QBrush ToQBrush(const Brush& brush) {
  return brush.null ? QBrush(Qt::NoBrush) : QBrush(ToQColor(brush.color));
}

QPolygon ToQPolygon(std::span<const Point> points) {
  QPolygon poly;
  poly.reserve(static_cast<qsizetype>(points.size()));
  for (const Point& p : points) poly << QPoint(p.x, p.y);
  return poly;
}

}  // namespace

void QtCanvas::DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                        ColorRef color) {
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

void QtCanvas::DrawShapedText(int x, int baseline, std::span<const char32_t> text,
                              std::span<const int> /*advances*/, bool rtl, ColorRef color) {
  if (text.empty() || !metrics_.RawFont(font_).isValid()) return;
  DrawShapedRun(painter_, metrics_.WantedFont(font_), x, baseline, text, rtl, ToQColor(color));
}

void QtCanvas::FillRect(const Rect& rect, ColorRef color) {
  if (rect.Empty()) return;
  painter_.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQColor(color));
}

void QtCanvas::DrawLine(Point from, Point to, const Pen& pen) {
  painter_.setPen(ToQPen(pen));
  painter_.drawLine(from.x, from.y, to.x, to.y);
}

void QtCanvas::DrawPolyline(std::span<const Point> points, const Pen& pen) {
  painter_.setPen(ToQPen(pen));
  painter_.drawPolyline(ToQPolygon(points));
}

void QtCanvas::DrawPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush) {
  painter_.setPen(ToQPen(pen));
  painter_.setBrush(ToQBrush(brush));
  painter_.drawPolygon(ToQPolygon(points));
  painter_.setBrush(Qt::NoBrush);
}

void QtCanvas::DrawRectangle(const Rect& rect, const Pen& pen, const Brush& brush) {
  painter_.setPen(ToQPen(pen));
  painter_.setBrush(ToQBrush(brush));
  painter_.drawRect(
      QRect(rect.left, rect.top, std::max(0, rect.Width() - 1), std::max(0, rect.Height() - 1)));
  painter_.setBrush(Qt::NoBrush);
}

void QtCanvas::DrawEllipse(const Rect& rect, const Pen& pen, const Brush& brush) {
  painter_.setPen(ToQPen(pen));
  painter_.setBrush(ToQBrush(brush));
  painter_.drawEllipse(
      QRect(rect.left, rect.top, std::max(0, rect.Width() - 1), std::max(0, rect.Height() - 1)));
  painter_.setBrush(Qt::NoBrush);
}

namespace {

// Pictures are painted again on every repaint; their converted images are kept for the few
// pictures seen last. A key holds the bitmap's buffer, size and a sample of its bytes.
struct ImageKey {
  const void* bits = nullptr;
  size_t size = 0;
  int width = 0, height = 0, depth = 0;
  uint64_t sample = 0;
  bool operator==(const ImageKey&) const = default;
};

ImageKey KeyOf(const Bitmap& b) {
  ImageKey k{b.bits.data(), b.bits.size(), b.width, b.height, b.bitsPerPixel, 1469598103934665603ull};
  const size_t n = b.bits.size();
  for (size_t i = 0; i < std::min<size_t>(n, 64); ++i) k.sample = (k.sample ^ b.bits[i]) * 1099511628211ull;
  for (size_t i = n > 64 ? n - 64 : 0; i < n; ++i) k.sample = (k.sample ^ b.bits[i]) * 1099511628211ull;
  return k;
}

const QImage& CachedImage(const Bitmap& bitmap) {
  static std::vector<std::pair<ImageKey, QImage>> cache;
  const ImageKey key = KeyOf(bitmap);
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

void QtCanvas::DrawBitmap(const Bitmap& bitmap, const Rect& dest) {
  if (dest.Empty()) return;
  const QImage& image = CachedImage(bitmap);
  if (image.isNull()) return;
  painter_.drawImage(QRect(dest.left, dest.top, dest.Width(), dest.Height()), image);
}

void QtCanvas::SetClip(const Rect* rect) {
  if (!rect) {
    painter_.setClipping(false);
    return;
  }
  painter_.setClipRect(QRect(rect->left, rect->top, rect->Width(), rect->Height()));
}

}  // namespace inkwend
