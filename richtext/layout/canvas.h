#pragma once
// A surface to paint on: the editor window, a printer page or a test recorder. Coordinates are
// device pixels; text is drawn at positions given by the caller (layout decides where each
// character goes, so caret and glyphs never drift apart).
#include <cstdint>
#include <span>

#include "richtext/layout/metrics.h"
#include "richtext/model/objects.h"
#include "richtext/model/text_header.h"

namespace inkwend {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool Intersects(const Rect& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  bool operator==(const Rect&) const = default;
};

enum class PenStyle : uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, Null };

struct Pen {
  ColorRef color = 0;
  int width = 1;
  PenStyle style = PenStyle::Solid;
  bool operator==(const Pen&) const = default;
};

// A fill; Null means no fill.
struct Brush {
  ColorRef color = 0xFFFFFF;
  bool null = false;
  bool operator==(const Brush&) const = default;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void SetFont(const FontSpec& font) = 0;
  // Draws characters from (x, baseline) in the current font. With advances (one per character)
  // each character starts where the previous one's advance ends; without, the font's own
  // advances are used (metafile text).
  virtual void DrawText(int x, int baseline, std::span<const char32_t> text, std::span<const int> advances,
                        ColorRef color) = 0;
  // Draws a run measured through TextMetrics::Shape as the shaper joins it (joined letters,
  // placed marks, emoji sequences as one glyph), in one direction, its left edge at x. The
  // advances are the measured ones (a cluster's on its first character); a canvas without a
  // shaper draws the characters one by one at them.
  virtual void DrawShapedText(int x, int baseline, std::span<const char32_t> text,
                              std::span<const int> advances, bool /*rtl*/, ColorRef color) {
    DrawText(x, baseline, text, advances, color);
  }
  virtual void FillRect(const Rect& rect, ColorRef color) = 0;
  virtual void DrawLine(Point from, Point to, const Pen& pen) = 0;
  virtual void DrawPolyline(std::span<const Point> points, const Pen& pen) = 0;
  virtual void DrawPolygon(std::span<const Point> points, const Pen& pen, const Brush& brush) = 0;
  virtual void DrawRectangle(const Rect& rect, const Pen& pen, const Brush& brush) = 0;
  virtual void DrawEllipse(const Rect& rect, const Pen& pen, const Brush& brush) = 0;
  // Stretches a bitmap into the rectangle.
  virtual void DrawBitmap(const Bitmap& bitmap, const Rect& dest) = 0;
  // Limits drawing to a rectangle (nullptr: no limit).
  virtual void SetClip(const Rect* rect) = 0;
};

}  // namespace inkwend
